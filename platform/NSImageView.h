// Image views (nothing is drawn: the view is only there or not).
#pragma once

#include "platform/NSView.h"

class NSImageView : public NSView {};

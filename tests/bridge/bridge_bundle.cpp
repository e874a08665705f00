// The bridge tests run with the build's plug-in bundle, as the host would load it.
#include "bridge/ZVResources.h"
#include "platform/NSBundle.h"

namespace {

const bool registered = [] {
    NSBundle::registerBundleForClass(ZVPluginClassName, NSBundle::bundleWithPath(ZV_BUNDLE_DIR));
    return true;
}();

} // namespace

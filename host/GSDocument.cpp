#include "host/GSDocument.h"

#include "host/GSWindowController.h"

GSDocument::GSDocument(std::unique_ptr<GSFont> font, std::string displayName)
    : font_(std::move(font)), displayName_(std::move(displayName)) {
    if (font_)
        font_->parent_ = this;
    windowController_ = std::make_unique<GSWindowController>(*this);
}

GSDocument::~GSDocument() {
    // The window goes first: its tabs point into the font.
    windowController_.reset();
    if (font_)
        font_->parent_ = nullptr;
}

GSFontMaster *GSDocument::selectedFontMaster() const {
    return windowController_->selectedFontMaster();
}

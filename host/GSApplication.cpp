#include "host/GSApplication.h"

#include "host/GSFontJSON.h"
#include "host/GSNotifications.h"
#include "host/GSWindowController.h"
#include "platform/NSApplication.h"
#include "platform/NSNotificationCenter.h"

#include <algorithm>
#include <filesystem>

GSApplication &GSApplication::sharedApplication() {
    static GSApplication app;
    return app;
}

std::vector<GSDocument *> GSApplication::fontDocuments() const {
    std::vector<GSDocument *> out;
    out.reserve(documents_.size());
    for (const auto &d : documents_)
        out.push_back(d.get());
    return out;
}

namespace {
void postActivation(GSDocument *document) {
    if (document)
        NSNotificationCenter::defaultCenter().postNotificationName(GSDocumentActivateNotification,
                                                                   document->windowController());
}
} // namespace

void GSApplication::setCurrentFontDocument(GSDocument *document) {
    for (const auto &d : documents_)
        if (d.get() == document && current_ != document) {
            current_ = document;
            postActivation(document);
        }
}

GSDocument *GSApplication::openDocument(std::unique_ptr<GSFont> font, std::string displayName) {
    documents_.push_back(std::make_unique<GSDocument>(std::move(font), std::move(displayName)));
    GSDocument *opened = documents_.back().get();
    current_ = opened;
    NSNotificationCenter::defaultCenter().postNotificationName(GSDocumentWasOpenedNotification,
                                                               opened);
    // An observer may have closed it meanwhile.
    if (current_ == opened)
        postActivation(opened);
    return opened;
}

GSDocument *GSApplication::openDocumentWithContentsOfFile(const std::string &path,
                                                          std::string *error) {
    GSFontReadResult read = readFontJSONFile(path);
    if (!read) {
        if (error)
            *error = read.error;
        return nullptr;
    }
    return openDocument(std::move(read.font), std::filesystem::path(path).stem().string());
}

void GSApplication::closeDocument(GSDocument *document) {
    auto it = std::find_if(documents_.begin(), documents_.end(),
                           [&](const auto &d) { return d.get() == document; });
    if (it == documents_.end())
        return;
#if ZV_HOST_VERSION == 2
    NSNotificationCenter::defaultCenter().postNotificationName(GSDocumentCloseNotification,
                                                               document);
    // An observer may have closed it meanwhile.
    it = std::find_if(documents_.begin(), documents_.end(),
                      [&](const auto &d) { return d.get() == document; });
    if (it == documents_.end())
        return;
#endif
    if (GSFont *font = document->font())
        font->setTempData(nullptr, "ZVData");
    std::unique_ptr<GSDocument> closing = std::move(*it);
    documents_.erase(it);
    const bool wasCurrent = current_ == document;
    if (wasCurrent)
        current_ = documents_.empty() ? nullptr : documents_.back().get();
    closing.reset();
#if ZV_HOST_VERSION == 3
    NSNotificationCenter::defaultCenter().postNotificationName(GSDocumentDidCloseNotification);
#endif
    if (wasCurrent)
        postActivation(current_);
}

void GSApplication::closeAllDocuments() {
    while (!documents_.empty())
        closeDocument(documents_.back().get());
}

void GSApplication::installMainMenu() {
    struct Entry {
        const char *title;
        long tag;
        std::vector<const char *> items;
    };
    static const Entry bar[] = {
        {"Glyphs", 0, {"About Glyphs", "Preferences…"}},
        {"File", 1, {"New", "Open…", "Close"}},
        {"Edit", 2, {"Undo", "Redo"}},
        {"Glyph", 3, {"Add Glyphs…"}},
        {"Path", 4, {"Correct Path Direction"}},
        {"Window", 5, {"Minimize", "Kerning"}},
        {"Filter", 6, {}},
        {"View", 7, {"Show Metrics"}},
        {"Script", 8, {}},
        {"Help", 9, {"Glyphs Help"}},
    };
    auto menu = std::make_shared<NSMenu>("Main Menu");
    for (const Entry &entry : bar) {
        NSMenuItem *item = menu->addItemWithTitle(entry.title);
        item->setTag(entry.tag);
        auto submenu = std::make_shared<NSMenu>(entry.title);
        for (const char *title : entry.items)
            submenu->addItemWithTitle(title);
        item->setSubmenu(std::move(submenu));
    }
    NSApp().mainMenu = std::move(menu);
}

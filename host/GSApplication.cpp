#include "host/GSApplication.h"

#include "host/GSFontJSON.h"

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

void GSApplication::setCurrentFontDocument(GSDocument *document) {
    for (const auto &d : documents_)
        if (d.get() == document)
            current_ = document;
}

GSDocument *GSApplication::openDocument(std::unique_ptr<GSFont> font, std::string displayName) {
    documents_.push_back(std::make_unique<GSDocument>(std::move(font), std::move(displayName)));
    current_ = documents_.back().get();
    return current_;
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
    if (GSFont *font = document->font())
        font->setTempData(nullptr, "ZVData");
    std::unique_ptr<GSDocument> closing = std::move(*it);
    documents_.erase(it);
    if (current_ == document)
        current_ = documents_.empty() ? nullptr : documents_.back().get();
    closing.reset();
}

void GSApplication::closeAllDocuments() {
    while (!documents_.empty())
        closeDocument(documents_.back().get());
}

// The host application as far as the plug-in asks it: the open font documents and the main menu.
#pragma once

#include "host/GSDocument.h"

#include <memory>
#include <string>
#include <vector>

/// The host application: the font documents open in it, in the order they were opened. One per
/// process (sharedApplication); used on the main thread only. Opening a document posts
/// "GSDocumentWasOpenedNotification", bringing one to the front "GSDocumentActivateNotification",
/// closing one the generation's closing notification (GSNotifications.h).
class GSApplication {
  public:
    static GSApplication &sharedApplication();

    /// The open font documents, in the order they were opened.
    std::vector<GSDocument *> fontDocuments() const;
    /// The document whose window is in front: the one opened or made current last; nullptr when
    /// none is open.
    GSDocument *currentFontDocument() const { return current_; }
    /// Brings an open document's window to the front; posts the activation when it was not.
    void setCurrentFontDocument(GSDocument *document);

    /// Opens a font in a new document (in front) under `displayName`: posts the opening, then the
    /// activation.
    GSDocument *openDocument(std::unique_ptr<GSFont> font, std::string displayName);
    /// Opens a JSON font file; its display name is the file name without folder and extension.
    /// nullptr, with the reader's message (naming the file) in `error`, when it cannot be read.
    GSDocument *openDocumentWithContentsOfFile(const std::string &path, std::string *error);
    /// Closes a document: the font's temporary-data objects ("ZVData" first) let go of it, then
    /// the window, then the font. Version 2 posts its closing notification before, version 3
    /// after; the document that comes to the front then is activated. Nothing happens for a
    /// document that is not open.
    void closeDocument(GSDocument *document);
    /// Closes every document, the last opened first.
    void closeAllDocuments();

    /// Makes the application's main menu (NSApp().mainMenu) as the host has it at launch: one
    /// item per menu of the menu bar, each with its submenu; the item with tag 5 is "Window".
    static void installMainMenu();

  private:
    GSApplication() = default;
    std::vector<std::unique_ptr<GSDocument>> documents_;
    GSDocument *current_ = nullptr;
};

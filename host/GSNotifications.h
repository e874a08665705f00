// The names of the notifications the host posts, as each host generation spells them.
#pragma once

#ifndef ZV_HOST_VERSION
#error "ZV_HOST_VERSION (2 or 3) must be defined by the build"
#endif

/// A document's window came to the front (object: its GSWindowController, whose `document` is
/// the document).
inline constexpr const char *GSDocumentActivateNotification = "GSDocumentActivateNotification";
/// A document was opened (object: the GSDocument).
inline constexpr const char *GSDocumentWasOpenedNotification = "GSDocumentWasOpenedNotification";
#if ZV_HOST_VERSION == 2
/// A document is about to close (object: the GSDocument, still open).
inline constexpr const char *GSDocumentCloseNotification = "GSDocumentCloseNotification";
#else
/// A document has closed (no object: the document is gone).
inline constexpr const char *GSDocumentDidCloseNotification = "GSDocumentDidCloseNotification";
#endif
/// The closing notification of this generation.
#if ZV_HOST_VERSION == 2
inline constexpr const char *GSDocumentClosingNotification = GSDocumentCloseNotification;
#else
inline constexpr const char *GSDocumentClosingNotification = GSDocumentDidCloseNotification;
#endif
/// Something the interface shows changed: typing, a cursor move, a selection, another master or
/// tool. Object: version 2 the GSFont; version 3 the document's GSWindowController, whose
/// `representedObject` is the font.
inline constexpr const char *GSUpdateInterface = "GSUpdateInterface";
/// A glyph's undo manager closed a group, undid or redid (object: the manager, NSUndoManager *).
inline constexpr const char *GSUndoNotification = "GSUndoNotification";

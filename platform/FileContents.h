// Whole files: a reader that takes only a regular file read to its end (for the settings and
// bundle files, which anything may stand in place of), and a writer as the frameworks' atomic
// file writing does it, which never leaves a file half written.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zv_files {

/// The bytes of the regular file at `path` (a symbolic link is followed), or nothing when the
/// path names no regular file (nothing there, a folder, a named pipe, a device: none is waited
/// on) or the file cannot be read to its end; `reason` (when given) then says why in the system's
/// words. Never throws but for exhausted memory.
std::optional<std::string> readRegularFile(const std::filesystem::path &path,
                                           std::string *reason = nullptr);

/// Replaces the file at `path` with `bytes`, or creates it: the bytes go to a new file in the
/// same folder, which is flushed to the disk and then renamed over the target, so that the
/// target holds either all of its old bytes or all of the new ones, whenever the process stops.
/// A symbolic link is followed (the file it names is replaced) and an existing file keeps its
/// permissions. On failure the target is as it was, no new file is left behind, and `error`
/// (when given) says why in the system's words: "out.json: cannot be written: No space left on
/// device". Never throws but for exhausted memory.
bool writeFileAtomically(const std::filesystem::path &path, std::string_view bytes,
                         std::string *error);

/// Whether writeFileAtomically could write `path` now: its folder exists and takes a new file,
/// and the path names no folder or other file that is not a regular one, nor a file this process
/// may not write. `error` as for writeFileAtomically. Leaves nothing behind.
bool checkFileCanBeWritten(const std::filesystem::path &path, std::string *error);

} // namespace zv_files

// User defaults: a property-list dictionary kept in memory and, when there is a place for it,
// written to $XDG_CONFIG_HOME/zelvar/UserDefaults.plist at every change. Thread-safe.
#pragma once

#include "platform/PlistValue.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class NSUserDefaults {
  public:
    /// The process's defaults, kept where defaultsFile() says.
    static NSUserDefaults &standardUserDefaults();
    /// Drops the process's defaults; the next standardUserDefaults() reads them afresh from the
    /// place the environment names now (tests point XDG_CONFIG_HOME at a temporary folder).
    static void resetStandardUserDefaults();

    /// The file defaults are kept in: $XDG_CONFIG_HOME/zelvar/UserDefaults.plist when that
    /// variable holds an absolute path, else $HOME/.config/zelvar/UserDefaults.plist when HOME is
    /// set (and not empty), else nothing (the defaults live in memory only).
    static std::optional<std::filesystem::path> defaultsFile(const char *xdgConfigHome,
                                                             const char *home);

    /// Defaults kept in `file` (nothing: in memory only). A file that cannot be read as a
    /// dictionary (also no regular file, such as a folder or a named pipe, which is never waited
    /// on) counts as empty, and is kept aside as `file`.bad before the first write. Never throws.
    explicit NSUserDefaults(std::optional<std::filesystem::path> file);

    /// A copy of the value under `key`, or nothing.
    std::optional<PlistValue> objectForKey(const std::string &key) const;
    /// A copy of the array under `key`, or nothing when it is absent or not an array.
    std::optional<PlistArray> arrayForKey(const std::string &key) const;
    /// The boolean under `key` (a number counts as true when not 0); false when absent.
    bool boolForKey(const std::string &key) const;
    /// Stores a copy of `value` under `key` and writes the file. A null value removes the key.
    void setObject(const PlistValue &value, const std::string &key);
    void setBool(bool value, const std::string &key) { setObject(PlistValue(value), key); }
    /// Removes `key` and writes the file.
    void removeObjectForKey(const std::string &key);

    /// The file the defaults are kept in, if any.
    const std::optional<std::filesystem::path> &file() const { return file_; }
    /// Why the last write failed; empty when it succeeded (the values stay in memory).
    std::string lastWriteError() const;

  private:
    void writeLocked();

    mutable std::mutex mutex_;
    std::optional<std::filesystem::path> file_;
    PlistDictionary values_;
    bool keepBadFile_ = false; // the file on disk could not be read; move it aside first
    std::string writeError_;
};

#include "platform/NSUserDefaults.h"

#include "platform/FileContents.h"
#include "platform/NSPropertyListSerialization.h"

#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::mutex standardMutex;
std::unique_ptr<NSUserDefaults> &standardSlot() {
    static std::unique_ptr<NSUserDefaults> defaults;
    return defaults;
}

} // namespace

NSUserDefaults &NSUserDefaults::standardUserDefaults() {
    std::lock_guard lock(standardMutex);
    auto &slot = standardSlot();
    if (!slot)
        slot = std::make_unique<NSUserDefaults>(
            defaultsFile(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")));
    return *slot;
}

void NSUserDefaults::resetStandardUserDefaults() {
    std::lock_guard lock(standardMutex);
    standardSlot().reset();
}

std::optional<fs::path> NSUserDefaults::defaultsFile(const char *xdgConfigHome, const char *home) {
    fs::path folder;
    if (xdgConfigHome && fs::path(xdgConfigHome).is_absolute())
        folder = fs::path(xdgConfigHome);
    else if (home && *home)
        folder = fs::path(home) / ".config";
    else
        return std::nullopt;
    return folder / "zelvar" / "UserDefaults.plist";
}

NSUserDefaults::NSUserDefaults(std::optional<fs::path> file) : file_(std::move(file)) {
    if (!file_)
        return;
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(*file_, ec)))
        return;
    // What is no regular file, or cannot be read to its end, counts as broken: empty, and kept
    // aside before the first write.
    const std::optional<std::string> text = zv_files::readRegularFile(*file_);
    const std::optional<PlistValue> plist =
        text ? NSPropertyListSerialization::propertyListWithData(*text) : std::nullopt;
    if (plist && plist->asDictionary())
        values_ = *plist->asDictionary();
    else
        keepBadFile_ = true;
}

std::optional<PlistValue> NSUserDefaults::objectForKey(const std::string &key) const {
    std::lock_guard lock(mutex_);
    const PlistValue *v = values_.objectForKey(key);
    if (!v)
        return std::nullopt;
    return v->deepCopy();
}

std::optional<PlistArray> NSUserDefaults::arrayForKey(const std::string &key) const {
    std::lock_guard lock(mutex_);
    const PlistValue *v = values_.objectForKey(key);
    if (!v || !v->asArray())
        return std::nullopt;
    return *v->deepCopy().asArray();
}

bool NSUserDefaults::boolForKey(const std::string &key) const {
    std::lock_guard lock(mutex_);
    const PlistValue *v = values_.objectForKey(key);
    double number = 0;
    if (!v)
        return false;
    if (const bool *b = v->asBool())
        return *b;
    return v->numberValue(number) && number != 0;
}

void NSUserDefaults::setObject(const PlistValue &value, const std::string &key) {
    std::lock_guard lock(mutex_);
    if (value.isNull())
        values_.removeObjectForKey(key);
    else
        values_.setObject(value.deepCopy(), key);
    writeLocked();
}

void NSUserDefaults::removeObjectForKey(const std::string &key) {
    std::lock_guard lock(mutex_);
    values_.removeObjectForKey(key);
    writeLocked();
}

std::string NSUserDefaults::lastWriteError() const {
    std::lock_guard lock(mutex_);
    return writeError_;
}

// Writes the whole dictionary to a temporary file beside the defaults file and renames it over
// that file, so a reader never sees half a file.
void NSUserDefaults::writeLocked() {
    if (!file_)
        return;
    std::error_code ec;
    fs::create_directories(file_->parent_path(), ec);
    if (keepBadFile_) {
        fs::path aside = *file_;
        aside += ".bad";
        fs::rename(*file_, aside, ec);
        if (ec && fs::exists(*file_)) {
            writeError_ =
                "cannot keep the unreadable " + file_->string() + " aside: " + ec.message();
            return; // never overwrite what could not be read and not be saved
        }
        keepBadFile_ = false;
    }
    const std::string text =
        NSPropertyListSerialization::dataWithPropertyList(PlistValue(PlistDictionary(values_)));
    if (zv_files::writeFileAtomically(*file_, text, &writeError_))
        writeError_.clear();
}

#include "platform/NSBundle.h"

#include "platform/FileContents.h"
#include "platform/NSPropertyListSerialization.h"

#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::mutex registryMutex;
std::map<std::string, std::shared_ptr<const NSBundle>> &registry() {
    static std::map<std::string, std::shared_ptr<const NSBundle>> bundles;
    return bundles;
}

bool isRegularFile(const fs::path &p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

} // namespace

std::shared_ptr<const NSBundle> NSBundle::bundleWithPath(const std::string &path) {
    std::error_code ec;
    if (path.empty() || !fs::is_directory(path, ec))
        return nullptr;
    PlistDictionary info;
    const fs::path infoFile = fs::path(path) / "Contents" / "Info.plist";
    if (fs::exists(fs::symlink_status(infoFile, ec))) {
        // Something there that is no regular file, or cannot be read, makes no bundle.
        const std::optional<std::string> text = zv_files::readRegularFile(infoFile);
        if (!text)
            return nullptr;
        if (auto plist = NSPropertyListSerialization::propertyListWithData(*text))
            if (const PlistDictionary *d = plist->asDictionary())
                info = *d;
    }
    return std::make_shared<const NSBundle>(path, std::move(info));
}

void NSBundle::registerBundleForClass(const std::string &className,
                                      std::shared_ptr<const NSBundle> bundle) {
    std::lock_guard lock(registryMutex);
    if (bundle)
        registry()[className] = std::move(bundle);
    else
        registry().erase(className);
}

std::shared_ptr<const NSBundle> NSBundle::bundleForClass(const std::string &className) {
    std::lock_guard lock(registryMutex);
    auto it = registry().find(className);
    return it == registry().end() ? nullptr : it->second;
}

std::string NSBundle::resourcePath() const {
    return (fs::path(path_) / "Contents" / "Resources").string();
}

std::optional<std::string> NSBundle::pathForResource(const std::string &name,
                                                     const std::string &type) const {
    // A resource is a file directly in the resource folder: no separators, no "." or "..".
    const std::string file = type.empty() ? name : name + "." + type;
    if (name.empty() || file == "." || file == ".." || file.find('/') != std::string::npos ||
        file.find('\0') != std::string::npos)
        return std::nullopt;
    const fs::path p = fs::path(resourcePath()) / file;
    if (!isRegularFile(p))
        return std::nullopt;
    return p.string();
}

std::shared_ptr<NSImage> NSBundle::imageForResource(const std::string &name) const {
    for (const char *type : {"png", "tiff", "tif", "jpg", "jpeg"})
        if (auto path = pathForResource(name, type))
            return std::make_shared<NSImage>(*path);
    return nullptr;
}

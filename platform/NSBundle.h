// A bundle: a folder with Contents/Info.plist and Contents/Resources, as the plug-in ships.
#pragma once

#include "platform/NSImage.h"
#include "platform/PlistValue.h"

#include <memory>
#include <optional>
#include <string>

class NSBundle {
  public:
    /// The bundle at the folder `path`, or nullptr when there is no folder there. Its
    /// Contents/Info.plist is read now: a missing one, or one that is no property-list
    /// dictionary, gives an empty dictionary; one that is no regular file (a folder, a named
    /// pipe) or cannot be read to its end gives no bundle.
    static std::shared_ptr<const NSBundle> bundleWithPath(const std::string &path);

    /// Records `bundle` as the one that holds the class named `className` (the application does
    /// this as it loads a plug-in; a headless command for the bundle it runs with). A null bundle
    /// forgets the class.
    static void registerBundleForClass(const std::string &className,
                                       std::shared_ptr<const NSBundle> bundle);
    /// The bundle registered for `className`, or nullptr.
    static std::shared_ptr<const NSBundle> bundleForClass(const std::string &className);

    /// The bundle's folder.
    const std::string &bundlePath() const { return path_; }
    /// The keys of Contents/Info.plist.
    const PlistDictionary &infoDictionary() const { return info_; }
    /// The value of Info.plist's `key`, or nullptr.
    const PlistValue *objectForInfoDictionaryKey(const std::string &key) const {
        return info_.objectForKey(key);
    }
    /// The folder of its resources (Contents/Resources).
    std::string resourcePath() const;
    /// The path of the resource file `name`.`type` (`name` alone when `type` is empty), or nothing
    /// when the bundle has no such file. Names that would leave the resource folder find nothing.
    std::optional<std::string> pathForResource(const std::string &name,
                                               const std::string &type) const;
    /// The image resource `name` (a PNG, TIFF or JPEG file of that name), or nullptr.
    std::shared_ptr<NSImage> imageForResource(const std::string &name) const;

    NSBundle(std::string path, PlistDictionary info)
        : path_(std::move(path)), info_(std::move(info)) {}

  private:
    std::string path_;
    PlistDictionary info_;
};

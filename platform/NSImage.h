// An image resource. Nothing here draws, so an image is its file: it keeps the path it was made
// from, and nothing decodes it.
#pragma once

#include <filesystem>
#include <string>

class NSImage {
  public:
    /// An image of the file at `path` (not opened).
    explicit NSImage(std::string path) : path_(std::move(path)) {}
    /// The file the image was made from.
    const std::string &path() const { return path_; }
    /// The resource name: the file's name without its extension ("ZV-logo").
    std::string name() const { return std::filesystem::path(path_).stem().string(); }

  private:
    std::string path_;
};

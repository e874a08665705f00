// An image resource. Nothing here draws, so an image is its file: it keeps the path it was made
// from, and nothing decodes it.
#pragma once

#include <memory>
#include <string>

class NSImage {
  public:
    /// An image of the file at `path` (not opened).
    explicit NSImage(std::string path) : path_(std::move(path)) {}
    /// The file the image was made from.
    const std::string &path() const { return path_; }

  private:
    std::string path_;
};

// URLs as the system loads and opens them.
#pragma once

#include <optional>
#include <string>

class NSURL {
  public:
    /// The URL of `text` when it is a well-formed http, https or file URL (an http or https URL
    /// names a host); nothing for any other scheme or malformed text.
    static std::optional<NSURL> URLWithString(const std::string &text);

    /// The text the URL was made from.
    const std::string &absoluteString() const { return text_; }
    /// The scheme in lower case: "http", "https" or "file".
    const std::string &scheme() const { return scheme_; }
    bool isFileURL() const { return scheme_ == "file"; }
    /// Whether the URL is http or https (a web page).
    bool isWebURL() const { return scheme_ == "http" || scheme_ == "https"; }

  private:
    NSURL(std::string text, std::string scheme)
        : text_(std::move(text)), scheme_(std::move(scheme)) {}
    std::string text_;
    std::string scheme_;
};

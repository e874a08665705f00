#include "platform/NSURL.h"

#include "platform/URLLoading.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>

std::optional<NSURL> NSURL::URLWithString(const std::string &text) {
    zv_url_loading::initialise();
    // Blanks and control characters make no URL, whatever a lenient parser would make of them.
    if (text.empty() || std::any_of(text.begin(), text.end(), [](char c) {
            return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F;
        }))
        return std::nullopt;
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> url(curl_url(), curl_url_cleanup);
    if (!url || curl_url_set(url.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK)
        return std::nullopt;
    char *part = nullptr;
    if (curl_url_get(url.get(), CURLUPART_SCHEME, &part, 0) != CURLUE_OK)
        return std::nullopt;
    std::string scheme(part);
    curl_free(part);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (scheme != "http" && scheme != "https" && scheme != "file")
        return std::nullopt;
    if (scheme != "file") {
        // A web address names its host right after "//" (a lenient parser would take the path).
        const std::size_t slashes = scheme.size() + 1;
        if (text.compare(slashes, 2, "//") != 0 || text.size() <= slashes + 2 ||
            text[slashes + 2] == '/')
            return std::nullopt;
        part = nullptr;
        const CURLUcode hostCode = curl_url_get(url.get(), CURLUPART_HOST, &part, 0);
        const bool hasHost = hostCode == CURLUE_OK && part && *part;
        curl_free(part);
        if (!hasHost)
            return std::nullopt;
    }
    return NSURL(text, scheme);
}

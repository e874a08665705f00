// Text with the attributes the windows use: bold and italic type, and links.
#pragma once

#include <string>
#include <vector>

/// Text as runs, each with its own attributes; the plain text is the runs joined.
struct NSAttributedString {
    struct Run {
        std::string text;
        bool bold = false;
        bool italic = false;
        std::string link; ///< the address the run links to ("" for none)
        bool operator==(const Run &) const = default;
    };
    std::vector<Run> runs;

    NSAttributedString() = default;
    /// Plain text without attributes.
    explicit NSAttributedString(std::string text) {
        if (!text.empty())
            runs.push_back(Run{std::move(text), false, false, {}});
    }
    /// The plain text.
    std::string string() const {
        std::string s;
        for (const Run &r : runs)
            s += r.text;
        return s;
    }
    /// Appends a run.
    void append(Run run) { runs.push_back(std::move(run)); }
    bool operator==(const NSAttributedString &) const = default;
};

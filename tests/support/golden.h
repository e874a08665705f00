// Golden text files for tests: compare a text with a file under tests/, print a unified diff when
// they differ, and rewrite the file instead when ZV_UPDATE_GOLDEN=1 is set.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifndef ZV_TESTS_DIR
#error "ZV_TESTS_DIR (the tests folder) must be defined by the build"
#endif

namespace zvtesting {

inline std::vector<std::string> splitLines(const std::string &text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

/// The unified diff turning `from` into `to` with `context` lines around each change ("" when
/// they are equal). Texts too large for the table of common lines become one replacing hunk.
inline std::string unifiedDiff(const std::string &from, const std::string &to,
                               const std::string &fromName, const std::string &toName,
                               std::size_t context = 3) {
    if (from == to)
        return {};
    const std::vector<std::string> a = splitLines(from), b = splitLines(to);
    const std::size_t n = a.size(), m = b.size();
    // ops: ' ' kept, '-' only in a, '+' only in b, with the line's index in its text.
    struct Op {
        char kind;
        std::size_t line;
    };
    std::vector<Op> ops;
    if (n * m <= 16u * 1024 * 1024) {
        // common[i][j]: length of the longest common subsequence of a[i..] and b[j..].
        std::vector<std::vector<unsigned>> common(n + 1, std::vector<unsigned>(m + 1, 0));
        for (std::size_t i = n; i-- > 0;)
            for (std::size_t j = m; j-- > 0;)
                common[i][j] = a[i] == b[j] ? common[i + 1][j + 1] + 1
                                            : std::max(common[i + 1][j], common[i][j + 1]);
        std::size_t i = 0, j = 0;
        while (i < n || j < m) {
            if (i < n && j < m && a[i] == b[j]) {
                ops.push_back({' ', i++});
                ++j;
            } else if (i < n && (j == m || common[i + 1][j] >= common[i][j + 1])) {
                ops.push_back({'-', i++});
            } else {
                ops.push_back({'+', j++});
            }
        }
    } else {
        for (std::size_t i = 0; i < n; ++i)
            ops.push_back({'-', i});
        for (std::size_t j = 0; j < m; ++j)
            ops.push_back({'+', j});
    }

    std::ostringstream out;
    out << "--- " << fromName << "\n+++ " << toName << "\n";
    std::size_t k = 0;
    while (k < ops.size()) {
        if (ops[k].kind == ' ') {
            ++k;
            continue;
        }
        // A hunk: from `context` kept lines before this change to `context` after the last
        // change that follows within 2 × context kept lines.
        const std::size_t begin = k >= context ? k - context : 0;
        std::size_t end = k;
        std::size_t kept = 0;
        for (std::size_t q = k; q < ops.size(); ++q) {
            if (ops[q].kind == ' ') {
                if (++kept > 2 * context)
                    break;
            } else {
                kept = 0;
                end = q;
            }
        }
        const std::size_t stop = std::min(ops.size(), end + 1 + context);
        // Line numbers (1-based) where the hunk starts in each text, and its length there.
        std::size_t aStart = 0, bStart = 0, aLen = 0, bLen = 0;
        for (std::size_t q = 0; q < begin; ++q) {
            aStart += ops[q].kind != '+';
            bStart += ops[q].kind != '-';
        }
        for (std::size_t q = begin; q < stop; ++q) {
            aLen += ops[q].kind != '+';
            bLen += ops[q].kind != '-';
        }
        out << "@@ -" << (aLen ? aStart + 1 : aStart) << "," << aLen << " +"
            << (bLen ? bStart + 1 : bStart) << "," << bLen << " @@\n";
        for (std::size_t q = begin; q < stop; ++q)
            out << ops[q].kind << (ops[q].kind == '+' ? b[ops[q].line] : a[ops[q].line]) << "\n";
        k = stop;
    }
    return out.str();
}

/// Whether `actual` equals the golden file `relativePath` (under tests/); on a mismatch the
/// message holds the unified diff from the file to `actual`. With ZV_UPDATE_GOLDEN=1 in the
/// environment the file is rewritten with `actual` instead.
inline ::testing::AssertionResult matchesGolden(const std::string &actual,
                                                const std::string &relativePath) {
    const std::filesystem::path path = std::filesystem::path(ZV_TESTS_DIR) / relativePath;
    const char *update = std::getenv("ZV_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << actual;
        return ::testing::AssertionSuccess() << "rewrote " << path.string();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return ::testing::AssertionFailure()
               << "no golden file " << path.string()
               << " (run the test with ZV_UPDATE_GOLDEN=1 to write it); the text is:\n"
               << actual;
    std::ostringstream expected;
    expected << in.rdbuf();
    if (expected.str() == actual)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "the text differs from " << path.string() << " (ZV_UPDATE_GOLDEN=1 rewrites it):\n"
           << unifiedDiff(expected.str(), actual, relativePath, "actual");
}

} // namespace zvtesting

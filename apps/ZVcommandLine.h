// The command line of the headless programs: their options, each with one line of help, and what
// every program answers alike (--help and -h, --version, a mistake in the options, a font file that
// is OpenType or TrueType rather than JSON).
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class ZVcommandLine {
  public:
    /// `program` as it names itself, `summary` one sentence of what it does (for --help), and
    /// `version` what --version prints (asked only after the whole line was read, so that an
    /// option such as --bundle may come before or after it).
    ZVcommandLine(std::string program, std::string summary, std::function<std::string()> version);

    /// An option without a value: `given` becomes true when it is on the line.
    void flag(std::string name, std::string help, bool &given);
    /// An option with a value (`--name VALUE`): the value lands in `value`.
    void option(std::string name, std::string valueName, std::string help, std::string &value);
    /// A word that is not an option, in the order of the calls; each may be left out.
    void argument(std::string valueName, std::string help, std::string &value);
    /// The argument FONT.json, the sample family unless given.
    void fontArgument(std::string &path);
    /// --bundle DIR, the plug-in bundle to run with.
    void bundleOption(std::string &path);

    /// Reads the line. Nothing when the program goes on; else the exit status it ends with: 0
    /// after --help or --version (printed to `out`), 2 after a mistake (said on `err` with the
    /// usage line and a pointer to --help).
    std::optional<int> parse(int argc, const char *const *argv, std::FILE *out = stdout,
                             std::FILE *err = stderr) const;

    /// Whether the font at `path` is refused before it is read: an OpenType or TrueType file,
    /// said on `err` with the importer's command line (see ZVfontFileNotJSON).
    bool refusesFont(const std::string &path, std::FILE *err = stderr) const;

    /// "usage: PROGRAM [ARG] [options]".
    std::string usage() const;
    /// What --help prints: the usage, the summary, then every argument and option on a line.
    std::string help() const;

  private:
    struct Entry {
        std::string name, valueName, help;
        bool *flag = nullptr;
        std::string *value = nullptr;
    };
    std::string program_, summary_;
    std::function<std::string()> version_;
    std::vector<Entry> options_, arguments_;
};

/// The plug-in's version as --version prints it ("Zelvar 0.1 (build 100)"), read from the bundle
/// at `bundlePath`; says so when the bundle has none.
std::string ZVpluginVersionText(const std::string &bundlePath);

/// Why the file at `path` cannot be a JSON font although it is a font: an OpenType or TrueType
/// file, answered with the importer's command line that turns it into one. Nothing for any other
/// file (the JSON reader then says what is wrong with it).
std::optional<std::string> ZVfontFileNotJSON(const std::string &path);

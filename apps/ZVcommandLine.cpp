#include "ZVcommandLine.h"

#include "platform/NSBundle.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>

ZVcommandLine::ZVcommandLine(std::string program, std::string summary,
                             std::function<std::string()> version)
    : program_(std::move(program)), summary_(std::move(summary)), version_(std::move(version)) {}

void ZVcommandLine::flag(std::string name, std::string help, bool &given) {
    options_.push_back({std::move(name), "", std::move(help), &given, nullptr});
}

void ZVcommandLine::option(std::string name, std::string valueName, std::string help,
                           std::string &value) {
    options_.push_back({std::move(name), std::move(valueName), std::move(help), nullptr, &value});
}

void ZVcommandLine::argument(std::string valueName, std::string help, std::string &value) {
    arguments_.push_back({"", std::move(valueName), std::move(help), nullptr, &value});
}

void ZVcommandLine::fontArgument(std::string &path) {
    argument("FONT.json", "the JSON font (default: the sample family samples/Lato.json)", path);
}

void ZVcommandLine::bundleOption(std::string &path) {
    option("--bundle", "DIR", "runs with the plug-in bundle DIR (default: the build's)", path);
}

bool ZVcommandLine::refusesFont(const std::string &path, std::FILE *err) const {
    const std::optional<std::string> why = ZVfontFileNotJSON(path);
    if (why)
        std::fprintf(err, "%s: %s\n", program_.c_str(), why->c_str());
    return why.has_value();
}

std::string ZVcommandLine::usage() const {
    std::string text = "usage: " + program_;
    for (const Entry &a : arguments_)
        text += " [" + a.valueName + "]";
    return text + " [options]";
}

std::string ZVcommandLine::help() const {
    std::vector<std::pair<std::string, std::string>> lines;
    for (const Entry &a : arguments_)
        lines.emplace_back(a.valueName, a.help);
    for (const Entry &o : options_)
        lines.emplace_back(o.valueName.empty() ? o.name : o.name + " " + o.valueName, o.help);
    lines.emplace_back("-h, --help", "prints this and ends");
    lines.emplace_back("--version", "prints the plug-in's version and ends");
    std::size_t width = 0;
    for (const auto &[left, right] : lines)
        width = std::max(width, left.size());
    std::string text = usage() + "\n\n" + summary_ + "\n\n";
    for (const auto &[left, right] : lines)
        text += "  " + left + std::string(width - left.size() + 2, ' ') + right + "\n";
    return text;
}

std::optional<int> ZVcommandLine::parse(int argc, const char *const *argv, std::FILE *out,
                                        std::FILE *err) const {
    bool helpAsked = false, versionAsked = false;
    std::optional<std::string> mistake;
    std::size_t nextArgument = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            helpAsked = true;
            continue;
        }
        if (a == "--version") {
            versionAsked = true;
            continue;
        }
        const auto o = std::find_if(options_.begin(), options_.end(),
                                    [&](const Entry &e) { return e.name == a; });
        if (o != options_.end()) {
            if (o->flag) {
                *o->flag = true;
            } else if (i + 1 < argc) {
                *o->value = argv[++i];
            } else if (!mistake) {
                mistake = a + " needs " + o->valueName;
            }
        } else if (!a.empty() && a[0] != '-') {
            if (nextArgument < arguments_.size())
                *arguments_[nextArgument++].value = a;
            else if (!mistake)
                mistake = "\"" + a + "\" is one word too many";
        } else if (!mistake) {
            mistake = "unknown option \"" + a + "\"";
        }
    }
    if (helpAsked) {
        std::fputs(help().c_str(), out);
        return 0;
    }
    if (mistake) {
        std::fprintf(err, "%s: %s\n%s\n(%s --help lists the options)\n", program_.c_str(),
                     mistake->c_str(), usage().c_str(), program_.c_str());
        return 2;
    }
    if (versionAsked) {
        std::fprintf(out, "%s\n", version_ ? version_().c_str() : "Zelvar");
        return 0;
    }
    return std::nullopt;
}

std::string ZVpluginVersionText(const std::string &bundlePath) {
    const std::shared_ptr<const NSBundle> bundle = NSBundle::bundleWithPath(bundlePath);
    auto key = [&](const char *name) -> std::string {
        const PlistValue *v = bundle ? bundle->objectForInfoDictionaryKey(name) : nullptr;
        return v && v->asString() ? *v->asString() : std::string();
    };
    const std::string version = key("CFBundleShortVersionString"), build = key("CFBundleVersion");
    if (version.empty())
        return "Zelvar (the plug-in bundle " + bundlePath + " names no version)";
    return "Zelvar " + version + (build.empty() ? "" : " (build " + build + ")");
}

std::optional<std::string> ZVfontFileNotJSON(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::array<char, 4> tag{};
    if (!in.read(tag.data(), tag.size()))
        return std::nullopt;
    const char *kind = nullptr;
    if (std::memcmp(tag.data(), "OTTO", 4) == 0)
        kind = "an OpenType font";
    else if (std::memcmp(tag.data(), "\0\1\0\0", 4) == 0 || std::memcmp(tag.data(), "true", 4) == 0)
        kind = "a TrueType font";
    if (!kind)
        return std::nullopt;
    const std::string stem = std::filesystem::path(path).stem().string();
    return path + " is " + kind + ", not a JSON font: import it first (one file per master, in " +
           "master order) with\n  " + ZV_TOOLS_DIR + "/import_font.py -o " + stem + ".json " +
           path + "\nand name the JSON font here.";
}

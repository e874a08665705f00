// A designer at work with the plug-in's window, played from a script (see ZVdesigner.h for its
// gestures): the font (the sample family by default) is opened as a document, the plug-in is
// loaded into the host, and each step is printed with its heading, its time and, where the script
// asks, the window as text. Without --script the default run erases the font's kerning and kerns
// it from ten pairs that need none; with --reuse it re-works the existing kerning instead.
// --help lists the options.
#include "ZVcommandLine.h"
#include "ZVdesigner.h"

#include "bridge/ZVResources.h"
#include "host/GSApplication.h"
#include "host/GSFontJSON.h"
#include "platform/NSBundle.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

int main(int argc, char **argv) {
    std::string fontPath = std::string(ZV_SAMPLES_DIR) + "/Lato.json";
    std::string bundlePath = ZV_BUNDLE_DIR;
    std::string scriptPath;
    bool reuse = false;
    ZVcommandLine line("zelvar_designer",
                       "Plays a designer using the plug-in's window on a JSON font, from a script "
                       "of gestures (the gestures are listed in apps/ZVdesigner.h), and prints each "
                       "step and, where the script says dump, the window as text.",
                       [&] { return ZVpluginVersionText(bundlePath); });
    line.fontArgument(fontPath);
    line.option("--script", "FILE",
                "plays the script FILE (default: erase the kerning, start from ten pairs, edit "
                "models, then finalize)",
                scriptPath);
    line.flag("--reuse", "the default script keeps the font's kerning and re-works it instead",
              reuse);
    line.bundleOption(bundlePath);
    if (const std::optional<int> status = line.parse(argc, argv))
        return *status;
    if (line.refusesFont(fontPath))
        return 1;
    std::string script;
    if (scriptPath.empty()) {
        script = ZVdesigner::defaultScript(reuse) + ZVdesigner::finishingScript();
    } else {
        std::ifstream in(scriptPath);
        if (!in) {
            std::fprintf(stderr, "zelvar_designer: cannot read the script %s\n", scriptPath.c_str());
            return 1;
        }
        std::ostringstream text;
        text << in.rdbuf();
        script = text.str();
    }

    NSBundle::registerBundleForClass(ZVPluginClassName, NSBundle::bundleWithPath(bundlePath));
    GSApplication::installMainMenu();
    GSApplication &app = GSApplication::sharedApplication();
    ZVprogress progress(stderr);
    progress.line("Opening " + fontPath);
    std::string error;
    GSDocument *document = app.openDocumentWithContentsOfFile(fontPath, &error);
    if (!document) {
        std::fprintf(stderr, "zelvar_designer: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %zu glyphs, %zu masters; %u cores\n", document->displayName().c_str(),
                document->font()->glyphs().size(), document->font()->fontMasters().size(),
                std::thread::hardware_concurrency());

    ZVdesignerOptions options;
    options.progress = &progress;
    options.openCopy = [&](const std::string &name) -> GSDocument * {
        GSFontReadResult read = readFontJSONFile(fontPath);
        if (!read)
            throw std::runtime_error(read.error);
        return app.openDocument(std::move(read.font), name);
    };
    ZVdesigner designer(*document, std::cout, options);
    const bool ok = designer.run(script, &error);
    std::cout.flush();
    if (!ok) {
        std::fprintf(stderr, "zelvar_designer: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

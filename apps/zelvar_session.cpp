// A designer's session without the plug-in's window: the font is opened as a document, the
// plug-in's bridge builds the engine and starts every master as the activation does, every master
// then shows all frequent pairs, which the engine kerns and the bridge writes into the font with
// the plug-in's stored state. --write saves the font; --round-trip also opens the saved font
// again, runs the session on it and says whether it gives back the same state. Progress goes to
// standard error; alerts are answered with their last button (the one that changes nothing) and
// printed. --help lists the options.
#include "ZVcommandLine.h"
#include "ZVsession.h"

#include "bridge/ZVResources.h"
#include "host/GSApplication.h"
#include "host/GSFontJSON.h"
#include "platform/NSAlert.h"
#include "platform/NSBundle.h"

#include <chrono>
#include <filesystem>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

#include <unistd.h>

namespace {

struct Run {
    ZVstoredState state;
    bool ok = false;
};

// One session on an open document: activation, start-up, every master kerned and reported.
Run runSession(GSDocument &document, const ZVsessionOptions &options, ZVprogress &progress) {
    Run run;
    ZVsession session(document, options);
    if (const std::optional<std::string> message = session.activate()) {
        std::fprintf(stderr, "zelvar_session: %s: %s\n", document.displayName().c_str(),
                     message->c_str());
        return run;
    }
    const ZVfontMM &mm = *session.bridge()->get_zvfont();
    std::printf("%s: %zu glyphs, %zu masters, %zu frequent pairs; %s\n",
                session.font().familyName().c_str(), mm.glyphsinfo.size(), mm.masters.size(),
                session.frequentPairCount(),
                session.road() == "re-work"  ? "re-working its existing kerning"
                : session.road() == "pairs" ? "kerned from pairs that need no kerning"
                                            : "set up earlier: started from its stored state");
    for (const ZVemptiedOutline &e : session.bridge()->emptiedOutlines()) {
        const GSFontMaster *m = session.font().fontMasterForId(e.master_id);
        std::printf("Left out (measured as an empty glyph, never kerned): %s in %s: %s\n",
                    e.glyph_name.c_str(), m ? m->name().c_str() : e.master_id.c_str(),
                    e.reason.c_str());
    }
    if (!session.waitForStartUp(std::chrono::hours(24))) {
        std::fprintf(stderr, "zelvar_session: the masters did not start\n");
        return run;
    }
    progress.line("Every master started in " +
                  std::to_string(static_cast<long>(session.startUpMs() / 1000 + 0.5)) + " s");
    session.kernEveryMaster();
    session.report(stdout);
    std::printf("\nStart-up of all masters %s: %.0f ms (%u cores)\n",
                options.serial ? "one by one" : "in parallel", session.startUpMs(),
                std::thread::hardware_concurrency());
    std::fflush(stdout);
    run.state = storedState(session.font());
    run.ok = true;
    return run;
}

} // namespace

int main(int argc, char **argv) {
    std::string fontPath = std::string(ZV_SAMPLES_DIR) + "/Lato.json";
    std::string bundlePath = ZV_BUNDLE_DIR;
    std::string out;
    bool roundTrip = false;
    ZVsessionOptions options;
    ZVcommandLine line("zelvar_session",
                       "Kerns every master of a JSON font as the plug-in does, without its window, "
                       "and prints per master its models, messages and kerning.",
                       [&] { return ZVpluginVersionText(bundlePath); });
    line.fontArgument(fontPath);
    line.option("--write", "OUT.json", "saves the kerned font with the plug-in's state to OUT.json",
                out);
    line.flag("--round-trip",
              "then opens the saved font (OUT.json, else a temporary file) again, runs the session "
              "on it and compares the state it gives back (exit status 1 when it differs)",
              roundTrip);
    line.flag("--serial", "starts the masters one at a time (else on worker threads)",
              options.serial);
    line.option("--pairs", "TEXT",
                "pairs that need no kerning, at least 10, for a font without kerning (glyph names "
                "written /name)",
                options.pairs);
    line.bundleOption(bundlePath);
    if (const std::optional<int> status = line.parse(argc, argv))
        return *status;
    if (line.refusesFont(fontPath))
        return 1;
    // The round trip without --write goes through a file of its own, removed at the end.
    std::optional<std::filesystem::path> scratch;
    if (roundTrip && out.empty()) {
        scratch = std::filesystem::temp_directory_path() /
                  ("zelvar_session-" + std::to_string(::getpid()) + ".json");
        out = scratch->string();
    }
    std::string error;
    // A place the font cannot be saved to is said now, not after every master has started.
    if (!out.empty() && !canWriteFontJSONFile(out, &error)) {
        std::fprintf(stderr, "zelvar_session: %s\n", error.c_str());
        return 1;
    }
    struct Remove {
        const std::optional<std::filesystem::path> &path;
        ~Remove() {
            std::error_code ignored;
            if (path)
                std::filesystem::remove(*path, ignored);
        }
    } removeScratch{scratch};
    NSBundle::registerBundleForClass(ZVPluginClassName, NSBundle::bundleWithPath(bundlePath));
    NSAlertScript::answerLastButton(&std::cout);
    ZVprogress progress(stderr);
    options.progress = &progress;
    GSApplication &app = GSApplication::sharedApplication();

    progress.line("Opening " + fontPath);
    GSDocument *document = app.openDocumentWithContentsOfFile(fontPath, &error);
    if (!document) {
        std::fprintf(stderr, "zelvar_session: %s\n", error.c_str());
        return 1;
    }
    const Run first = runSession(*document, options, progress);
    if (!first.ok)
        return 1;
    if (out.empty())
        return 0;
    if (!writeFontJSONFile(*document->font(), out, &error)) {
        std::fprintf(stderr, "zelvar_session: %s\n", error.c_str());
        return 1;
    }
    if (!scratch)
        std::printf("\nKerning and the plug-in's state written to %s\n", out.c_str());
    if (!roundTrip)
        return 0;
    app.closeDocument(document);

    std::printf("\nOpening %s again and running the session on it\n\n",
                scratch ? "the saved font" : out.c_str());
    progress.line("Opening " + out);
    GSDocument *reopened = app.openDocumentWithContentsOfFile(out, &error);
    if (!reopened) {
        std::fprintf(stderr, "zelvar_session: %s\n", error.c_str());
        return 1;
    }
    const Run second = runSession(*reopened, options, progress);
    if (!second.ok)
        return 1;
    const std::vector<std::string> differences = storedStateDifferences(first.state, second.state);
    if (differences.empty()) {
        std::printf("\nReopened: the same models, independent pairs, user-set autopairs and "
                    "written kerning in every master, the same groups and version.\n");
        return 0;
    }
    std::printf("\nReopened: differs in");
    for (const std::string &d : differences)
        std::printf(" [%s]", d.c_str());
    std::printf("\n");
    return 1;
}

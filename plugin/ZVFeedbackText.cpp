#include "plugin/ZVFeedbackText.h"

#include "plugin/ZVText.h"

std::string ZVfeedbackText(const ZVfeedback &f, const ZVDataFromGlyphs &bridge,
                           const std::optional<std::vector<std::string>> &autokernedFrom) {
    const std::size_t n = f.pairs.size();
    auto pairText = [&](std::size_t i) {
        return i < n ? bridge.safeStringForPair(&f.pairs[i].indices) : std::string();
    };
    const std::string a = pairText(0), b = pairText(1), c = pairText(2);
    const std::string document =
        autokernedFrom && autokernedFrom->size() > 0 ? (*autokernedFrom)[0] : std::string();
    const std::string master =
        autokernedFrom && autokernedFrom->size() > 1 ? (*autokernedFrom)[1] : std::string();

    switch (f.type) {
    case ZVfeedback::too_few_unkerned_pairs:
        return "Please type at least 10 pairs\nthat do NOT need kerning.";
    case ZVfeedback::starting_up:
        return "Starting up ...";
    case ZVfeedback::linked_metrics:
        return "This master has linked metrics.";
    case ZVfeedback::autokerned_from_this_font:
        if (document.empty())
            return fillIn("This master is autokerned from %@.", {master});
        if (master.empty())
            return fillIn("This master is autokerned from %@.", {document});
        return fillIn("This master is autokerned from %@ (%@).", {document, master});
    case ZVfeedback::autokerned_from_other_font:
        if (!bridge.openedFontWithFileName(document))
            return fillIn("To autokern this master, please open %@. Note: you can use the (···) "
                          "menu to change the autokerning source.",
                          {document});
        return fillIn("Couldn’t find %@ to autokern this master. Note: you can use the (···) menu "
                      "to change the autokerning source.",
                      {master});
    case ZVfeedback::interpolated:
        return "The kerning for this master will be interpolated.";
    case ZVfeedback::no_models:
        return "Autokerning not active.\nPlease set some models.";
    case ZVfeedback::suggested_model:
        return fillIn("Suggested model:\n%@", {a});
    case ZVfeedback::tighter_than:
        // Pair 0 is the pair the message is about; a non-zero flag makes it the tighter one.
        if (f.pair_is_too_tight != 0) {
            if (n == 2)
                return fillIn("%@ seems tighter than %@.", {a, b});
            if (n == 3)
                return fillIn("%@ seems tighter than %@ and %@.", {a, b, c});
            return fillIn("%@ seems tighter than %@ and others.", {a, b});
        }
        if (n == 2)
            return fillIn("%@ seems tighter than %@.", {b, a});
        if (n == 3)
            return fillIn("%@ and %@ seem tighter than %@.", {b, c, a});
        return fillIn("%@ and others seem tighter than %@.", {b, a});
    case ZVfeedback::similar_models:
        return fillIn("%@ seems very similar to %@.", {a, b});
    case ZVfeedback::more_models_wanted:
        return "Zelvar has picked some models\nbut we should probably add more.";
    case ZVfeedback::reworked_changes:
        return "Zelvar has re-worked the kerning. Klick the arrow to show the changes.";
    case ZVfeedback::engine_running:
        return "The autokerning engine\nis running!";
    case ZVfeedback::pairs_rejected:
        return "Note: Some pairs were rejected\nas they were contradicting others.";
    case ZVfeedback::model_status_removed: {
        const char *relation = f.pair_is_too_tight == -1  ? "contradicting"
                               : f.pair_is_too_tight == 0 ? "too loose compared to"
                                                          : "too tight compared to";
        if (n == 3)
            return fillIn("Removed model status for %@\nas it is %@ %@ and %@.", {a, relation, b, c});
        if (n == 2)
            return fillIn("Removed model status for %@\nas it is %@ %@.", {a, relation, b});
        return fillIn("Removed model status for %@\nas it is %@ other models.", {a, relation});
    }
    case ZVfeedback::model_identical:
        return fillIn("Removed model %@\nas it is identical to %@.", {a, b});
    case ZVfeedback::no_kerning_models_removed:
        return "Removed models that include no-kerning glyphs.";
    case ZVfeedback::newer_version:
        return "Warning: This file was last edited with a newer version of Zelvar.";
    case ZVfeedback::composite_pairs_added:
        return "This version of Zelvar autokerns additional pairs that impact composite glyphs.";
    default: // 0, 8, 12, 13 and anything above 22 say nothing
        return {};
    }
}

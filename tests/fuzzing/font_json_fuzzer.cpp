// libFuzzer target for the JSON font reader: any input gives a font or an error, and an accepted
// font writes and reads back to the same bytes.
#include "host/GSFontJSON.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const GSFontReadResult r = readFontJSON(std::string_view(reinterpret_cast<const char *>(data), size));
    if (!r) {
        if (r.error.empty())
            std::abort();
        return 0;
    }
    const std::string saved = writeFontJSON(*r.font);
    const GSFontReadResult again = readFontJSON(saved);
    if (!again || writeFontJSON(*again.font) != saved)
        std::abort();
    return 0;
}

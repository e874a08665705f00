// libFuzzer target for the XML property-list reader: any input gives a value or an error naming a
// place, and an accepted value writes out as text that reads back to the same text again.
#include "platform/NSPropertyListSerialization.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::string error;
    const auto value = NSPropertyListSerialization::propertyListWithData(
        std::string_view(reinterpret_cast<const char *>(data), size), &error);
    if (!value) {
        if (error.rfind("line ", 0) != 0)
            std::abort();
        return 0;
    }
    if (value->isNull()) // <data> alone: nothing to write
        return 0;
    const std::string written = NSPropertyListSerialization::dataWithPropertyList(*value);
    const auto again = NSPropertyListSerialization::propertyListWithData(written);
    if (!again || NSPropertyListSerialization::dataWithPropertyList(*again) != written)
        std::abort();
    return 0;
}

#include "plugin/ZVText.h"

std::string fillIn(std::string_view format, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(format.size() + 32);
    auto arg = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() &&
            (format[i + 1] == '@' || format[i + 1] == 'i')) {
            if (arg != args.end())
                out += *arg++;
            ++i;
            continue;
        }
        out += format[i];
    }
    return out;
}

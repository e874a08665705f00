#include "engine/geometry/ZVtextresource.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace PLXlibNamespaceForZV {

std::optional<std::string> read_text_resource(const std::string &path) {
    // A directory or a pipe is no file; opening a pipe would even wait for a writer.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    // The stream's own reads turn a failing read into its bad state instead of an exception.
    std::string bytes;
    char block[1 << 16];
    while (in.read(block, sizeof block) || in.gcount() > 0)
        bytes.append(block, static_cast<std::size_t>(in.gcount()));
    if (in.bad())
        return std::nullopt;
    return bytes;
}

} // namespace PLXlibNamespaceForZV

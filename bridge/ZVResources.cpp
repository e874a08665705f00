#include "bridge/ZVResources.h"

#include <filesystem>

std::string ZVpathForResource(const std::string &name, const std::string &type) {
    const std::filesystem::path p =
        std::filesystem::path(ZV_PLUGIN_RESOURCES_DIR) / (name + "." + type);
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec) ? p.string() : std::string();
}

// The plug-in's own resources ("pair_frequencies" and "default_groups", type "txt").
#pragma once

#include <string>

/// The full path of resource `name`.`type` of the plug-in, or "" when it has none.
std::string ZVpathForResource(const std::string &name, const std::string &type);

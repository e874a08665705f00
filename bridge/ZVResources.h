// The plug-in's own resources ("pair_frequencies" and "default_groups", type "txt").
#pragma once

#include <string>

/// The class name under which the plug-in's bundle is registered (NSBundle::bundleForClass): the
/// bridge looks up its resources in the bundle that holds it.
inline constexpr const char *ZVBridgeClassName = "ZVDataFromGlyphs";

/// The full path of resource `name`.`type` in the bundle that holds the bridge, or "" when there
/// is no such bundle or resource.
std::string ZVpathForResource(const std::string &name, const std::string &type);

// The plug-in's own resources ("pair_frequencies" and "default_groups", type "txt").
#pragma once

#include <string>

/// The plug-in's principal class. Every class of the plug-in, the bridge's among them, lives in
/// the bundle registered for it (NSBundle::bundleForClass), so one registration serves them all.
inline constexpr const char *ZVPluginClassName = "ZelvarPlugin";

/// The full path of resource `name`.`type` in the plug-in's bundle (the one that holds the
/// bridge), or "" when there is no such bundle or resource.
std::string ZVpathForResource(const std::string &name, const std::string &type);

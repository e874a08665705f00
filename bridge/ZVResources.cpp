#include "bridge/ZVResources.h"

#include "platform/NSBundle.h"

std::string ZVpathForResource(const std::string &name, const std::string &type) {
    const std::shared_ptr<const NSBundle> bundle = NSBundle::bundleForClass(ZVPluginClassName);
    if (!bundle)
        return "";
    return bundle->pathForResource(name, type).value_or("");
}

#include "update/UpdateEndpoints.h"

#include <cstdlib>
#include <string_view>

namespace vkr {
namespace {

std::string Setting(const char* environmentName, const char* buildDefault) {
    const char* value = std::getenv(environmentName);
    return value && *value ? std::string(value) : std::string(buildDefault);
}

}  // namespace

UpdateEndpoints UpdateEndpoints::FromEnvironment() {
    return {Setting("VKR_UPDATE_HOST", VKR_UPDATE_HOST_DEFAULT),
            Setting("VKR_RESOLVER_HOST", VKR_RESOLVER_HOST_DEFAULT)};
}

UpdateEndpoints UpdateEndpoints::FromCommandLine(int argc, const char* const* argv) {
    UpdateEndpoints endpoints = FromEnvironment();
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.starts_with("--update-host=")) endpoints.updateHost = argument.substr(14);
        if (argument.starts_with("--resolver-host=")) endpoints.resolverHost = argument.substr(16);
    }
    return endpoints;
}

std::string UpdateEndpoints::SourceListUrl() const { return "https://" + updateHost + "/vkr/source.txt"; }

std::string UpdateEndpoints::ResolveUrl(const std::string& shareLink) const {
    return "https://" + resolverHost + "/api-lanzou_jx?url=" + shareLink;
}

}  // namespace vkr

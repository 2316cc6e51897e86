#pragma once
// Where the update server and the share-link resolution service live. Each
// host ("name" or "name:port") is a build setting (CMake cache variables
// VKR_UPDATE_HOST and VKR_RESOLVER_HOST) that the environment variables of
// the same names override, and the command-line options
// "--update-host=<host>" and "--resolver-host=<host>" override in turn.
#include <string>

namespace vkr {

struct UpdateEndpoints {
    std::string updateHost;
    std::string resolverHost;

    // Build settings overridden by the environment.
    static UpdateEndpoints FromEnvironment();
    // FromEnvironment overridden by the command-line options; other arguments are ignored.
    static UpdateEndpoints FromCommandLine(int argc, const char* const* argv);

    // "https://<updateHost>/vkr/source.txt"
    std::string SourceListUrl() const;
    // "https://<resolverHost>/api-lanzou_jx?url=" + shareLink, the link unchanged.
    std::string ResolveUrl(const std::string& shareLink) const;
};

}  // namespace vkr

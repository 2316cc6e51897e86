#pragma once
// What every request of an API object needs: the HTTP client (holding the
// server's base URL) and the session key. Copies are deep: a copy has its own
// HttpClient with the same base URL, so a key obtained later by one holder
// never reaches another.
#include <string>

#include "support/HttpClient.h"

namespace vkr {

struct ApiConnection {
    HttpClient httpClient;
    std::string sessionKey;  // empty until auth succeeds
};

}  // namespace vkr

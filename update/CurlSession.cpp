#include "update/CurlSession.h"

#include <cstdlib>

namespace vkr {

bool EnsureCurlReady() {
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

bool CurlHeaderList::Append(const std::string& line) {
    curl_slist* grown = curl_slist_append(list_, line.c_str());
    if (!grown) return false;
    list_ = grown;
    return true;
}

bool ApplyTransportDefaults(CURL* handle) {
    bool ok = curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_PROXY, "") == CURLE_OK;
    if (const char* bundle = std::getenv("VKR_CA_BUNDLE"); bundle && *bundle)
        ok = ok && curl_easy_setopt(handle, CURLOPT_CAINFO, bundle) == CURLE_OK;
    return ok;
}

std::string EscapeUrlBytes(std::string_view utf8) {
    static const std::string kAllowed =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~:/?#[]@!$&'()*+,;=%";
    static const char* const kHex = "0123456789ABCDEF";
    std::string escaped;
    for (unsigned char c : utf8) {
        if (kAllowed.find(static_cast<char>(c)) != std::string::npos) {
            escaped += static_cast<char>(c);
        } else {
            escaped += '%';
            escaped += kHex[c >> 4];
            escaped += kHex[c & 0x0F];
        }
    }
    return escaped;
}

}  // namespace vkr

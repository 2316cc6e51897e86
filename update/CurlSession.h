#pragma once
// What every libcurl transfer of this folder shares: one process-wide init,
// owning handles, and the TLS trust setting.
//
// HTTPS peers are always verified. A run-time CA bundle (environment variable
// VKR_CA_BUNDLE, a PEM file) is trusted in addition to nothing else: when it is
// set it replaces the system store, so tests and the demo can trust their own
// certificate without switching verification off.
#include <curl/curl.h>

#include <memory>
#include <string>
#include <string_view>

namespace vkr {

// curl_global_init exactly once per process; false when libcurl cannot start.
bool EnsureCurlReady();

struct CurlEasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

// A header list; Append returns false when libcurl runs out of memory.
class CurlHeaderList {
public:
    CurlHeaderList() = default;
    ~CurlHeaderList() { curl_slist_free_all(list_); }
    CurlHeaderList(const CurlHeaderList&) = delete;
    CurlHeaderList& operator=(const CurlHeaderList&) = delete;

    bool Append(const std::string& line);
    curl_slist* get() const { return list_; }

private:
    curl_slist* list_ = nullptr;
};

// Verification on, the run-time CA bundle when configured, no proxy from the
// environment (every proxy of this program is explicit), signals off for threads.
bool ApplyTransportDefaults(CURL* handle);

// A URL goes out as written, except for bytes that cannot stand in one
// (blanks, controls, non-ASCII, and the few characters URLs never carry
// bare), which are percent-encoded. Input and output are UTF-8.
// "/a b|你" => "/a%20b%7C%E4%BD%A0"
std::string EscapeUrlBytes(std::string_view utf8);

}  // namespace vkr

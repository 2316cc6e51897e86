#pragma once
// One synchronous HTTP exchange per call, with the fixed browser-like header
// block the Mirai HTTP API client has always sent, a base URL for relative
// paths, and JSON-document and multipart forms.
//
// Texts (URLs, paths, bodies) are CP936 inside the program: a text body is
// sent as UTF-8, and Get/Post answers come back converted to CP936. Byte
// bodies and the raw/multipart answers pass unchanged.
//
// The body of any answer is returned whatever its status (an error page
// included); a failed exchange (refused, timed out) returns an empty body.
// An HttpClient keeps its connection open between calls (keep-alive), so it
// belongs to one thread at a time.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vkr {

class JsonDocument;

// One part of a multipart/form-data body.
struct FormPart {
    std::string fieldName;
    std::string fileName;  // empty: a plain field, no filename parameter
    std::string transferEncoding;
    std::string contentType;
    std::string partData;  // written unchanged
};

enum class HttpMethod { Get, Post };

struct HttpRequestOptions {
    HttpMethod method = HttpMethod::Get;
    std::string body;  // CP936 text, sent as UTF-8 (ignored when bodyBytes is not empty)
    // Seconds for each phase (resolve, connect, send, receive). Left out, 0 or
    // below: 15 s. -1: the transport's own defaults.
    std::optional<int> timeoutSeconds;
    std::string bodyBytes;  // sent unchanged when not empty
    // Header lines separated by "\r\n" sent after the Referer line; left out:
    // the default block (which declares a JSON content type, GET included).
    std::optional<std::string> headers;
};

class HttpClient {
public:
    static constexpr const char* kDefaultHeaders =
        "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\n"
        "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)\r\n"
        "Content-Type: application/json;charset=UTF-8\r\n";
    static constexpr const char* kMultipartHeaders =
        "Accept: */*\r\nAccept-Language: zh-cn\r\n"
        "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)\r\n"
        "Content-Type: multipart/form-data; boundary=${boundary}\r\n";
    static constexpr const char* kBoundary = "ZnGpDtePMx0KrHh_G0X99Yef9r8JZsRJSXC";
    static constexpr int kDefaultTimeoutMs = 15000;

    HttpClient();
    ~HttpClient();
    // A copy has the same base URL and a connection of its own.
    HttpClient(const HttpClient& other);
    HttpClient& operator=(const HttpClient& other);

    // The raw answer body; empty when the exchange failed.
    std::string Request(const std::string& url, const HttpRequestOptions& options = {});
    std::string Get(const std::string& url);
    std::string Post(const std::string& url, const std::string& body);
    // Declares the multipart header block with "${boundary}" left in place;
    // the answer is returned unconverted.
    std::string PostRaw(const std::string& url, const std::string& body, const std::string& bodyBytes);
    // The answer is returned unconverted.
    std::string PostMultipart(const std::string& url, const std::vector<FormPart>& parts);

    // Stores url with "/" appended when it does not already end in "/".
    void SetBaseUrl(const std::string& url);
    std::string GetBaseUrl() const;

    // The path forms append the path to the base URL unchanged.
    std::string GetPath(const std::string& path);
    std::string PostPath(const std::string& path, const std::string& body);
    std::string PostRawPath(const std::string& path, const std::string& body, const std::string& bodyBytes);
    JsonDocument GetDocument(const std::string& path);
    std::string PostMultipartPath(const std::string& path, const std::vector<FormPart>& parts);
    // Posts document's text and parses the answer into a new document.
    JsonDocument PostDocument(const std::string& path, const JsonDocument& document);
    // Posts document's text and replaces document by the parsed answer.
    void ExchangeDocument(const std::string& path, JsonDocument& document);
    void GetIntoDocument(const std::string& path, JsonDocument& document);

    // Asked while an exchange runs (at least once a second); returning true
    // abandons it, and the answer is then empty. Not copied with the client.
    void SetCancelCheck(std::function<bool()> check);

    // The multipart body for parts, byte for byte as PostMultipart sends it.
    static std::string BuildMultipartBody(const std::vector<FormPart>& parts);

private:
    class Transport;
    std::string baseUrl_;
    std::unique_ptr<Transport> transport_;
};

}  // namespace vkr

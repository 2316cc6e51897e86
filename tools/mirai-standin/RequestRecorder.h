#pragma once
// Appends one JSON line per HTTP request to a file, so tests elsewhere can
// check the exact bodies a client sent:
// {"method":"POST","path":"/auth","query":"","body":"{\"authKey\":\"...\"}"}
#include <fstream>
#include <mutex>
#include <string>

namespace vkr::standin {

class RequestRecorder {
public:
    explicit RequestRecorder(const std::string& file);
    bool IsOpen() const { return out_.is_open(); }
    void Record(const std::string& method, const std::string& path, const std::string& query,
                const std::string& body);

private:
    std::mutex mutex_;
    std::ofstream out_;
};

}  // namespace vkr::standin

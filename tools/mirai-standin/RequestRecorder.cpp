#include "tools/mirai-standin/RequestRecorder.h"

#include <nlohmann/json.hpp>

namespace vkr::standin {

RequestRecorder::RequestRecorder(const std::string& file) : out_(file, std::ios::binary | std::ios::app) {}

void RequestRecorder::Record(const std::string& method, const std::string& path, const std::string& query,
                             const std::string& body) {
    nlohmann::ordered_json line;
    line["method"] = method;
    line["path"] = path;
    line["query"] = query;
    line["body"] = body;
    // Binary upload bodies are not UTF-8; their odd bytes become U+FFFD.
    std::string text = line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    std::lock_guard lock(mutex_);
    out_ << text << '\n';
    out_.flush();
}

}  // namespace vkr::standin

#include "tools/mirai-standin/ApiError.h"

#include <nlohmann/json.hpp>

namespace vkr::standin {

std::string StateMessage(int code) {
    switch (code) {
        case 0: return "success";
        case 1: return "Auth Key错误";
        case 2: return "指定Bot不存在";
        case 3: return "Session失效或不存在";
        case 4: return "Session未认证";
        case 5: return "指定对象不存在";
        case 6: return "指定操作不支持";
        case 10: return "无操作权限";
        case 20: return "Bot被禁言";
        case 30: return "消息过长";
        default: return "未知错误";
    }
}

std::string StateBody(int code, const std::string& message) {
    nlohmann::ordered_json body;
    body["code"] = code;
    body["msg"] = message;
    return body.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

ApiError ApiError::State(int code) { return State(code, StateMessage(code)); }

ApiError ApiError::State(int code, const std::string& message) {
    ApiError error;
    error.body = StateBody(code, message);
    return error;
}

ApiError ApiError::BadRequest(const std::string& message) {
    ApiError error;
    error.httpStatus = 400;
    error.body = StateBody(400, message);
    return error;
}

ApiError ApiError::Internal(const std::string& exceptionClass, const std::string& message) {
    ApiError error;
    error.httpStatus = 500;
    error.body = message;
    error.contentType = "text/plain; charset=UTF-8";
    error.loggedException = exceptionClass + ": " + message;
    return error;
}

}  // namespace vkr::standin

#pragma once
// A failed API call, carried from deep inside a handler to the route that
// answers it. Thrown and caught only inside one request.
#include <optional>
#include <string>

namespace vkr::standin {

struct ApiError {
    int httpStatus = 200;
    std::string body;
    std::string contentType = "application/json; charset=UTF-8";
    // Set for HTTP 500 answers: the exception line the plug-in logs for them.
    std::optional<std::string> loggedException;

    // {"code":N,"msg":"<the plug-in's text for N>"}
    static ApiError State(int code);
    static ApiError State(int code, const std::string& message);
    // HTTP 400 {"code":400,"msg":message}
    static ApiError BadRequest(const std::string& message = "参数格式错误");
    // HTTP 500 with the message as plain text, logged as exceptionClass: message.
    static ApiError Internal(const std::string& exceptionClass, const std::string& message);
};

// The literal msg the plug-in sends with each state code ("success" for 0).
std::string StateMessage(int code);

// {"code":N,"msg":"..."} in the plug-in's member order.
std::string StateBody(int code, const std::string& message);

}  // namespace vkr::standin

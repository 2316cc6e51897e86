#pragma once
// The outcome of sending a message chain.
#include <cstdint>

#include "api/ResultCode.h"

namespace vkr {

struct SendResult {
    std::int32_t code = kCodeNoAnswer;  // 0 success; see api/ResultCode.h
    std::int64_t messageId = 0;         // the server's id of the sent message when code is 0

    bool Succeeded() const { return code == kCodeSuccess; }
    // The single number older callers expect: the message id on success, else the code.
    std::int64_t IdOrCode() const { return Succeeded() ? messageId : code; }
};

}  // namespace vkr

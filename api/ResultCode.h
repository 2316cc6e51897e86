#pragma once
// Result codes of the Mirai HTTP API and the client's own failure codes.
//
// 0 is success and a positive code is the server's own failure code, handed
// on unchanged. The negative codes are the client's: an answer that cannot
// be trusted is never taken for success.
#include <cstdint>
#include <string>

namespace vkr {

inline constexpr std::int32_t kCodeSuccess = 0;
// No answer: the server is unreachable, timed out, or sent an empty body.
inline constexpr std::int32_t kCodeNoAnswer = -1;
// The answer is not JSON (an HTTP 500 text, an error page).
inline constexpr std::int32_t kCodeNotJson = -2;
// The answer is JSON but has no numeric "code" where the endpoint always sends one.
inline constexpr std::int32_t kCodeNoCode = -3;
// The answer says success but lacks the member a success always carries
// ("session" of auth, "messageId" of a send).
inline constexpr std::int32_t kCodeIncomplete = -4;

// The code's meaning in English, for log and pane lines:
// 5 => "the target is missing or unknown", -1 => "no answer from the HTTP API".
std::string ResultCodeMeaning(std::int32_t code);

}  // namespace vkr

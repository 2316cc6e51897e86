#include "api/ResultCode.h"

namespace vkr {

std::string ResultCodeMeaning(std::int32_t code) {
    switch (code) {
        case kCodeSuccess: return "OK";
        case 1: return "wrong authKey";
        case 2: return "the qq given is not a bot logged in to the console";
        case 3: return "the session key is unknown, expired or released";
        case 4: return "the session exists but is not verified yet";
        case 5: return "the target is missing or unknown";
        case 6: return "the operation is not supported, or the image file is missing";
        case 10: return "the bot lacks the permission";
        case 20: return "the bot is muted in the target group";
        case 30: return "the message is too long";
        case 400: return "bad access: the request could not be parsed or was refused";
        case kCodeNoAnswer: return "no answer from the HTTP API";
        case kCodeNotJson: return "the answer is not JSON";
        case kCodeNoCode: return "the answer carries no result code";
        case kCodeIncomplete: return "the answer reports success but lacks its data";
        default: return "unknown result code";
    }
}

}  // namespace vkr

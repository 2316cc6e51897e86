#pragma once
// A friend of the managed account: target = the friend's QQ number.
#include <memory>
#include <string>

#include "api/ApiBase.h"
#include "api/MessageChain.h"
#include "api/SendResult.h"

namespace vkr {

class FriendApi : public ApiBase {
public:
    FriendApi() = default;
    std::unique_ptr<ApiBase> Clone() const override;

    // POST "sendFriendMessage": "sessionKey", "target", "messageChain", and
    // "quote" when the chain's quote id is not 0.
    SendResult SendFriendMessage(const MessageChain& chain);
    // Fills target, nickname and remark from a friend object ("id", "nickname", "remark").
    void LoadFriend(const std::string& json);
    std::string GetNickname() const { return nickname_; }
    std::string GetRemark() const { return remark_; }

private:
    std::string nickname_;
    std::string remark_;
};

}  // namespace vkr

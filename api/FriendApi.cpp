#include "api/FriendApi.h"

namespace vkr {

std::unique_ptr<ApiBase> FriendApi::Clone() const { return std::make_unique<FriendApi>(*this); }

SendResult FriendApi::SendFriendMessage(const MessageChain& chain) {
    BeginTargetRequest();
    SetChainFields(chain);
    return PostSend("sendFriendMessage");
}

void FriendApi::LoadFriend(const std::string& json) {
    LoadDocument(json);
    SetTarget(GetLongField("id"));
    nickname_ = GetTextField("nickname");
    remark_ = GetTextField("remark");
}

}  // namespace vkr

#pragma once
// A member of a group: target = the member's QQ number; its group (a
// GroupApi of its own) supplies the group number.
#include <cstdint>
#include <memory>
#include <string>

#include "api/ApiBase.h"
#include "api/GroupApi.h"
#include "api/MemberInfo.h"
#include "api/MessageChain.h"
#include "api/SendResult.h"

namespace vkr {

class MemberApi : public ApiBase {
public:
    MemberApi() = default;
    std::unique_ptr<ApiBase> Clone() const override;

    // A fresh body: "sessionKey", "target" = the group number, "memberId" =
    // the member's number. Every member request starts with it.
    void BeginTargetRequest() override;
    // POST "sendTempMessage": the member body, "messageChain", ("quote"),
    // then "qq" and "group", which the server reads.
    SendResult SendTempMessage(const MessageChain& chain);
    // BeginTargetRequest, then "group" = the group number, "qq" = the member's number.
    void BeginTempRequest();
    // BeginTargetRequest with "target" = the member's number in its place.
    void BeginMemberRequest();
    void SetGroup(const GroupApi& group);
    GroupApi GetGroup() const { return group_; }
    // Fills target, memberName, permission and the group from a member
    // object; the group gets a copy of this member's connection.
    void LoadMember(const std::string& json);
    std::string GetPermission() const { return permission_; }
    std::string GetMemberName() const { return memberName_; }

    // POST "mute": the member body, "time" = seconds (sign kept).
    std::int32_t Mute(std::int32_t seconds);
    std::int32_t Unmute();
    // POST "kick": the member body, "msg".
    std::int32_t Kick(const std::string& message);
    // POST "memberInfo": the member body, "config", then "info" (the same
    // object), which the server reads.
    std::int32_t SetMemberInfo(const MemberInfo& info);
    // GET "memberInfo"; members missing from the answer read empty.
    MemberInfo GetMemberInfo();

    // POST "sendFriendMessage" with the member body, "target" = the member's number.
    SendResult SendFriendMessage(const MessageChain& chain);
    // POST "sendTempMessage" with BeginTempRequest's body.
    SendResult SendTempMessageWithQq(const MessageChain& chain);

private:
    std::string memberName_;
    std::string permission_;
    GroupApi group_;
};

}  // namespace vkr

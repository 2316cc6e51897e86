#pragma once
// A group of the managed account: target = the group number.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "api/ApiBase.h"
#include "api/GroupConfig.h"
#include "api/MessageChain.h"
#include "api/SendResult.h"

namespace vkr {

class MemberApi;

class GroupApi : public ApiBase {
public:
    GroupApi() = default;
    std::unique_ptr<ApiBase> Clone() const override;

    // POST "sendGroupMessage": "sessionKey", "target", "messageChain", ("quote").
    SendResult SendGroupMessage(const MessageChain& chain);
    // Fills target, name and permission from a group object ("id", "name", "permission").
    void LoadGroup(const std::string& json);
    // GET "memberList": replaces list by the group's members, each with a copy
    // of this group's connection and of this group. Left empty when the
    // answer is not an array.
    void MemberList(std::vector<MemberApi>& list);
    // A member of this group with number qq; no request is sent.
    MemberApi GetMember(std::int64_t qq) const;
    std::string GetName() const { return name_; }
    std::string GetPermission() const { return permission_; }

    // POST "muteAll" (mute true) or "unmuteAll" with "sessionKey", "target".
    std::int32_t MuteAll(bool mute);
    // POST "kick" with "sessionKey", "target" alone.
    std::int32_t Kick();
    // POST "groupConfig": "sessionKey", "target", "config" with all six members.
    std::int32_t SetGroupConfig(const GroupConfig& config);
    // GET "groupConfig"; members missing from the answer read empty or false.
    GroupConfig GetGroupConfig();

private:
    std::string permission_;
    std::string name_;
};

}  // namespace vkr

#include "api/GroupApi.h"

#include "api/MemberApi.h"

namespace vkr {

std::unique_ptr<ApiBase> GroupApi::Clone() const { return std::make_unique<GroupApi>(*this); }

SendResult GroupApi::SendGroupMessage(const MessageChain& chain) {
    BeginTargetRequest();
    SetChainFields(chain);
    return PostSend("sendGroupMessage");
}

void GroupApi::LoadGroup(const std::string& json) {
    LoadDocument(json);
    SetTarget(GetLongField("id"));
    name_ = GetTextField("name");
    permission_ = GetTextField("permission");
}

void GroupApi::MemberList(std::vector<MemberApi>& list) {
    BeginTargetRequest();
    const std::string key = GetTextField("sessionKey");
    const std::string group = GetTextField("target");
    GetRequest("memberList?sessionKey=" + key + "&target=" + group);
    const int count = GetItemCount();
    list.assign(static_cast<size_t>(count), MemberApi());
    for (int i = 0; i < count; ++i) {
        MemberApi& member = list[static_cast<size_t>(i)];
        member.SetConnection(GetConnection());
        member.SetGroup(*this);
        member.LoadMember(GetItemDocument(i).ToText());
    }
}

MemberApi GroupApi::GetMember(std::int64_t qq) const {
    MemberApi member;
    member.SetTarget(qq);
    member.SetConnection(GetConnection());
    member.SetGroup(*this);
    return member;
}

std::int32_t GroupApi::MuteAll(bool mute) {
    BeginTargetRequest();
    return PostRequest(mute ? "muteAll" : "unmuteAll");
}

std::int32_t GroupApi::Kick() {
    BeginTargetRequest();
    return PostRequest("kick");
}

std::int32_t GroupApi::SetGroupConfig(const GroupConfig& config) {
    BeginTargetRequest();
    JsonDocument body;
    body.SetValue("name", config.name);
    body.SetValue("announcement", config.announcement);
    body.SetBool("confessTalk", config.confessTalk);
    body.SetBool("allowMemberInvite", config.allowMemberInvite);
    body.SetBool("autoApprove", config.autoApprove);
    body.SetBool("anonymousChat", config.anonymousChat);
    SetJsonField("config", body.ToText());
    return PostRequest("groupConfig");
}

GroupConfig GroupApi::GetGroupConfig() {
    BeginTargetRequest();
    const std::string key = GetTextField("sessionKey");
    const std::string group = GetTextField("target");
    GetRequest("groupConfig?sessionKey=" + key + "&target=" + group);
    GroupConfig config;
    config.name = GetTextField("name");
    config.announcement = GetTextField("announcement");
    config.confessTalk = GetLogicalField("confessTalk");
    config.allowMemberInvite = GetLogicalField("allowMemberInvite");
    config.autoApprove = GetLogicalField("autoApprove");
    config.anonymousChat = GetLogicalField("anonymousChat");
    return config;
}

}  // namespace vkr

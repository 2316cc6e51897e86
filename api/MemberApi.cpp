#include "api/MemberApi.h"

namespace vkr {

std::unique_ptr<ApiBase> MemberApi::Clone() const { return std::make_unique<MemberApi>(*this); }

void MemberApi::BeginTargetRequest() {
    BeginSessionRequest();
    SetLongField("target", group_.GetTarget());
    SetLongField("memberId", GetTarget());
}

SendResult MemberApi::SendTempMessage(const MessageChain& chain) {
    BeginTargetRequest();
    SetChainFields(chain);
    // The server reads the member from "qq" and "group" only.
    SetLongField("qq", GetTarget());
    SetLongField("group", group_.GetTarget());
    return PostSend("sendTempMessage");
}

void MemberApi::BeginTempRequest() {
    BeginTargetRequest();
    SetLongField("group", group_.GetTarget());
    SetLongField("qq", GetTarget());
}

void MemberApi::BeginMemberRequest() {
    BeginTargetRequest();
    SetLongField("target", GetTarget());
}

void MemberApi::SetGroup(const GroupApi& group) { group_ = group; }

void MemberApi::LoadMember(const std::string& json) {
    LoadDocument(json);
    SetTarget(GetLongField("id"));
    memberName_ = GetTextField("memberName");
    permission_ = GetTextField("permission");
    const std::string group = GetJsonField("group");
    group_.LoadGroup(group);
    group_.SetConnection(GetConnection());
}

std::int32_t MemberApi::Mute(std::int32_t seconds) {
    BeginTargetRequest();
    SetLongField("time", seconds);
    return PostRequest("mute");
}

std::int32_t MemberApi::Unmute() {
    BeginTargetRequest();
    return PostRequest("unmute");
}

std::int32_t MemberApi::Kick(const std::string& message) {
    BeginTargetRequest();
    SetTextField("msg", message);
    return PostRequest("kick");
}

std::int32_t MemberApi::SetMemberInfo(const MemberInfo& info) {
    BeginTargetRequest();
    JsonDocument body;
    body.SetValue("name", info.name);
    body.SetValue("specialTitle", info.specialTitle);
    SetJsonField("config", body.ToText());
    // The server reads the object under "info".
    SetJsonField("info", body.ToText());
    return PostRequest("memberInfo");
}

MemberInfo MemberApi::GetMemberInfo() {
    BeginTargetRequest();
    const std::string key = GetTextField("sessionKey");
    const std::string group = GetTextField("target");
    const std::string member = GetTextField("memberId");
    GetRequest("memberInfo?sessionKey=" + key + "&target=" + group +
               "&memberId=" + member);
    MemberInfo info;
    info.name = GetTextField("name");
    info.specialTitle = GetTextField("specialTitle");
    return info;
}

SendResult MemberApi::SendFriendMessage(const MessageChain& chain) {
    BeginMemberRequest();
    SetChainFields(chain);
    return PostSend("sendFriendMessage");
}

SendResult MemberApi::SendTempMessageWithQq(const MessageChain& chain) {
    BeginTempRequest();
    SetChainFields(chain);
    return PostSend("sendTempMessage");
}

}  // namespace vkr

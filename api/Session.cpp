#include "api/Session.h"

#include "api/ResultCode.h"

namespace vkr {

std::unique_ptr<ApiBase> Session::Clone() const { return std::make_unique<Session>(*this); }

std::int32_t Session::Release() {
    BeginSessionRequest();
    SetLongField("qq", GetTarget());
    return PostRequest("release");
}

void Session::SetServer(const std::string& baseUrl) { SetServerAddress(baseUrl); }

bool Session::Auth(const std::string& authKey) {
    ClearDocument();
    SetTextField("authKey", authKey);
    if (PostRequest("auth") != kCodeSuccess) return false;
    const std::string session = GetTextField("session");
    if (session.empty()) return false;
    SetSessionKey(session);
    return true;
}

std::int32_t Session::Verify(std::int64_t qq) {
    SetTarget(qq);
    BeginSessionRequest();
    SetLongField("qq", qq);
    return PostRequest("verify");
}

FriendApi Session::GetFriend(std::int64_t qq) const {
    FriendApi friendApi;
    friendApi.SetTarget(qq);
    friendApi.SetConnection(GetConnection());
    return friendApi;
}

GroupApi Session::GetGroup(std::int64_t group) const {
    GroupApi groupApi;
    groupApi.SetTarget(group);
    groupApi.SetConnection(GetConnection());
    return groupApi;
}

std::int32_t Session::Recall(std::int64_t messageId) {
    BeginSessionRequest();
    SetLongField("target", messageId);
    return PostRequest("recall");
}

MessageChain Session::MessageFromId(std::int64_t messageId) {
    BeginSessionRequest();
    GetRequest("messageFromId?sessionKey=" + GetSessionKey() + "&id=" + std::to_string(messageId));
    std::string chainJson = GetJsonField("messageChain");
    if (chainJson.empty()) chainJson = GetJsonField("data.messageChain");
    MessageChain chain;
    chain.Load(chainJson);
    return chain;
}

std::int32_t Session::RecallMessage(MessageChain& chain) { return Recall(chain.GetSourceId()); }

void Session::FriendList(std::vector<FriendApi>& list) {
    GetRequest("friendList?sessionKey=" + GetSessionKey());
    const int count = GetItemCount();
    list.assign(static_cast<size_t>(count), FriendApi());
    for (int i = 0; i < count; ++i) {
        FriendApi& friendApi = list[static_cast<size_t>(i)];
        friendApi.SetConnection(GetConnection());
        friendApi.LoadFriend(GetItemDocument(i).ToText());
    }
}

void Session::GroupList(std::vector<GroupApi>& list) {
    GetRequest("groupList?sessionKey=" + GetSessionKey());
    const int count = GetItemCount();
    list.assign(static_cast<size_t>(count), GroupApi());
    for (int i = 0; i < count; ++i) {
        GroupApi& groupApi = list[static_cast<size_t>(i)];
        groupApi.SetConnection(GetConnection());
        groupApi.LoadGroup(GetItemDocument(i).ToText());
    }
}

std::string Session::UploadImage(const std::string& imageBytes, const std::string& kind) {
    const std::vector<FormPart> parts = {
        {"sessionKey", "", "8bit", "text/plain; charset=UTF-8", GetSessionKey()},
        {"type", "", "8bit", "text/plain; charset=UTF-8", kind},
        {"img", "abc.jpg", "binary", "image/jpeg", imageBytes},
    };
    JsonDocument answer;
    answer.Parse(Connection().httpClient.PostMultipartPath("uploadImage", parts));
    return answer.GetText("imageId");
}

}  // namespace vkr

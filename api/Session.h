#pragma once
// The session with the Mirai HTTP API: authenticates with the server's key,
// binds the session to the managed account, releases it, and hands out
// friend and group objects carrying a copy of its connection.
// Calling order: SetServer, Auth, Verify, then anything; Release last.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "api/ApiObject.h"
#include "api/FriendApi.h"
#include "api/GroupApi.h"
#include "api/MessageChain.h"

namespace vkr {

class Session : public ApiObject {
public:
    Session() = default;
    std::unique_ptr<ApiBase> Clone() const override;

    // POST "release" with "sessionKey", "qq" = the account. The key stays stored.
    std::int32_t Release();
    void SetServer(const std::string& baseUrl);
    // POST "auth" with "authKey". True only for code 0 with a "session" text,
    // which becomes the session key; otherwise the key keeps its value.
    bool Auth(const std::string& authKey);
    // Sets the target to qq (even when the request fails), then POST
    // "verify" with "sessionKey", "qq".
    std::int32_t Verify(std::int64_t qq);
    // Objects with a copy of this session's connection; no request is sent.
    FriendApi GetFriend(std::int64_t qq) const;
    GroupApi GetGroup(std::int64_t group) const;
    // POST "recall" with "sessionKey", "target" = the message id.
    std::int32_t Recall(std::int64_t messageId);
    // GET "messageFromId"; the chain is read under "data" (where the server
    // puts it) or at the top level. A missing message gives an empty chain.
    MessageChain MessageFromId(std::int64_t messageId);
    // Recall of the chain's source id (-1 when it has no "Source").
    std::int32_t RecallMessage(MessageChain& chain);
    // GET "friendList" / "groupList": the list is replaced; empty when the
    // answer is not an array.
    void FriendList(std::vector<FriendApi>& list);
    void GroupList(std::vector<GroupApi>& list);
    // POST "uploadImage" (multipart: "sessionKey", "type" = kind, "img" as
    // "abc.jpg"). The "imageId" of the answer; empty when the upload failed.
    std::string UploadImage(const std::string& imageBytes, const std::string& kind);
};

}  // namespace vkr

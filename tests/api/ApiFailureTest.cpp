// Answers that cannot be trusted are failures with the client's own negative
// codes, never success; and API objects own independent connections.
#include <gtest/gtest.h>

#include <string>

#include "api/BotCore.h"
#include "api/FriendApi.h"
#include "api/GroupApi.h"
#include "api/ResultCode.h"
#include "api/Session.h"
#include "tests/support/RecordingServer.h"

namespace vkr {
namespace {

std::string RefusedUrl() {
    RecordingServer gone;
    return gone.Url();
}

TEST(ApiFailures, UntrustworthyAnswersAreNegativeCodes) {
    struct Case {
        ServerAnswer answer;
        std::int32_t postCode;  // PostRequest of a state answer
        std::int32_t sendCode;  // SendFriendMessage
    } cases[] = {
        {{200, "{\"code\":0,\"msg\":\"success\",\"messageId\":12}"}, 0, 0},
        {{200, "{\"code\":5,\"msg\":\"x\"}"}, 5, 5},
        {{400, "{\"code\":400,\"msg\":\"bad\"}"}, 400, 400},
        {{500, "message is empty"}, kCodeNotJson, kCodeNotJson},
        {{404, ""}, kCodeNoAnswer, kCodeNoAnswer},
        {{200, "{\"msg\":\"success\"}"}, kCodeNoCode, kCodeNoCode},
        {{200, "{\"code\":\"0\"}"}, kCodeNoCode, kCodeNoCode},
        {{200, "[]"}, kCodeNoCode, kCodeNoCode},
        {{200, "{\"code\":0}"}, 0, kCodeIncomplete},
    };
    for (const auto& c : cases) {
        RecordingServer server(c.answer);
        FriendApi friendApi;
        friendApi.SetServerAddress(server.Url());
        friendApi.BeginTargetRequest();
        EXPECT_EQ(friendApi.PostRequest("recall"), c.postCode) << c.answer.body;
        MessageChain chain;
        chain.AddPlain("x");
        const SendResult sent = friendApi.SendFriendMessage(chain);
        EXPECT_EQ(sent.code, c.sendCode) << c.answer.body;
        EXPECT_EQ(sent.IdOrCode(), c.sendCode == 0 ? 12 : c.sendCode) << c.answer.body;
    }

    FriendApi unreachable;
    unreachable.SetServerAddress(RefusedUrl());
    EXPECT_EQ(unreachable.SendFriendMessage(MessageChain()).code, kCodeNoAnswer);
    FriendApi noAddress;  // never connected: the path alone is no URL
    EXPECT_EQ(noAddress.SendFriendMessage(MessageChain()).code, kCodeNoAnswer);
}

TEST(ApiFailures, AuthNeedsASessionFromALiveServer) {
    BotCore core;
    EXPECT_FALSE(core.Initialize(RefusedUrl(), "key-12345", 1));
    EXPECT_EQ(core.GetFriend(1).GetSessionKey(), "");

    for (const char* answer : {"{\"code\":0}", "{\"code\":0,\"session\":\"\"}", "not json"}) {
        RecordingServer server({200, answer});
        Session session;
        session.SetServer(server.Url());
        EXPECT_FALSE(session.Auth("key-12345")) << answer;
        EXPECT_EQ(session.GetSessionKey(), "") << answer;
    }
}

TEST(ApiFailures, ListsAndRecordsFromBadAnswersAreEmpty) {
    RecordingServer server({500, "java.lang.NullPointerException"});
    Session session;
    session.SetServer(server.Url());
    std::vector<FriendApi> friends{FriendApi()};
    session.FriendList(friends);
    EXPECT_TRUE(friends.empty());
    EXPECT_EQ(session.UploadImage("img", "friend"), "");
    GroupApi group = session.GetGroup(5);
    const GroupConfig config = group.GetGroupConfig();
    EXPECT_EQ(config.name, "");
    EXPECT_FALSE(config.allowMemberInvite);
}

TEST(ApiObjects, CopiesAndClonesAreIndependent) {
    GroupApi group;
    group.SetServerAddress("http://127.0.0.1:8080");
    group.SetSessionKey("K1");
    group.LoadGroup(R"({"id":20001,"name":"g","permission":"OWNER"})");

    const std::unique_ptr<ApiBase> clone = group.Clone();
    auto* cloned = dynamic_cast<GroupApi*>(clone.get());
    ASSERT_NE(cloned, nullptr);
    EXPECT_EQ(cloned->GetName(), "g");
    EXPECT_EQ(cloned->GetPermission(), "OWNER");
    EXPECT_EQ(cloned->GetTarget(), 20001);
    EXPECT_EQ(cloned->GetConnection().httpClient.GetBaseUrl(), "http://127.0.0.1:8080/");
    cloned->SetTarget(1);
    cloned->SetSessionKey("K2");
    EXPECT_EQ(group.GetTarget(), 20001);
    EXPECT_EQ(group.GetSessionKey(), "K1");

    Session session;
    session.SetSessionKey("old");
    FriendApi handedOut = session.GetFriend(10001);
    session.SetSessionKey("new");
    EXPECT_EQ(handedOut.GetSessionKey(), "old");

    MemberApi member = group.GetMember(30001);
    group.SetTarget(99);
    EXPECT_EQ(member.GetGroup().GetTarget(), 20001);
    EXPECT_EQ(member.GetTarget(), 30001);

    member.LoadMember(R"({"id":5,"memberName":"m","permission":"MEMBER"})");  // no "group"
    EXPECT_EQ(member.GetGroup().GetTarget(), 0);
    EXPECT_EQ(member.GetGroup().GetName(), "");
    EXPECT_EQ(member.GetGroup().GetSessionKey(), "K1");
}

TEST(ApiObjects, FreshTargetRequestStartsWithKeyThenTarget) {
    FriendApi fresh;
    fresh.BeginTargetRequest();
    EXPECT_EQ(fresh.GetJsonField("sessionKey"), "\"\"");
    EXPECT_EQ(fresh.GetJsonField("target"), "0");
    EXPECT_EQ(fresh.GetItemCount(), 0);
    EXPECT_EQ(fresh.GetItemDocument(3).ToText(), "null");
}

}  // namespace
}  // namespace vkr

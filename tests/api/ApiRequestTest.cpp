// Every endpoint's request as the stand-in received it (method, path, query,
// body byte for byte) and the code the client reports for its answer.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "api/BotCore.h"
#include "api/ResultCode.h"
#include "tests/api/StandinProcess.h"

namespace vkr {
namespace {

constexpr std::int64_t kOwnedGroup = 20001;  // the bot owns it
constexpr std::int64_t kFriend = 10001;
constexpr std::int64_t kMember = 30001;

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

MessageChain Plain(const std::string& text) {
    MessageChain chain;
    chain.AddPlain(text);
    return chain;
}

class ApiRequests : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(standin.Ready()) << standin.Output();
        ASSERT_TRUE(core.Initialize(standin.BaseUrl(), StandinProcess::kAuthKey, StandinProcess::kBotQq));
        key = core.GetFriend(0).GetSessionKey();
        ASSERT_FALSE(key.empty());
    }

    MemberApi Member(std::int64_t qq) { return core.GetGroup(kOwnedGroup).GetMember(qq); }

    StandinProcess standin;
    BotCore core;
    std::string key;
};

TEST_F(ApiRequests, SessionStartsWithAuthThenVerify) {
    const auto requests = standin.Requests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[0].path, "/auth");
    EXPECT_EQ(requests[0].body, std::string("{\"authKey\":\"") + StandinProcess::kAuthKey + "\"}");
    EXPECT_EQ(requests[1].path, "/verify");
    EXPECT_EQ(requests[1].body, "{\"sessionKey\":\"" + key + "\",\"qq\":900001}");
}

TEST_F(ApiRequests, EveryEndpointSendsItsMembersInOrder) {
    struct Case {
        const char* name;
        std::function<std::optional<std::int32_t>()> call;  // the reported code, when the call reports one
        std::string method, path, query, body;              // "$K" stands for the session key
        std::optional<std::int32_t> code;
    };
    MessageChain quoting = Plain("q");
    quoting.SetQuoteId(-3);
    const std::string hi = R"("messageChain":[{"type":"Plain","text":"hi"}])";
    GroupConfig config{"n", "", false, true, false, true};
    const Case cases[] = {
        {"friend message", [&] { return core.GetFriend(kFriend).SendFriendMessage(Plain("hi")).code; },
         "POST", "/sendFriendMessage", "", R"({"sessionKey":"$K","target":10001,)" + hi + "}", 0},
        {"quote last, negative kept",
         [&] { return core.GetFriend(kFriend).SendFriendMessage(quoting).code; }, "POST", "/sendFriendMessage", "",
         R"({"sessionKey":"$K","target":10001,"messageChain":[{"type":"Plain","text":"q"}],"quote":-3})", 5},
        {"empty chain is an object", [&] { return core.GetFriend(kFriend).SendFriendMessage(MessageChain()).code; },
         "POST", "/sendFriendMessage", "", R"({"sessionKey":"$K","target":10001,"messageChain":{}})", std::nullopt},
        {"group message", [&] { return core.GetGroup(kOwnedGroup).SendGroupMessage(Plain("hi")).code; }, "POST",
         "/sendGroupMessage", "", R"({"sessionKey":"$K","target":20001,)" + hi + "}", 0},
        {"temp message adds qq and group", [&] { return Member(kMember).SendTempMessage(Plain("hi")).code; },
         "POST", "/sendTempMessage", "",
         R"({"sessionKey":"$K","target":20001,"memberId":30001,)" + hi + R"(,"qq":30001,"group":20001})", 0},
        {"temp message with qq", [&] { return Member(kMember).SendTempMessageWithQq(Plain("hi")).code; }, "POST",
         "/sendTempMessage", "",
         R"({"sessionKey":"$K","target":20001,"memberId":30001,"group":20001,"qq":30001,)" + hi + "}", 0},
        {"member as friend", [&] { return Member(kFriend).SendFriendMessage(Plain("hi")).code; }, "POST",
         "/sendFriendMessage", "", R"({"sessionKey":"$K","target":10001,"memberId":10001,)" + hi + "}", 0},
        {"recall", [&] { return core.Recall(999999); }, "POST", "/recall", "",
         R"({"sessionKey":"$K","target":999999})", 5},
        {"recall of a chain without source",
         [&] {
             MessageChain none;
             return core.RecallMessage(none);
         },
         "POST", "/recall", "", R"({"sessionKey":"$K","target":-1})", 5},
        {"mute all", [&] { return core.GetGroup(kOwnedGroup).MuteAll(true); }, "POST", "/muteAll", "",
         R"({"sessionKey":"$K","target":20001})", 0},
        {"unmute all, same body", [&] { return core.GetGroup(kOwnedGroup).MuteAll(false); }, "POST", "/unmuteAll",
         "", R"({"sessionKey":"$K","target":20001})", 0},
        {"group kick has no member", [&] { return core.GetGroup(kOwnedGroup).Kick(); }, "POST", "/kick", "",
         R"({"sessionKey":"$K","target":20001})", 400},
        {"mute", [&] { return Member(kMember).Mute(60); }, "POST", "/mute", "",
         R"({"sessionKey":"$K","target":20001,"memberId":30001,"time":60})", 0},
        {"mute keeps the sign", [&] { return Member(kMember).Mute(-5); }, "POST", "/mute", "",
         R"({"sessionKey":"$K","target":20001,"memberId":30001,"time":-5})", std::nullopt},
        {"unmute", [&] { return Member(kMember).Unmute(); }, "POST", "/unmute", "",
         R"({"sessionKey":"$K","target":20001,"memberId":30001})", 0},
        {"set group config, all six", [&] { return core.GetGroup(kOwnedGroup).SetGroupConfig(config); }, "POST",
         "/groupConfig", "",
         R"({"sessionKey":"$K","target":20001,"config":{"name":"n","announcement":"","confessTalk":false,)"
         R"("allowMemberInvite":true,"autoApprove":false,"anonymousChat":true}})",
         0},
        {"get group config",
         [&] {
             core.GetGroup(kOwnedGroup).GetGroupConfig();
             return std::nullopt;
         },
         "GET", "/groupConfig", "sessionKey=$K&target=20001", "", std::nullopt},
        {"set member info, config and info", [&] { return Member(kMember).SetMemberInfo({"card", "title"}); },
         "POST", "/memberInfo", "",
         R"({"sessionKey":"$K","target":20001,"memberId":30001,"config":{"name":"card","specialTitle":"title"},)"
         R"("info":{"name":"card","specialTitle":"title"}})",
         0},
        {"get member info",
         [&] {
             Member(kMember).GetMemberInfo();
             return std::nullopt;
         },
         "GET", "/memberInfo", "sessionKey=$K&target=20001&memberId=30001", "", std::nullopt},
        {"member kick with empty message", [&] { return Member(10002).Kick(""); }, "POST", "/kick", "",
         R"({"sessionKey":"$K","target":20001,"memberId":10002,"msg":""})", 0},
        {"message from id",
         [&] {
             core.MessageFromId(77);
             return std::nullopt;
         },
         "GET", "/messageFromId", "sessionKey=$K&id=77", "", std::nullopt},
        {"friend list",
         [&] {
             std::vector<FriendApi> list;
             core.FriendList(list);
             return std::nullopt;
         },
         "GET", "/friendList", "sessionKey=$K", "", std::nullopt},
        {"group list",
         [&] {
             std::vector<GroupApi> list;
             core.GroupList(list);
             return std::nullopt;
         },
         "GET", "/groupList", "sessionKey=$K", "", std::nullopt},
        {"member list",
         [&] {
             std::vector<MemberApi> list;
             core.GetGroup(kOwnedGroup).MemberList(list);
             return std::nullopt;
         },
         "GET", "/memberList", "sessionKey=$K&target=20001", "", std::nullopt},
        {"release", [&] { return core.Shutdown(); }, "POST", "/release", "",
         R"({"sessionKey":"$K","qq":900001})", 0},
    };
    for (const auto& c : cases) {
        const size_t before = standin.Requests().size();
        const std::optional<std::int32_t> code = c.call();
        const auto requests = standin.Requests();
        ASSERT_EQ(requests.size(), before + 1) << c.name;
        const auto& sent = requests.back();
        EXPECT_EQ(sent.method, c.method) << c.name;
        EXPECT_EQ(sent.path, c.path) << c.name;
        EXPECT_EQ(sent.query, ReplaceAll(c.query, "$K", key)) << c.name;
        EXPECT_EQ(sent.body, ReplaceAll(c.body, "$K", key)) << c.name;
        if (c.code) {
            EXPECT_EQ(code, c.code) << c.name;
        }
    }
}

// The exact multipart bytes are HttpClient's (tested there); here the
// stand-in parses the three parts and stores the image under its file name.
TEST_F(ApiRequests, UploadSendsThreePartsAndReturnsTheImageId) {
    const std::string image("\xFF\xD8\xFF\x00jpeg\r\n--", 12);
    EXPECT_FALSE(core.UploadFriendImage(image).empty());
    const auto saved = standin.WorkDir() / "data" / "net.mamoe.mirai-api-http" / "images" / "abc.jpg";
    std::ifstream in(saved, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), image);
    EXPECT_EQ(standin.Requests().back().path, "/uploadImage");

    EXPECT_FALSE(core.UploadGroupImage("").empty());  // an empty image still sends all three parts
}

TEST_F(ApiRequests, AnswersAreReadBack) {
    const SendResult sent = core.GetFriend(kFriend).SendFriendMessage(Plain("round trip"));
    ASSERT_TRUE(sent.Succeeded()) << ResultCodeMeaning(sent.code);
    MessageChain stored = core.MessageFromId(sent.messageId);  // the server nests it under "data"
    EXPECT_EQ(stored.GetPlainText(), "round trip");
    EXPECT_EQ(stored.GetSourceId(), sent.messageId);
    EXPECT_EQ(core.RecallMessage(stored), 0);
    EXPECT_EQ(core.MessageFromId(424242).ToText(), "null");  // unknown id: an empty chain

    std::vector<FriendApi> friends{FriendApi()};
    core.FriendList(friends);
    ASSERT_EQ(friends.size(), 3u);
    EXPECT_EQ(friends[1].GetTarget(), 10002);
    EXPECT_EQ(friends[1].GetNickname(), "\xD0\xA1\xC3\xF7");  // 小明 in CP936
    EXPECT_EQ(friends[1].GetSessionKey(), key);

    std::vector<GroupApi> groups;
    core.GroupList(groups);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].GetTarget(), kOwnedGroup);
    EXPECT_EQ(groups[0].GetPermission(), "OWNER");

    std::vector<MemberApi> members;
    groups[0].MemberList(members);
    ASSERT_EQ(members.size(), 3u);
    EXPECT_EQ(members[0].GetTarget(), 10001);
    EXPECT_EQ(members[0].GetPermission(), "ADMINISTRATOR");
    EXPECT_EQ(members[0].GetGroup().GetTarget(), kOwnedGroup);
    EXPECT_EQ(members[0].GetGroup().GetSessionKey(), key);

    GroupApi group = core.GetGroup(kOwnedGroup);
    ASSERT_EQ(group.SetGroupConfig({"renamed", "notice", true, false, true, true}), 0);
    const GroupConfig config = group.GetGroupConfig();
    EXPECT_EQ(config.name, "renamed");
    EXPECT_EQ(config.announcement, "notice");
    EXPECT_FALSE(config.allowMemberInvite);

    MemberApi member = group.GetMember(kMember);
    ASSERT_EQ(member.SetMemberInfo({"card", "title"}), 0);
    const MemberInfo info = member.GetMemberInfo();
    EXPECT_EQ(info.name, "card");
    EXPECT_EQ(info.specialTitle, "title");

    std::vector<MemberApi> none{MemberApi()};
    core.GetGroup(99).MemberList(none);  // unknown group: a code, not an array
    EXPECT_TRUE(none.empty());
}

TEST_F(ApiRequests, SessionFailuresKeepWhatTheyHad) {
    Session session;
    session.SetServer(standin.BaseUrl());
    EXPECT_FALSE(session.Auth("wrong-key-123"));
    EXPECT_EQ(session.GetSessionKey(), "");
    ASSERT_TRUE(session.Auth(StandinProcess::kAuthKey));
    const std::string first = session.GetSessionKey();
    EXPECT_FALSE(session.Auth("wrong-key-123"));
    EXPECT_EQ(session.GetSessionKey(), first);

    EXPECT_EQ(session.Verify(123), 2);  // not the bot
    EXPECT_EQ(session.GetTarget(), 123);

    BotCore other;
    EXPECT_FALSE(other.Initialize(standin.BaseUrl(), StandinProcess::kAuthKey, 123));  // verify fails
    EXPECT_FALSE(other.Initialize(standin.BaseUrl(), "wrong-key-123", StandinProcess::kBotQq));
}

}  // namespace
}  // namespace vkr

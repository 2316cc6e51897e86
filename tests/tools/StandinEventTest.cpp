// Events typed on the stand-in's console reach fetchMessage in the plug-in's shapes.
#include "tests/tools/StandinApiFixture.h"

namespace vkr::test {
namespace {

const std::string kOwned = R"({"id":20001,"name":"Velkorin 测试群","permission":"OWNER"})";
const std::string kAlice = R"({"id":10001,"memberName":"爱丽丝","permission":"ADMINISTRATOR","group":)" + kOwned + "}";
const std::string kXiaoming = R"({"id":10002,"memberName":"小明","permission":"MEMBER","group":)" + kOwned + "}";

TEST_F(StandinApi, EachInjectedEventHasThePluginsShape) {
    std::string key = VerifiedSession();
    struct Case {
        std::string command;
        std::string expected;  // the whole event, or for message events its sender
    };
    const Case cases[] = {
        {"event join 20001 40001 新人 甲", R"({"type":"MemberJoinEvent","member":{"id":40001,"memberName":"新人 甲","permission":"MEMBER","group":)" + kOwned + "}}"},
        {"event quit 20001 40001", R"({"type":"MemberLeaveEventQuit","member":{"id":40001,"memberName":"新人 甲","permission":"MEMBER","group":)" + kOwned + "}}"},
        {"event kick 20001 10002 10001", R"({"type":"MemberLeaveEventKick","member":)" + kXiaoming + R"(,"operator":)" + kAlice + "}"},
        {"event kick 20001 30001", R"({"type":"MemberLeaveEventKick","member":{"id":30001,"memberName":"路人甲","permission":"MEMBER","group":)" + kOwned + R"(},"operator":null})"},
        {"event muteall 20001 on 10001", R"({"type":"GroupMuteAllEvent","origin":false,"new":true,"current":true,"group":)" + kOwned + R"(,"operator":)" + kAlice + "}"},
        {"event muteall 20001 off", R"({"type":"GroupMuteAllEvent","origin":true,"new":false,"current":false,"group":)" + kOwned + R"(,"operator":null})"},
        {"event mute 20002 10003 60", R"({"type":"MemberMuteEvent","durationSeconds":60,"member":{"id":10003,"memberName":"Bob","permission":"MEMBER","group":{"id":20002,"name":"闲聊群","permission":"MEMBER"}},"operator":null})"},
        {"event unmute 20002 10003 30002", R"({"type":"MemberUnmuteEvent","member":{"id":10003,"memberName":"Bob","permission":"MEMBER","group":{"id":20002,"name":"闲聊群","permission":"MEMBER"}},"operator":{"id":30002,"memberName":"群主","permission":"OWNER","group":{"id":20002,"name":"闲聊群","permission":"MEMBER"}}})"},
        {"event botmute 20001 600 10001", R"({"type":"BotMuteEvent","durationSeconds":600,"operator":)" + kAlice + "}"},
        {"event botunmute 20001 10001", R"({"type":"BotUnmuteEvent","operator":)" + kAlice + "}"},
        {"event bot offline-dropped", R"({"type":"BotOfflineEventDropped","qq":12345})"},
        {"event bot relogin", R"({"type":"BotReloginEvent","qq":12345})"},
    };
    for (const Case& c : cases) {
        Inject(c.command);
        Json data = Get(WithKey("/fetchMessage?sessionKey=$K&count=5", key)).json()["data"];
        ASSERT_EQ(data.size(), 1u) << c.command;
        EXPECT_EQ(data[0].dump(), c.expected) << c.command;
    }
}

TEST_F(StandinApi, InjectedMessagesAndRecallsCarrySourceAndSender) {
    std::string key = VerifiedSession();
    Inject("event friend 10002 你好  世界");
    Inject("event group 20001 10001 群消息");
    Inject("event temp 20001 10002 临时");
    Inject("event friendrecall 10002 1");
    Inject("event grouprecall 20001 10001 2 10001");
    Json data = Get(WithKey("/fetchMessage?sessionKey=$K&count=10", key)).json()["data"];
    ASSERT_EQ(data.size(), 5u);

    struct Expected {
        const char* type;
        std::string sender;
        const char* text;
    };
    const Expected messages[] = {
        {"FriendMessage", R"({"id":10002,"nickname":"小明","remark":"同学"})", "你好  世界"},
        {"GroupMessage", kAlice, "群消息"},
        {"TempMessage", kXiaoming, "临时"},
    };
    for (size_t i = 0; i < std::size(messages); ++i) {
        const Json& event = data[i];
        EXPECT_EQ(event["type"], messages[i].type);
        EXPECT_EQ(event["sender"].dump(), messages[i].sender);
        ASSERT_EQ(event["messageChain"].size(), 2u);
        EXPECT_EQ(event["messageChain"][0]["type"], "Source");
        EXPECT_EQ(event["messageChain"][0]["id"], i + 1);
        EXPECT_TRUE(event["messageChain"][0]["time"].is_number_integer());
        EXPECT_EQ(event["messageChain"][1].dump(), std::string(R"({"type":"Plain","text":")") + messages[i].text + "\"}");
    }
    const Json& friendRecall = data[3];
    EXPECT_EQ(friendRecall["type"], "FriendRecallEvent");
    EXPECT_EQ(friendRecall["authorId"], 10002);
    EXPECT_EQ(friendRecall["messageId"], 1);
    EXPECT_EQ(friendRecall["time"], data[0]["messageChain"][0]["time"].get<int64_t>() & 0xFFFF);
    EXPECT_EQ(friendRecall["operator"], 10002) << "a number, not an object";
    EXPECT_FALSE(friendRecall.contains("sender"));
    const Json& groupRecall = data[4];
    EXPECT_EQ(groupRecall["type"], "GroupRecallEvent");
    EXPECT_EQ(groupRecall["group"].dump(), kOwned);
    EXPECT_EQ(groupRecall["operator"].dump(), kAlice);
    // A message recalled on the QQ side cannot be recalled again.
    Answer again = Post("/recall", WithKey(R"({"sessionKey":"$K","target":2})", key));
    EXPECT_EQ(again.status, 400);
}

TEST_F(StandinApi, FetchTakesAtMostCountOldestFirst) {
    std::string key = VerifiedSession();
    for (int i = 1; i <= 3; ++i) Inject("event friend 10001 m" + std::to_string(i));
    auto fetch = [&](const std::string& count) {
        return Get(WithKey("/fetchMessage?sessionKey=$K&count=" + count, key));
    };
    Json first = fetch("2").json();
    EXPECT_EQ(first["code"], 0);
    EXPECT_EQ(first["errorMessage"], "");
    ASSERT_EQ(first["data"].size(), 2u);
    EXPECT_EQ(first["data"][0]["messageChain"][1]["text"], "m1");
    EXPECT_EQ(fetch("0").body, R"({"code":0,"errorMessage":"","data":[]})");
    EXPECT_EQ(fetch("-3").body, R"({"code":0,"errorMessage":"","data":[]})");
    Json rest = fetch("10").json();
    ASSERT_EQ(rest["data"].size(), 1u);
    EXPECT_EQ(rest["data"][0]["messageChain"][1]["text"], "m3");
    EXPECT_EQ(fetch("10").body, R"({"code":0,"errorMessage":"","data":[]})");

    Answer bad = fetch("five");
    EXPECT_EQ(bad.status, 500);
    EXPECT_EQ(bad.body, R"(For input string: "five")");
    Answer missing = Get(WithKey("/fetchMessage?sessionKey=$K", key));
    EXPECT_EQ(missing.status, 400);
    EXPECT_EQ(missing.body, R"({"code":400,"msg":"Illegal param. A Int is required for `count` while `null` is given"})");
}

TEST_F(StandinApi, EachVerifiedSessionHasItsOwnQueueFromVerifyOn) {
    std::string early = VerifiedSession();
    std::string pending = Auth();
    Inject("event friend 10001 before");
    Post("/verify", WithKey(R"({"sessionKey":"$K","qq":12345})", pending));
    Inject("event friend 10001 after");
    EXPECT_TRUE(standin_->WaitForOutput("queued for 2 session(s)"));
    Json earlyData = Get(WithKey("/fetchMessage?sessionKey=$K&count=10", early)).json()["data"];
    Json lateData = Get(WithKey("/fetchMessage?sessionKey=$K&count=10", pending)).json()["data"];
    EXPECT_EQ(earlyData.size(), 2u);
    ASSERT_EQ(lateData.size(), 1u);
    EXPECT_EQ(lateData[0]["messageChain"][1]["text"], "after");
    // The earlier message is not in the later session's cache either.
    int32_t before = earlyData[0]["messageChain"][0]["id"];
    EXPECT_EQ(Get(WithKey("/messageFromId?sessionKey=$K&id=" + std::to_string(before), pending)).body,
              R"({"code":5,"msg":"指定对象不存在"})");
}

TEST_F(StandinApi, BotMuteFromTheConsoleBlocksSendsToThatGroup) {
    std::string key = VerifiedSession();
    std::string send = WithKey(R"({"sessionKey":"$K","target":20001,"messageChain":[{"type":"Plain","text":"x"}]})", key);
    Inject("event botmute 20001 600 10001");
    EXPECT_EQ(Post("/sendGroupMessage", send).body, R"({"code":20,"msg":"Bot被禁言"})");
    Inject("event botunmute 20001 10001");
    EXPECT_EQ(Post("/sendGroupMessage", send).json()["code"], 0);
}

TEST_F(StandinApi, BadEventCommandsChangeNothing) {
    std::string key = VerifiedSession();
    const char* commands[] = {
        "event friend 99 stranger",        // not a friend
        "event mute 20001 10002 soon",     // not a number: must not unmute either
        "event mute 20001 10002 0",        // a mute needs a duration
        "event join 20001 10001",          // already a member
        "event grouprecall 20001 1 2 777", // unknown operator
        "event nonsense",
        "event friend 10001",              // no text
    };
    for (const char* command : commands) standin_->WriteLine(command);
    standin_->WriteLine("status");
    ASSERT_TRUE(standin_->WaitForOutput("Sessions: 1 (1 verified)"));
    std::string text = standin_->Output();
    EXPECT_EQ(text.find("queued for"), std::string::npos) << text;
    EXPECT_NE(text.find("W/stand-in: No friend 99"), std::string::npos);
    EXPECT_NE(text.find("W/stand-in: Usage: event mute <group> <qq> <seconds> [operatorQq]"), std::string::npos);
    EXPECT_EQ(Get(WithKey("/fetchMessage?sessionKey=$K&count=10", key)).body, R"({"code":0,"errorMessage":"","data":[]})");
}

}  // namespace
}  // namespace vkr::test

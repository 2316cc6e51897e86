// The stand-in's HTTP API: sessions, the checks before every handler, contact
// lists and group administration, with the plug-in's codes and answer shapes.
#include <regex>

#include "tests/tools/StandinApiFixture.h"

namespace vkr::test {
namespace {

const std::string kBadBody = R"({"code":400,"msg":"参数格式错误"})";
const std::string kNoSession = R"({"code":3,"msg":"Session失效或不存在"})";
const std::string kUnverified = R"({"code":4,"msg":"Session未认证"})";
const std::string kNoTarget = R"({"code":5,"msg":"指定对象不存在"})";
const std::string kNoPermission = R"({"code":10,"msg":"无操作权限"})";
const std::string kSuccess = R"({"code":0,"msg":"success"})";

struct Case {
    const char* name;
    const char* method;  // "GET" or "POST"
    const char* path;    // "$K" becomes the session key
    const char* body;
    int status;
    std::string expected;  // the exact answer body
};

class StandinApiTable : public StandinApi {
protected:
    void Run(const std::vector<Case>& cases, const std::string& key) {
        for (const Case& c : cases) {
            Answer answer = std::string(c.method) == "GET" ? Get(WithKey(c.path, key))
                                                           : Post(c.path, WithKey(c.body, key));
            EXPECT_EQ(answer.status, c.status) << c.name;
            EXPECT_EQ(answer.body, c.expected) << c.name;
        }
    }
};

TEST_F(StandinApiTable, AuthChecksTheKeyAndTheBody) {
    Answer good = Post("/auth", R"({"authKey":"velkorin-key"})");
    EXPECT_EQ(good.status, 200);
    EXPECT_EQ(good.contentType, "application/json; charset=UTF-8");
    EXPECT_TRUE(std::regex_match(good.body, std::regex(R"(\{"code":0,"session":"[A-Za-z0-9]{8}"\})"))) << good.body;
    Run({
            {"wrong key", "POST", "/auth", R"({"authKey":"other-key"})", 200, R"({"code":1,"msg":"Auth Key错误"})"},
            {"no key member", "POST", "/auth", R"({"key":"velkorin-key"})", 400, kBadBody},
            {"key of the wrong type", "POST", "/auth", R"({"authKey":42})", 400, kBadBody},
            {"not JSON", "POST", "/auth", "authKey=velkorin-key", 400, kBadBody},
            {"JSON array", "POST", "/auth", "[]", 400, kBadBody},
        },
        "");
}

TEST_F(StandinApiTable, VerifyBindsTheFirstQqAndRefusesOthers) {
    std::string first = VerifiedSession();
    std::string second = Auth();
    Run({
            {"other bot", "POST", "/verify", R"({"sessionKey":"$K","qq":99999})", 200,
             R"({"code":2,"msg":"指定Bot不存在"})"},
            {"unknown key", "POST", "/verify", R"({"sessionKey":"nope1234","qq":12345})", 200, kNoSession},
            {"qq missing", "POST", "/verify", R"({"sessionKey":"$K"})", 400, kBadBody},
            {"qq not a number", "POST", "/verify", R"({"sessionKey":"$K","qq":"12345"})", 400, kBadBody},
            {"same bot", "POST", "/verify", R"({"sessionKey":"$K","qq":12345})", 200, kSuccess},
            {"already verified", "POST", "/verify", R"({"sessionKey":"$K","qq":99999})", 200, kSuccess},
        },
        second);
    EXPECT_NE(standin_->Output().find("Bot(12345) is simulated"), std::string::npos);
}

TEST_F(StandinApiTable, LoginOnTheConsolePicksTheBotForVerify) {
    standin_->WriteLine("login 777 secret");
    standin_->WriteLine("login 778");
    ASSERT_TRUE(standin_->WaitForOutput("W/stand-in: The stand-in simulates one bot only: 777"));
    std::string key = Auth();
    Run({
            {"not the console's bot", "POST", "/verify", R"({"sessionKey":"$K","qq":12345})", 200,
             R"({"code":2,"msg":"指定Bot不存在"})"},
            {"the console's bot", "POST", "/verify", R"({"sessionKey":"$K","qq":777})", 200, kSuccess},
        },
        key);
}

TEST_F(StandinApiTable, ReleaseEndsTheSession) {
    std::string key = VerifiedSession();
    std::string unverified = Auth();
    Run({{"unverified", "POST", "/release", R"({"sessionKey":"$K","qq":12345})", 200, kUnverified}}, unverified);
    Run({
            {"not the bot", "POST", "/release", R"({"sessionKey":"$K","qq":54321})", 200,
             R"({"code":2,"msg":"指定Bot不存在"})"},
            {"release", "POST", "/release", R"({"sessionKey":"$K","qq":12345})", 200, kSuccess},
            {"used afterwards", "GET", "/friendList?sessionKey=$K", "", 200, kNoSession},
            {"released twice", "POST", "/release", R"({"sessionKey":"$K","qq":12345})", 200, kNoSession},
        },
        key);
}

TEST_F(StandinApiTable, EveryEndpointChecksTheSessionAfterTheBody) {
    std::vector<std::pair<const char*, const char*>> posts = {
        {"/sendFriendMessage", R"({"sessionKey":"$K","target":10001,"messageChain":[]})"},
        {"/sendGroupMessage", R"({"sessionKey":"$K","target":20001,"messageChain":[]})"},
        {"/sendTempMessage", R"({"sessionKey":"$K","qq":10001,"group":20001,"messageChain":[]})"},
        {"/recall", R"({"sessionKey":"$K","target":1})"},
        {"/muteAll", R"({"sessionKey":"$K","target":20001})"},
        {"/unmuteAll", R"({"sessionKey":"$K","target":20001})"},
        {"/mute", R"({"sessionKey":"$K","target":20001,"memberId":30001,"time":60})"},
        {"/unmute", R"({"sessionKey":"$K","target":20001,"memberId":30001})"},
        {"/kick", R"({"sessionKey":"$K","target":20001,"memberId":30001})"},
        {"/groupConfig", R"({"sessionKey":"$K","target":20001,"config":{}})"},
        {"/memberInfo", R"({"sessionKey":"$K","target":20001,"memberId":30001,"info":{}})"},
    };
    std::vector<const char*> gets = {
        "/fetchMessage?sessionKey=$K&count=1", "/messageFromId?sessionKey=$K&id=1", "/friendList?sessionKey=$K",
        "/groupList?sessionKey=$K", "/memberList?sessionKey=$K&target=20001",
        "/groupConfig?sessionKey=$K&target=20001", "/memberInfo?sessionKey=$K&target=20001&memberId=30001",
    };
    std::string unverified = Auth();
    for (const auto& [path, body] : posts) {
        EXPECT_EQ(Post(path, WithKey(body, "nope1234")).body, kNoSession) << path;
        EXPECT_EQ(Post(path, WithKey(body, unverified)).body, kUnverified) << path;
        Answer broken = Post(path, R"({"sessionKey":"nope1234")");
        EXPECT_EQ(broken.status, 400) << path;
        EXPECT_EQ(broken.body, kBadBody) << path;
    }
    for (const char* path : gets) {
        EXPECT_EQ(Get(WithKey(path, "nope1234")).body, kNoSession) << path;
        EXPECT_EQ(Get(WithKey(path, unverified)).body, kUnverified) << path;
        std::string withoutKey = std::regex_replace(std::string(path), std::regex(R"(sessionKey=\$K&?)"), "");
        Answer missing = Get(withoutKey);
        EXPECT_EQ(missing.status, 400) << withoutKey;
        EXPECT_EQ(missing.body, kBadBody) << withoutKey;
    }
}

TEST_F(StandinApiTable, UnknownPathsAndWrongMethodsGet404WithNoBody) {
    for (const auto& answer : {Get("/nothing"), Post("/nothing", "{}"), Get("/auth")}) {
        EXPECT_EQ(answer.status, 404);
        EXPECT_EQ(answer.body, "");
    }
}

TEST_F(StandinApiTable, ListsAreBareArraysAndFailuresAreStateObjects) {
    std::string key = VerifiedSession();
    Json friends = Get(WithKey("/friendList?sessionKey=$K", key)).json();
    ASSERT_TRUE(friends.is_array());
    EXPECT_EQ(friends[0].dump(), R"({"id":10001,"nickname":"Alice","remark":""})");
    Json groups = Get(WithKey("/groupList?sessionKey=$K", key)).json();
    ASSERT_TRUE(groups.is_array());
    EXPECT_EQ(groups[0].dump(), R"({"id":20001,"name":"Velkorin 测试群","permission":"OWNER"})");
    Json members = Get(WithKey("/memberList?sessionKey=$K&target=20001", key)).json();
    ASSERT_TRUE(members.is_array());
    EXPECT_EQ(members[0].dump(),
              R"({"id":10001,"memberName":"爱丽丝","permission":"ADMINISTRATOR","group":{"id":20001,"name":"Velkorin 测试群","permission":"OWNER"}})");
    for (const Json& member : members) EXPECT_NE(member["id"], kBot);
    Run({
            {"unknown group", "GET", "/memberList?sessionKey=$K&target=99", "", 200, kNoTarget},
            {"target not a number", "GET", "/memberList?sessionKey=$K&target=x9", "", 500, R"(For input string: "x9")"},
            {"target missing", "GET", "/memberList?sessionKey=$K", "", 400,
             R"({"code":400,"msg":"Illegal param. A Long is required for `target` while `null` is given"})"},
        },
        key);
}

TEST_F(StandinApiTable, MuteKickAndMuteAllFollowTheBotsRank) {
    std::string key = VerifiedSession();
    // Group 20001: the bot owns it. Group 20002: the bot is a plain member.
    Run({
            {"mute all", "POST", "/muteAll", R"({"sessionKey":"$K","target":20001})", 200, kSuccess},
            {"unmute all", "POST", "/unmuteAll", R"({"sessionKey":"$K","target":20001})", 200, kSuccess},
            {"mute all unknown group", "POST", "/muteAll", R"({"sessionKey":"$K","target":99})", 200, kNoTarget},
            {"mute all without rights", "POST", "/muteAll", R"({"sessionKey":"$K","target":20002})", 200,
             kNoPermission},
            {"mute all without target", "POST", "/muteAll", R"({"sessionKey":"$K"})", 400, kBadBody},
            {"mute", "POST", "/mute", R"({"sessionKey":"$K","target":20001,"memberId":30001,"time":60})", 200,
             kSuccess},
            {"mute an administrator as owner", "POST", "/mute",
             R"({"sessionKey":"$K","target":20001,"memberId":10001,"time":60})", 200, kSuccess},
            {"mute the bot", "POST", "/mute", R"({"sessionKey":"$K","target":20001,"memberId":12345,"time":60})",
             400, R"({"code":400,"msg":"A bot can't mute itself."})"},
            {"mute without memberId", "POST", "/mute", R"({"sessionKey":"$K","target":20001,"time":60})", 200,
             kNoTarget},
            {"mute without rights", "POST", "/mute",
             R"({"sessionKey":"$K","target":20002,"memberId":10003,"time":60})", 200, kNoPermission},
            {"unmute", "POST", "/unmute", R"({"sessionKey":"$K","target":20001,"memberId":30001})", 200, kSuccess},
            {"unmute unknown member", "POST", "/unmute", R"({"sessionKey":"$K","target":20001,"memberId":777})", 200,
             kNoTarget},
            {"kick without memberId", "POST", "/kick", R"({"sessionKey":"$K","target":20001})", 400, kBadBody},
            {"kick without rights", "POST", "/kick", R"({"sessionKey":"$K","target":20002,"memberId":10003})", 200,
             kNoPermission},
            {"kick", "POST", "/kick", R"({"sessionKey":"$K","target":20001,"memberId":30001,"msg":"bye"})", 200,
             kSuccess},
            {"kick again", "POST", "/kick", R"({"sessionKey":"$K","target":20001,"memberId":30001})", 200, kNoTarget},
        },
        key);
    Answer zero = Post("/mute", WithKey(R"({"sessionKey":"$K","target":20001,"memberId":10002})", key));
    EXPECT_EQ(zero.status, 500) << "a mute needs 1 second to 30 days";
    std::string members = Get(WithKey("/memberList?sessionKey=$K&target=20001", key)).body;
    EXPECT_EQ(members.find("30001"), std::string::npos);
}

TEST_F(StandinApiTable, GroupConfigAppliesThreeFlagsAndIgnoresTheRest) {
    std::string key = VerifiedSession();
    const std::string before =
        R"({"name":"Velkorin 测试群","announcement":"欢迎来到测试群","confessTalk":false,"allowMemberInvite":true,"autoApprove":false,"anonymousChat":false})";
    const std::string after =
        R"({"name":"新名字","announcement":"","confessTalk":false,"allowMemberInvite":false,"autoApprove":false,"anonymousChat":false})";
    Run({
            {"read", "GET", "/groupConfig?sessionKey=$K&target=20001", "", 200, before},
            {"unknown group", "GET", "/groupConfig?sessionKey=$K&target=99", "", 200, kNoTarget},
            {"write", "POST", "/groupConfig",
             R"({"sessionKey":"$K","target":20001,"config":{"name":"新名字","announcement":"","confessTalk":true,"allowMemberInvite":false,"autoApprove":true,"anonymousChat":true}})",
             200, kSuccess},
            {"read back", "GET", "/groupConfig?sessionKey=$K&target=20001", "", 200, after},
            {"partial write keeps the rest", "POST", "/groupConfig",
             R"({"sessionKey":"$K","target":20001,"config":{}})", 200, kSuccess},
            {"still the same", "GET", "/groupConfig?sessionKey=$K&target=20001", "", 200, after},
            {"without rights", "POST", "/groupConfig", R"({"sessionKey":"$K","target":20002,"config":{"name":"x"}})",
             200, kNoPermission},
            {"flag of the wrong type", "POST", "/groupConfig",
             R"({"sessionKey":"$K","target":20001,"config":{"confessTalk":"yes"}})", 400, kBadBody},
            {"no config", "POST", "/groupConfig", R"({"sessionKey":"$K","target":20001})", 400, kBadBody},
        },
        key);
}

TEST_F(StandinApiTable, MemberInfoReadsAndWritesCardAndTitle) {
    std::string key = VerifiedSession();
    Run({
            {"read", "GET", "/memberInfo?sessionKey=$K&target=20001&memberId=10001", "", 200,
             R"({"name":"爱丽丝","specialTitle":""})"},
            {"unknown member", "GET", "/memberInfo?sessionKey=$K&target=20001&memberId=5", "", 200, kNoTarget},
            {"write both", "POST", "/memberInfo",
             R"({"sessionKey":"$K","target":20001,"memberId":10002,"info":{"name":"明","specialTitle":"元老"}})", 200,
             kSuccess},
            {"read back", "GET", "/memberInfo?sessionKey=$K&target=20001&memberId=10002", "", 200,
             R"({"name":"明","specialTitle":"元老"})"},
            {"write one keeps the other", "POST", "/memberInfo",
             R"({"sessionKey":"$K","target":20001,"memberId":10002,"info":{"name":"小明"}})", 200, kSuccess},
            {"read again", "GET", "/memberInfo?sessionKey=$K&target=20001&memberId=10002", "", 200,
             R"({"name":"小明","specialTitle":"元老"})"},
            {"config instead of info", "POST", "/memberInfo",
             R"({"sessionKey":"$K","target":20001,"memberId":10002,"config":{"name":"x"}})", 400, kBadBody},
            {"title without ownership", "POST", "/memberInfo",
             R"({"sessionKey":"$K","target":20002,"memberId":10003,"info":{"specialTitle":"x"}})", 200,
             kNoPermission},
            {"card without rights", "POST", "/memberInfo",
             R"({"sessionKey":"$K","target":20002,"memberId":10003,"info":{"name":"x"}})", 200, kNoPermission},
        },
        key);
}

}  // namespace
}  // namespace vkr::test

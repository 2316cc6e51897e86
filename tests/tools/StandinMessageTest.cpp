// Messages through the stand-in: sending, the stored form messageFromId gives
// back, quotes, recalls, image upload and the request record file.
#include <fstream>
#include <regex>
#include <sstream>

#include "tests/tools/StandinApiFixture.h"

namespace vkr::test {
namespace {

const std::string kNoTarget = R"({"code":5,"msg":"指定对象不存在"})";
const std::string kBadBody = R"({"code":400,"msg":"参数格式错误"})";

int32_t MessageId(const Answer& answer) {
    Json json = answer.json();
    EXPECT_EQ(json.value("code", -1), 0) << answer.body;
    EXPECT_EQ(json.value("msg", ""), "success") << answer.body;
    return json.value("messageId", 0);
}

TEST_F(StandinApi, SendsReachEveryKindOfContactAndShowOnTheConsole) {
    std::string key = VerifiedSession();
    struct Case {
        const char* path;
        const char* body;
        const char* consoleLine;
    };
    const Case cases[] = {
        {"/sendFriendMessage", R"({"sessionKey":"$K","target":10002,"messageChain":[{"type":"Plain","text":"你好"}]})",
         "I/stand-in: Friend(10002) <- 你好\x1b[0m"},
        {"/sendFriendMessage", R"({"sessionKey":"$K","qq":10003,"messageChain":[{"type":"Plain","text":"by qq"}]})",
         "I/stand-in: Friend(10003) <- by qq\x1b[0m"},
        {"/sendFriendMessage",
         R"({"sessionKey":"$K","target":10001,"qq":10003,"messageChain":[{"type":"Plain","text":"target wins"}]})",
         "I/stand-in: Friend(10001) <- target wins\x1b[0m"},
        {"/sendGroupMessage",
         R"({"sessionKey":"$K","group":20001,"messageChain":[{"type":"Plain","text":"a\nb"},{"type":"AtAll"}]})",
         "I/stand-in: Group(20001) <- a\\nb[mirai:atall]\x1b[0m"},
        {"/sendTempMessage",
         R"({"sessionKey":"$K","qq":30001,"group":20001,"messageChain":[{"type":"Face","faceId":14}]})",
         "I/stand-in: Temp(20001/30001) <- [mirai:face:14]\x1b[0m"},
        {"/sendTempMessage",
         R"({"sessionKey":"$K","qq":30003,"group":20003,"messageChain":[{"type":"Plain","text":"muted there"}]})",
         "I/stand-in: Temp(20003/30003) <- muted there\x1b[0m"},
    };
    std::set<int32_t> ids;
    for (const Case& c : cases) {
        ids.insert(MessageId(Post(c.path, WithKey(c.body, key))));
        EXPECT_TRUE(standin_->WaitForOutput(c.consoleLine)) << c.consoleLine;
    }
    EXPECT_EQ(ids.size(), std::size(cases)) << "message ids are distinct";
}

TEST_F(StandinApi, SendFailuresCarryThePluginsCodes) {
    std::string key = VerifiedSession();
    std::filesystem::create_directories(dir_.path() / "data" / "net.mamoe.mirai-api-http" / "images");
    struct Case {
        const char* name;
        const char* path;
        const char* body;
        int status;
        std::string expected;
    };
    const std::string missingFile =
        (dir_.path() / "data" / "net.mamoe.mirai-api-http" / "images" / "none.png").string();
    const Case cases[] = {
        {"unknown friend", "/sendFriendMessage", R"({"sessionKey":"$K","target":1,"messageChain":[{"type":"Plain","text":"x"}]})", 200, kNoTarget},
        {"no target", "/sendFriendMessage", R"({"sessionKey":"$K","messageChain":[{"type":"Plain","text":"x"}]})", 200, kNoTarget},
        {"unknown group", "/sendGroupMessage", R"({"sessionKey":"$K","target":1,"messageChain":[{"type":"Plain","text":"x"}]})", 200, kNoTarget},
        {"temp reads only qq and group", "/sendTempMessage", R"({"sessionKey":"$K","target":20001,"memberId":30001,"messageChain":[{"type":"Plain","text":"x"}]})", 200, kNoTarget},
        {"temp to a stranger", "/sendTempMessage", R"({"sessionKey":"$K","qq":5,"group":20001,"messageChain":[{"type":"Plain","text":"x"}]})", 200, kNoTarget},
        {"bot muted", "/sendGroupMessage", R"({"sessionKey":"$K","target":20003,"messageChain":[{"type":"Plain","text":"x"}]})", 200, R"({"code":20,"msg":"Bot被禁言"})"},
        {"too long", "/sendFriendMessage", nullptr, 200, R"({"code":30,"msg":"消息过长"})"},
        {"unknown quote", "/sendFriendMessage", R"({"sessionKey":"$K","target":10001,"quote":999,"messageChain":[{"type":"Plain","text":"x"}]})", 200, kNoTarget},
        {"At of a stranger", "/sendGroupMessage", R"({"sessionKey":"$K","target":20001,"messageChain":[{"type":"At","target":5}]})", 200, kNoTarget},
        {"image file missing", "/sendFriendMessage", R"({"sessionKey":"$K","target":10001,"messageChain":[{"type":"Image","path":"none.png"}]})", 200,
         R"({"code":6,"msg":"文件不存在：)" + missingFile + R"("})"},
        {"no chain", "/sendFriendMessage", R"({"sessionKey":"$K","target":10001})", 400, kBadBody},
        {"unknown element", "/sendFriendMessage", R"({"sessionKey":"$K","target":10001,"messageChain":[{"type":"Dice"}]})", 400, kBadBody},
        {"Plain without text", "/sendFriendMessage", R"({"sessionKey":"$K","target":10001,"messageChain":[{"type":"Plain"}]})", 400, kBadBody},
        {"quote beyond Int", "/sendFriendMessage", R"({"sessionKey":"$K","target":10001,"quote":4294967296,"messageChain":[{"type":"Plain","text":"x"}]})", 400, kBadBody},
        {"empty chain", "/sendFriendMessage", R"({"sessionKey":"$K","target":10001,"messageChain":[]})", 500, "message is empty"},
        {"only blank images", "/sendFriendMessage", R"({"sessionKey":"$K","target":10001,"messageChain":[{"type":"Image","url":" "}]})", 500, "message is empty"},
    };
    std::string tooLong = R"({"sessionKey":"$K","target":10001,"messageChain":[{"type":"Plain","text":")" +
                          std::string(6000, 'x') + R"("}]})";
    for (const Case& c : cases) {
        Answer answer = Post(c.path, WithKey(c.body ? c.body : tooLong, key));
        EXPECT_EQ(answer.status, c.status) << c.name;
        EXPECT_EQ(answer.body, c.expected) << c.name;
    }
    Answer at = Post("/sendFriendMessage",
                     WithKey(R"({"sessionKey":"$K","target":10001,"messageChain":[{"type":"At","target":10001}]})", key));
    EXPECT_EQ(at.status, 500) << "At only works in groups";
    EXPECT_TRUE(standin_->WaitForOutput("E/net.mamoe.mirai-api-http: java.lang.IllegalArgumentException: message is empty"));
}

TEST_F(StandinApi, MessageFromIdGivesTheChainAsReceivedUnderData) {
    std::string key = VerifiedSession();
    int32_t id = MessageId(Post("/sendGroupMessage", WithKey(R"({"sessionKey":"$K","target":20001,"messageChain":[
        {"type":"Plain","text":"hi"},{"type":"At","target":10001,"display":"@x"},{"type":"AtAll","target":5},
        {"type":"Face","name":"微笑"},{"type":"Face","faceId":-1},{"type":"Image","imageId":"{01234567-89AB-CDEF-0123-456789ABCDEF}.mirai"},
        {"type":"Image","imageId":"","url":""},{"type":"Json","json":"{\"a\":1}"},{"type":"Xml","xml":"<x/>"},
        {"type":"App","content":"{}"},{"type":"Poke","name":"Unknown"},{"type":"Poke","name":"BiXin"},
        {"type":"Source","id":1},{"type":"Quote","id":2}]})", key)));
    Json answer = Get(WithKey("/messageFromId?sessionKey=$K&id=" + std::to_string(id), key)).json();
    ASSERT_EQ(answer["code"], 0);
    EXPECT_EQ(answer["errorMessage"], "");
    Json data = answer["data"];
    EXPECT_EQ(data["type"], "GroupMessage");
    EXPECT_EQ(data["sender"]["id"], kBot);
    EXPECT_EQ(data["sender"]["group"]["id"], 20001);
    Json chain = data["messageChain"];
    ASSERT_EQ(chain[0]["type"], "Source");
    EXPECT_EQ(chain[0]["id"], id);
    chain.erase(chain.begin());
    EXPECT_EQ(chain.dump(),
              R"([{"type":"Plain","text":"hi"},{"type":"At","target":10001,"display":""},{"type":"AtAll","target":0},)"
              R"({"type":"Face","faceId":14,"name":"微笑"},{"type":"Face","faceId":255,"name":"未知表情"},)"
              R"({"type":"Image","imageId":"{01234567-89AB-CDEF-0123-456789ABCDEF}.mirai","url":"http://gchat.qpic.cn/gchatpic_new/0/0-0-0123456789ABCDEF0123456789ABCDEF/0?term=2","path":null},)"
              R"({"type":"Xml","xml":"{\"a\":1}"},{"type":"Xml","xml":"<x/>"},{"type":"App","content":"{}"},)"
              R"({"type":"Poke","name":"ChuoYiChuo"},{"type":"Poke","name":"BiXin"}])");
    Answer missing = Get(WithKey("/messageFromId?sessionKey=$K&id=777", key));
    EXPECT_EQ(missing.body, kNoTarget);
    Answer bad = Get(WithKey("/messageFromId?sessionKey=$K&id=2147483648", key));
    EXPECT_EQ(bad.status, 500);
    EXPECT_EQ(bad.body, R"(For input string: "2147483648")");
}

TEST_F(StandinApi, QuotesCarryTheQuotedMessage) {
    std::string key = VerifiedSession();
    Inject("event friend 10002 原话");
    Json event = Get(WithKey("/fetchMessage?sessionKey=$K&count=1", key)).json()["data"][0];
    int32_t quoted = event["messageChain"][0]["id"];
    int32_t reply = MessageId(Post("/sendFriendMessage",
        WithKey(R"({"sessionKey":"$K","target":10002,"quote":)" + std::to_string(quoted) +
                R"(,"messageChain":[{"type":"Plain","text":"回复"}]})", key)));
    Json chain = Get(WithKey("/messageFromId?sessionKey=$K&id=" + std::to_string(reply), key)).json()["data"]["messageChain"];
    ASSERT_EQ(chain.size(), 3u);
    EXPECT_EQ(chain[1]["type"], "Quote");
    EXPECT_EQ(chain[1]["id"], quoted);
    EXPECT_EQ(chain[1]["senderId"], 10002);
    EXPECT_EQ(chain[1]["targetId"], kBot);
    EXPECT_EQ(chain[1]["groupId"], 0);
    EXPECT_EQ(chain[1]["origin"], event["messageChain"]);
}

TEST_F(StandinApi, RecallAllowsTheBotsOwnAndOutrankedMessagesOnce) {
    std::string key = VerifiedSession();
    int32_t own = MessageId(Post("/sendGroupMessage",
        WithKey(R"({"sessionKey":"$K","target":20001,"messageChain":[{"type":"Plain","text":"oops"}]})", key)));
    Inject("event friend 10001 from a friend");
    Inject("event group 20001 30001 from a member");
    Inject("event group 20002 30002 from the owner");
    Json events = Get(WithKey("/fetchMessage?sessionKey=$K&count=10", key)).json()["data"];
    ASSERT_EQ(events.size(), 3u);
    auto idOf = [&](size_t i) { return std::to_string(events[i]["messageChain"][0]["id"].get<int>()); };
    struct Case {
        std::string id;
        int status;
        std::string expected;
    };
    const Case cases[] = {
        {std::to_string(own), 200, R"({"code":0,"msg":"success"})"},
        {std::to_string(own), 400, R"({"code":400,"msg":"[mirai:source:)" + std::to_string(own) + R"(] had already been recalled."})"},
        {"4242", 200, kNoTarget},
        {idOf(0), 400, R"({"code":400,"msg":"can only recall a message sent by bot"})"},
        {idOf(1), 200, R"({"code":0,"msg":"success"})"},
        {idOf(2), 200, R"({"code":10,"msg":"无操作权限"})"},
    };
    for (const Case& c : cases) {
        Answer answer = Post("/recall", WithKey(R"({"sessionKey":"$K","target":)" + c.id + "}", key));
        EXPECT_EQ(answer.status, c.status) << c.id;
        EXPECT_EQ(answer.body, c.expected) << c.id;
    }
    // The bot's own recalls reach the queue with a null operator.
    Json recalls = Get(WithKey("/fetchMessage?sessionKey=$K&count=10", key)).json()["data"];
    ASSERT_EQ(recalls.size(), 2u);
    EXPECT_EQ(recalls[0]["type"], "GroupRecallEvent");
    EXPECT_EQ(recalls[0]["authorId"], kBot);
    EXPECT_EQ(recalls[0]["messageId"], own);
    EXPECT_TRUE(recalls[0]["operator"].is_null());
    EXPECT_EQ(recalls[1]["authorId"], 30001);
}

TEST_F(StandinApi, UploadedImagesAreSavedAndUsableByPath) {
    std::string key = VerifiedSession();
    std::string unverified = Auth();
    auto upload = [&](httplib::MultipartFormDataItems items) {
        httplib::Result result = client_->Post("/uploadImage", items);
        return result ? Answer{result->status, result->body, result->get_header_value("Content-Type")} : Answer{};
    };
    Answer saved = upload({{"sessionKey", key, "", ""}, {"type", "group", "", ""},
                           {"img", std::string("PNG\0bytes", 9), "../picture.png", "image/png"}});
    ASSERT_EQ(saved.status, 200) << saved.body;
    Json image = saved.json();
    EXPECT_FALSE(image.contains("code"));
    EXPECT_TRUE(std::regex_match(image.value("imageId", ""),
                                 std::regex(R"(\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}\.mirai)")));
    std::filesystem::path file = dir_.path() / "data" / "net.mamoe.mirai-api-http" / "images" / "picture.png";
    EXPECT_EQ(image.value("path", ""), std::filesystem::absolute(file).string()) << "kept inside the images folder";
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string("PNG\0bytes", 9));
    int32_t sent = MessageId(Post("/sendFriendMessage",
        WithKey(R"({"sessionKey":"$K","target":10001,"messageChain":[{"type":"Image","path":"picture.png"}]})", key)));
    Json chain = Get(WithKey("/messageFromId?sessionKey=$K&id=" + std::to_string(sent), key)).json()["data"]["messageChain"];
    EXPECT_EQ(chain[1]["imageId"], image["imageId"]) << "same bytes, same id";

    struct Case {
        const char* name;
        httplib::MultipartFormDataItems items;
        int status;
        std::string expected;
    };
    const httplib::MultipartFormData png{"img", "x", "a.png", "image/png"};
    const Case cases[] = {
        {"no type", {{"sessionKey", key, "", ""}, png}, 400, kBadBody},
        {"no image", {{"sessionKey", key, "", ""}, {"type", "friend", "", ""}}, 400, kBadBody},
        {"image as a field", {{"sessionKey", key, "", ""}, {"type", "friend", "", ""}, {"img", "x", "", ""}}, 400,
         R"({"code":400,"msg":"未知错误"})"},
        {"unknown type", {{"sessionKey", key, "", ""}, {"type", "stranger", "", ""}, png}, 400,
         R"({"code":400,"msg":"图片上传错误"})"},
        {"unknown session", {{"sessionKey", "nope1234", "", ""}, {"type", "friend", "", ""}, png}, 200,
         R"({"code":3,"msg":"Session失效或不存在"})"},
    };
    for (const Case& c : cases) {
        Answer answer = upload(c.items);
        EXPECT_EQ(answer.status, c.status) << c.name;
        EXPECT_EQ(answer.body, c.expected) << c.name;
    }
    Answer early = upload({{"sessionKey", unverified, "", ""}, {"type", "friend", "", ""}, png});
    EXPECT_EQ(early.status, 500) << "an unverified session fails inside the handler";
}

TEST_F(StandinApi, BodiesInAnotherCharsetAreDecoded) {
    std::string key = VerifiedSession();
    // "你好" in GBK.
    std::string body = WithKey(R"({"sessionKey":"$K","target":10001,"messageChain":[{"type":"Plain","text":")", key) +
                       "\xC4\xE3\xBA\xC3" + R"("}]})";
    MessageId(Post("/sendFriendMessage", body, "application/json; charset=GBK"));
    EXPECT_TRUE(standin_->WaitForOutput("Friend(10001) <- 你好"));
    Answer unknown = Post("/sendFriendMessage", body, "application/json; charset=no-such-charset");
    EXPECT_EQ(unknown.status, 400);
}

class StandinSmallCache : public StandinApi {
protected:
    std::string ExtraSettings() const override { return "cacheSize: 2\n"; }
};

TEST_F(StandinSmallCache, OnlyTheNewestMessagesStayCached) {
    std::string key = VerifiedSession();
    std::string send = WithKey(R"({"sessionKey":"$K","target":10001,"messageChain":[{"type":"Plain","text":"x"}]})", key);
    std::vector<int32_t> ids;
    for (int i = 0; i < 3; ++i) ids.push_back(MessageId(Post("/sendFriendMessage", send)));
    auto fromId = [&](int32_t id) {
        return Get(WithKey("/messageFromId?sessionKey=$K&id=" + std::to_string(id), key)).json().value("code", -1);
    };
    EXPECT_EQ(fromId(ids[0]), 5) << "evicted";
    EXPECT_EQ(fromId(ids[1]), 0);
    EXPECT_EQ(fromId(ids[2]), 0);
    EXPECT_EQ(Post("/recall", WithKey(R"({"sessionKey":"$K","target":)" + std::to_string(ids[0]) + "}", key)).body,
              kNoTarget);
}

class StandinRecorded : public StandinApi {
protected:
    StandinProcess::Env ExtraEnv() const override { return {{"VKR_STANDIN_RECORD", Record().string()}}; }
    std::filesystem::path Record() const { return dir_.path() / "requests.jsonl"; }
};

TEST_F(StandinRecorded, EveryRequestIsAppendedAsOneJsonLine) {
    std::string key = VerifiedSession();
    std::string send = WithKey(R"({"sessionKey":"$K","target":10001,"messageChain":[{"type":"Plain","text":"记录"}]})", key);
    Post("/sendFriendMessage", send);
    Get(WithKey("/fetchMessage?sessionKey=$K&count=5", key));
    Post("/auth", "not json");

    std::ifstream in(Record());
    std::vector<Json> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(Json::parse(line));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].dump(), R"({"method":"POST","path":"/auth","query":"","body":"{\"authKey\":\"velkorin-key\"}"})");
    EXPECT_EQ(lines[2]["body"], send);
    EXPECT_EQ(lines[3]["method"], "GET");
    EXPECT_EQ(lines[3]["path"], "/fetchMessage");
    EXPECT_EQ(lines[3]["query"], "sessionKey=" + key + "&count=5");
    EXPECT_EQ(lines[4]["body"], "not json");
}

}  // namespace
}  // namespace vkr::test

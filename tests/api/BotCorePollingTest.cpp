// The event-polling thread against the stand-in: every dispatched type with
// its handler's arguments, the waits after events and fetches, and stopping.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "api/BotCore.h"
#include "tests/api/StandinProcess.h"
#include "tests/support/RecordingServer.h"

namespace vkr {
namespace {

// Stands in for the polling thread's waits: records each one, returns at once
// until the blockAt-th, which holds the thread until polling is stopped, so
// the numbers of fetches and waits can be compared without any timing.
class WaitRecorder {
public:
    explicit WaitRecorder(size_t blockAt) : blockAt_(blockAt) {}

    BotCore::WaitFunction Function() {
        return [this](int milliseconds, std::stop_token stop) {
            std::unique_lock lock(mutex_);
            waits_.push_back(milliseconds);
            changed_.notify_all();
            if (waits_.size() >= blockAt_) changed_.wait(lock, stop, [] { return false; });
        };
    }

    // True once count waits have begun (false after 20 s: the test then fails).
    bool AwaitWaits(size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20), [&] { return waits_.size() >= count; });
    }

    std::vector<int> Waits() {
        std::lock_guard lock(mutex_);
        return waits_;
    }

private:
    size_t blockAt_;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::vector<int> waits_;
};

// Handler calls in arrival order, as text.
class CallLog {
public:
    void Add(std::string entry) {
        std::lock_guard lock(mutex_);
        entries_.push_back(std::move(entry));
    }
    std::vector<std::string> Entries() {
        std::lock_guard lock(mutex_);
        return entries_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> entries_;
};

std::string Describe(const MemberApi& member) {
    return std::to_string(member.GetTarget()) + "@" + std::to_string(member.GetGroup().GetTarget());
}

size_t CountFetches(const std::vector<StandinProcess::Recorded>& requests, const std::string& query) {
    size_t fetches = 0;
    for (const auto& request : requests)
        if (request.path == "/fetchMessage") {
            ++fetches;
            EXPECT_EQ(request.query, query);
        }
    return fetches;
}

void RegisterAll(BotCore& core, CallLog& log) {
    core.SetFriendMessageHandler([&](const MessageChain& chain, const FriendApi& sender) {
        MessageChain copy = chain;
        log.Add("FriendMessage " + copy.GetPlainText() + " " + std::to_string(sender.GetTarget()) + " " +
                sender.GetNickname());
    });
    core.SetGroupMessageHandler([&](const MessageChain& chain, const MemberApi& sender) {
        MessageChain copy = chain;
        log.Add("GroupMessage " + copy.GetPlainText() + " " + Describe(sender) + " " + sender.GetMemberName());
    });
    core.SetGroupRecallHandler([&](std::int64_t id, const MemberApi& op) {
        log.Add("GroupRecall " + std::to_string(id) + " " + Describe(op));
    });
    core.SetFriendRecallHandler([&](std::int64_t id, const FriendApi& author) {
        log.Add("FriendRecall " + std::to_string(id) + " " + std::to_string(author.GetTarget()));
    });
    core.SetGroupMuteAllHandler([&](const MemberApi& op) { log.Add("MuteAll " + Describe(op)); });
    core.SetMemberJoinHandler([&](const MemberApi& member) {
        log.Add("Join " + Describe(member) + " " + member.GetMemberName());
    });
    core.SetMemberKickHandler([&](const MemberApi& member, const MemberApi& op) {
        log.Add("Kick " + Describe(member) + " by " + Describe(op));
    });
    core.SetMemberQuitHandler([&](const MemberApi& member) { log.Add("Quit " + Describe(member)); });
}

TEST(BotCorePolling, DispatchesEveryEventTypeToItsHandler) {
    StandinProcess standin;
    ASSERT_TRUE(standin.Ready()) << standin.Output();
    // 10 events in fetches of 5: 5 + 1 waits, 5 + 1 waits, then an empty fetch and its wait.
    WaitRecorder waits(13);
    BotCore core(waits.Function());
    ASSERT_TRUE(core.Initialize(standin.BaseUrl(), StandinProcess::kAuthKey, StandinProcess::kBotQq));
    CallLog log;
    RegisterAll(core, log);
    for (const char* command :
         {"event friend 10001 hello", "event group 20001 10002 hi all", "event grouprecall 20001 10002 41 10001",
          "event friendrecall 10001 42", "event mute 20001 10002 60", "event muteall 20001 on 10001",
          "event join 20001 40001 Newbie", "event bot online", "event kick 20001 30001 10001",
          "event quit 20001 10002"})
        ASSERT_TRUE(standin.Command(command)) << command;

    core.StartPolling(7, 5);
    ASSERT_TRUE(waits.AwaitWaits(13));
    core.StopPolling();
    EXPECT_FALSE(core.IsPolling());

    EXPECT_EQ(log.Entries(), (std::vector<std::string>{
                                 "FriendMessage hello 10001 Alice",
                                 "GroupMessage hi all 10002@20001 \xD0\xA1\xC3\xF7",
                                 "GroupRecall 41 10001@20001",
                                 "FriendRecall 42 10001",  // from "authorId": the event has no "sender"
                                 "MuteAll 10001@20001",
                                 "Join 40001@20001 Newbie",  // from "member": the event has no "sender"
                                 "Kick 30001@20001 by 10001@20001",
                                 "Quit 10002@20001",
                             }));
    EXPECT_EQ(waits.Waits(), std::vector<int>(13, 7));
    const std::string key = core.GetFriend(0).GetSessionKey();
    EXPECT_EQ(CountFetches(standin.Requests(), "sessionKey=" + key + "&count=5"), 3u);
}

TEST(BotCorePolling, UnregisteredTypesAndMissingMembersStillWait) {
    StandinProcess standin;
    ASSERT_TRUE(standin.Ready()) << standin.Output();
    WaitRecorder waits(4);  // two events and their fetch: 2 + 1, then the next fetch's wait
    BotCore core(waits.Function());
    ASSERT_TRUE(core.Initialize(standin.BaseUrl(), StandinProcess::kAuthKey, StandinProcess::kBotQq));
    CallLog log;
    core.SetGroupRecallHandler([&](std::int64_t id, const MemberApi& op) {
        log.Add("GroupRecall " + std::to_string(id) + " " + Describe(op));
    });
    ASSERT_TRUE(standin.Command("event grouprecall 20001 10002 9"));  // no operator: null, the bot did it
    ASSERT_TRUE(standin.Command("event friend 10001 nobody listens"));

    core.StartPolling(3, 5);
    ASSERT_TRUE(waits.AwaitWaits(4));
    core.StopPolling();
    EXPECT_EQ(log.Entries(), std::vector<std::string>{"GroupRecall 9 0@0"});
    EXPECT_EQ(CountFetches(standin.Requests(), "sessionKey=" + core.GetFriend(0).GetSessionKey() + "&count=5"),
              2u);
}

// Whatever the answer, every fetch is followed by one wait: no hot loop.
TEST(BotCorePolling, EveryFetchWaitsOnce) {
    struct Case {
        const char* name;
        ServerAnswer answer;
        std::optional<int> interval, count;
        int expectedInterval;
        std::string expectedCount;
    } cases[] = {
        {"empty data", {200, R"({"code":0,"errorMessage":"","data":[]})"}, 20, 3, 20, "3"},
        {"no data", {200, R"({"code":3,"msg":"Session失效或不存在"})"}, 20, 3, 20, "3"},
        {"not json", {500, "boom"}, 20, 3, 20, "3"},
        {"defaults", {200, R"({"code":0,"errorMessage":"","data":[]})"}, std::nullopt, std::nullopt, 1000, "5"},
        {"zero kept", {200, R"({"code":0,"errorMessage":"","data":[]})"}, 0, 0, 0, "0"},
    };
    for (const auto& c : cases) {
        RecordingServer server(c.answer);
        WaitRecorder waits(3);
        BotCore core(waits.Function());
        core.Initialize(server.Url(), "key-12345", 1);
        const size_t before = server.Requests().size();
        core.StartPolling(c.interval, c.count);
        ASSERT_TRUE(waits.AwaitWaits(3)) << c.name;
        core.StopPolling();
        const auto requests = server.Requests();
        EXPECT_EQ(requests.size() - before, 3u) << c.name;
        EXPECT_EQ(requests.back().requestLine, "GET /fetchMessage?sessionKey=&count=" + c.expectedCount + " HTTP/1.1")
            << c.name;
        EXPECT_EQ(waits.Waits(), std::vector<int>(3, c.expectedInterval)) << c.name;
    }
}

TEST(BotCorePolling, StopEndsAFetchInFlightAndAWait) {
    // Answers auth and verify, then never the fetch.
    RecordingServer silent({200, R"({"code":0,"session":"S"})", true, 2});
    BotCore core;  // the real waits
    ASSERT_TRUE(core.Initialize(silent.Url(), "key-12345", 1));
    core.StartPolling(60000, 5);
    while (silent.Requests().size() < 3)  // auth, verify, then the fetch that never gets an answer
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    core.StopPolling();
    EXPECT_FALSE(core.IsPolling());

    StandinProcess standin;
    ASSERT_TRUE(standin.Ready()) << standin.Output();
    ASSERT_TRUE(core.Initialize(standin.BaseUrl(), StandinProcess::kAuthKey, StandinProcess::kBotQq));
    core.StartPolling(60000, 5);
    core.StartPolling(60000, 5);  // replaces the running thread
    EXPECT_TRUE(core.IsPolling());
    EXPECT_EQ(core.Shutdown(), 0);  // stops polling, then releases the session
    EXPECT_FALSE(core.IsPolling());
}

TEST(BotCorePolling, AHandlerMayStopPolling) {
    StandinProcess standin;
    ASSERT_TRUE(standin.Ready()) << standin.Output();
    WaitRecorder waits(100);
    BotCore core(waits.Function());
    ASSERT_TRUE(core.Initialize(standin.BaseUrl(), StandinProcess::kAuthKey, StandinProcess::kBotQq));
    CallLog log;
    core.SetFriendMessageHandler([&](const MessageChain&, const FriendApi&) {
        log.Add("stop");
        core.StopPolling();
    });
    ASSERT_TRUE(standin.Command("event friend 10001 one"));
    ASSERT_TRUE(standin.Command("event friend 10001 two"));
    core.StartPolling(1, 5);
    ASSERT_TRUE(waits.AwaitWaits(1));
    core.StopPolling();  // collects the thread that stopped itself
    EXPECT_EQ(log.Entries(), std::vector<std::string>{"stop"});
}

}  // namespace
}  // namespace vkr

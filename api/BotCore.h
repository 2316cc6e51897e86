#pragma once
// The API client's core object: owns the Session, forwards the program's
// requests to it, and runs the event-polling thread, which fetches the
// account's events ("fetchMessage") and hands each to the handler
// registered for its type.
//
// Polling is cooperative: StopPolling asks the thread to stop, which it sees
// during every wait and inside every fetch (an exchange in flight is
// abandoned), and returns once the thread has ended.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "api/FriendApi.h"
#include "api/GroupApi.h"
#include "api/MemberApi.h"
#include "api/MessageChain.h"
#include "api/Session.h"

namespace vkr {

class BotCore {
public:
    // Handlers run on the polling thread with the loop's own objects, which
    // the next event reloads: a handler that keeps one makes a copy.
    using FriendMessageHandler = std::function<void(const MessageChain&, const FriendApi&)>;
    using GroupMessageHandler = std::function<void(const MessageChain&, const MemberApi&)>;
    using GroupRecallHandler = std::function<void(std::int64_t messageId, const MemberApi& op)>;
    using FriendRecallHandler = std::function<void(std::int64_t messageId, const FriendApi& author)>;
    using MemberHandler = std::function<void(const MemberApi&)>;
    using MemberKickHandler = std::function<void(const MemberApi& member, const MemberApi& op)>;
    // How the polling thread waits: returns after milliseconds or as soon as
    // stop is requested. Replaceable so tests can observe the waits.
    using WaitFunction = std::function<void(int milliseconds, std::stop_token stop)>;

    static constexpr int kDefaultIntervalMs = 1000;
    static constexpr int kDefaultCount = 5;

    explicit BotCore(WaitFunction wait = {});
    // Stops polling; the session is not released (Shutdown does that).
    ~BotCore();
    BotCore(const BotCore&) = delete;
    BotCore& operator=(const BotCore&) = delete;

    BotCore& Self() { return *this; }
    // StopPolling, then the session's Release; returns Release's code.
    std::int32_t Shutdown();
    // SetServer(baseUrl), Auth(key), Verify(account). True only when both
    // auth and verify succeed.
    bool Initialize(const std::string& baseUrl, const std::string& key, std::int64_t account);
    // Starts (or restarts) the polling thread on a copy of the session's
    // connection. Left out: 1000 ms and 5 events; given values, 0 included,
    // are used as they are.
    void StartPolling(std::optional<int> intervalMs = {}, std::optional<int> count = {});
    // Ends the polling thread, if one runs, and waits for it (from a handler:
    // asks it to end after the handler returns).
    void StopPolling();
    bool IsPolling() const;

    FriendApi GetFriend(std::int64_t qq) const;
    GroupApi GetGroup(std::int64_t group) const;

    void SetFriendMessageHandler(FriendMessageHandler handler);
    void SetFriendRecallHandler(FriendRecallHandler handler);
    void SetGroupMessageHandler(GroupMessageHandler handler);
    void SetGroupRecallHandler(GroupRecallHandler handler);
    void SetGroupMuteAllHandler(MemberHandler handler);
    void SetMemberJoinHandler(MemberHandler handler);
    void SetMemberQuitHandler(MemberHandler handler);
    void SetMemberKickHandler(MemberKickHandler handler);

    std::string UploadFriendImage(const std::string& imageBytes);
    std::string UploadGroupImage(const std::string& imageBytes);
    std::int32_t Recall(std::int64_t messageId);
    std::int32_t RecallMessage(MessageChain& chain);
    MessageChain MessageFromId(std::int64_t messageId);
    void FriendList(std::vector<FriendApi>& list);
    void GroupList(std::vector<GroupApi>& list);

private:
    struct Handlers {
        FriendMessageHandler friendMessage;
        FriendRecallHandler friendRecall;
        GroupMessageHandler groupMessage;
        GroupRecallHandler groupRecall;
        MemberHandler groupMuteAll;
        MemberHandler memberJoin;
        MemberHandler memberQuit;
        MemberKickHandler memberKick;
    };
    class PollLoop;

    Handlers CurrentHandlers() const;
    template <typename Handler>
    void Register(Handler Handlers::*slot, Handler handler);

    Session session_;
    WaitFunction wait_;
    std::atomic<int> intervalMs_{kDefaultIntervalMs};
    std::atomic<int> count_{kDefaultCount};
    mutable std::mutex handlersMutex_;
    Handlers handlers_;
    std::jthread thread_;
};

}  // namespace vkr

#pragma once
// Everything the simulated Mirai account holds: sessions with their event
// queues and message caches, friends, groups and members. Every public
// operation locks once; API operations report failures as ApiError.
#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "tools/mirai-standin/Contacts.h"

namespace vkr::standin {

class ConsoleOutput;

struct StoredMessage {
    int32_t id = 0;
    int64_t time = 0;  // epoch seconds
    MessageKind kind = MessageKind::Friend;
    int64_t groupId = 0;  // group and temp messages
    int64_t peerId = 0;   // the friend, or the member who sent / receives it
    bool fromBot = false;
    Json chain;  // Source first
    bool recalled = false;
};

struct GroupConfigChange {
    std::optional<std::string> name;
    std::optional<std::string> announcement;
    std::optional<bool> allowMemberInvite;
};

struct MemberInfoChange {
    std::optional<std::string> name;
    std::optional<std::string> specialTitle;
};

// What a console command did, for its answer line.
struct CommandOutcome {
    bool ok = false;
    std::string message;
};

class BotWorld {
public:
    using Clock = std::chrono::steady_clock;

    // fixedBot: the only account verify accepts; without it the first verified
    // QQ number becomes the simulated account.
    BotWorld(ConsoleOutput& console, std::filesystem::path dataDir, int cacheSize,
             std::optional<int64_t> fixedBot);

    // --- HTTP API (throw ApiError) ---
    std::string Auth();
    void Verify(const std::string& key, int64_t qq);
    void Release(const std::string& key, int64_t qq);
    void RequireVerified(const std::string& key);

    int32_t SendFriendMessage(const std::string& key, std::optional<int64_t> target,
                              std::optional<int32_t> quote, const std::vector<Json>& chain);
    int32_t SendGroupMessage(const std::string& key, std::optional<int64_t> target,
                             std::optional<int32_t> quote, const std::vector<Json>& chain);
    int32_t SendTempMessage(const std::string& key, std::optional<int64_t> qq, std::optional<int64_t> group,
                            std::optional<int32_t> quote, const std::vector<Json>& chain);
    void Recall(const std::string& key, int32_t messageId);

    Json FetchMessage(const std::string& key, int count);
    Json MessageFromId(const std::string& key, int32_t messageId);
    Json FriendList(const std::string& key);
    Json GroupList(const std::string& key);
    Json MemberList(const std::string& key, int64_t groupId);

    void SetMuteAll(const std::string& key, int64_t groupId, bool mute);
    void Mute(const std::string& key, int64_t groupId, int64_t memberId, int32_t seconds);
    void Unmute(const std::string& key, int64_t groupId, int64_t memberId);
    void Kick(const std::string& key, int64_t groupId, int64_t memberId, const std::string& message);
    Json GetGroupConfig(const std::string& key, int64_t groupId);
    void SetGroupConfig(const std::string& key, int64_t groupId, const GroupConfigChange& change);
    Json GetMemberInfo(const std::string& key, int64_t groupId, int64_t memberId);
    void SetMemberInfo(const std::string& key, int64_t groupId, int64_t memberId, const MemberInfoChange& change);

    // type is "friend", "group" or "temp"; only an unverified session is
    // answered differently from the other API calls (HTTP 500).
    Json UploadImage(const std::string& key, const std::string& type, const std::string& fileName,
                     const std::string& bytes);

    // --- console commands: events from the simulated QQ side ---
    // Picks the simulated account before any verify; no QQ login takes place.
    CommandOutcome Login(int64_t qq);
    // A plain-text message from a friend (groupId unused) or a group member.
    CommandOutcome ReceiveMessage(MessageKind kind, int64_t groupId, int64_t qq, const std::string& text);
    CommandOutcome FriendRecall(int64_t qq, int32_t messageId);
    // No operatorId: the bot itself recalled it (operator null).
    CommandOutcome GroupRecall(int64_t groupId, int64_t authorId, int32_t messageId,
                               std::optional<int64_t> operatorId);
    CommandOutcome MuteAllChanged(int64_t groupId, bool on, std::optional<int64_t> operatorId);
    CommandOutcome MemberJoined(int64_t groupId, int64_t qq, const std::string& nickname);
    // MemberLeaveEventKick when kicked, else MemberLeaveEventQuit.
    CommandOutcome MemberLeft(int64_t groupId, int64_t qq, bool kicked, std::optional<int64_t> operatorId);
    // MemberMuteEvent for seconds > 0, else MemberUnmuteEvent.
    CommandOutcome MemberMuteChanged(int64_t groupId, int64_t qq, int32_t seconds,
                                     std::optional<int64_t> operatorId);
    // BotMuteEvent for seconds > 0 (sends to the group then fail with 20), else BotUnmuteEvent.
    CommandOutcome BotMuteChanged(int64_t groupId, int32_t seconds, int64_t operatorId);
    // BotOnlineEvent, BotOfflineEventActive/Force/Dropped, BotReloginEvent.
    CommandOutcome BotStateEvent(const std::string& type);

    // Lines for the "status" command.
    std::vector<std::string> Describe();

private:
    struct Session {
        bool verified = false;
        int64_t bot = 0;
        Clock::time_point created;
        Clock::time_point lastUse;
        std::deque<Json> events;
        std::deque<int32_t> cacheOrder;
        std::unordered_map<int32_t, StoredMessage> cache;
    };

    Session& SessionFor(const std::string& key, bool mustBeVerified);
    Session& VerifiedSession(const std::string& key) { return SessionFor(key, true); }
    void DropExpiredSessions();
    Friend* FindFriend(int64_t id);
    Group* FindGroup(int64_t id);
    Group& RequireGroup(int64_t id);
    Member& RequireMember(Group& group, int64_t id);
    Json BotAsMember(const Group& group) const;
    Json OperatorJson(const Group& group, std::optional<int64_t> operatorId);

    int32_t Send(Session& session, MessageKind kind, Group* group, int64_t peer,
                 std::optional<int32_t> quote, const std::vector<Json>& elements);
    StoredMessage StoreMessage(MessageKind kind, int64_t groupId, int64_t peer, bool fromBot,
                               const Json& content, const std::optional<Json>& quote);
    const StoredMessage* FindCached(int32_t messageId);
    void MarkRecalled(int32_t messageId);
    Json SenderJson(const StoredMessage& message);
    Json MessageEventJson(const StoredMessage& message);
    int EnqueueEvent(const Json& event);
    CommandOutcome Delivered(const std::string& what, int sessions);
    void RequireBotAdmin(const Group& group);

    ConsoleOutput& console_;
    std::filesystem::path dataDir_;
    size_t cacheSize_;
    std::optional<int64_t> bot_;
    bool botFixed_;
    std::mutex mutex_;
    std::mt19937_64 random_;
    int32_t nextMessageId_ = 1;
    std::map<std::string, Session> sessions_;
    std::vector<Friend> friends_;
    std::vector<Group> groups_;
};

}  // namespace vkr::standin

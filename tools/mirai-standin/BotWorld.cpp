#include "tools/mirai-standin/BotWorld.h"

#include <algorithm>
#include <ctime>
#include <fstream>

#include "tools/mirai-standin/ApiError.h"
#include "tools/mirai-standin/ConsoleOutput.h"
#include "tools/mirai-standin/MessageChain.h"

namespace vkr::standin {

namespace {

constexpr auto kUnverifiedLifetime = std::chrono::seconds(180);
constexpr auto kIdleLifetime = std::chrono::minutes(30);
constexpr size_t kMaxMessageBytes = 5000;
constexpr int32_t kMaxMuteSeconds = 30 * 24 * 3600;
constexpr const char* kIdentity = "stand-in";

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

// The file-name part of an uploaded name, whichever separator the client used.
std::string BaseName(const std::string& name) {
    size_t slash = name.find_last_of("/\\");
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

Json PlainChain(const std::string& text) {
    Json chain = Json::array();
    chain.push_back(Json{{"type", "Plain"}, {"text", text}});
    return chain;
}

std::string SimulatedBotText(int64_t qq) {
    return "Bot(" + std::to_string(qq) +
           ") is simulated by this stand-in: no QQ login takes place, contacts are demo data.";
}

}  // namespace

BotWorld::BotWorld(ConsoleOutput& console, std::filesystem::path dataDir, int cacheSize,
                   std::optional<int64_t> fixedBot)
    : console_(console),
      dataDir_(std::move(dataDir)),
      cacheSize_(static_cast<size_t>(std::max(cacheSize, 1))),
      bot_(fixedBot),
      botFixed_(fixedBot.has_value()),
      random_(std::random_device{}()),
      friends_(DemoFriends()),
      groups_(DemoGroups(Now())) {}

// ---------------------------------------------------------------- sessions

std::string BotWorld::Auth() {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::lock_guard lock(mutex_);
    DropExpiredSessions();
    std::uniform_int_distribution<size_t> pick(0, sizeof kAlphabet - 2);
    std::string key;
    do {
        key.clear();
        for (int i = 0; i < 8; ++i) key += kAlphabet[pick(random_)];
    } while (sessions_.count(key) != 0);
    Session& session = sessions_[key];
    session.created = session.lastUse = Clock::now();
    return key;
}

void BotWorld::DropExpiredSessions() {
    Clock::time_point now = Clock::now();
    std::erase_if(sessions_, [&](const auto& entry) {
        const Session& session = entry.second;
        return session.verified ? now - session.lastUse > kIdleLifetime
                                : now - session.created > kUnverifiedLifetime;
    });
}

BotWorld::Session& BotWorld::SessionFor(const std::string& key, bool mustBeVerified) {
    auto found = sessions_.find(key);
    if (found == sessions_.end()) throw ApiError::State(3);
    Session& session = found->second;
    Clock::time_point now = Clock::now();
    bool expired = session.verified ? now - session.lastUse > kIdleLifetime
                                    : now - session.created > kUnverifiedLifetime;
    if (expired) {
        sessions_.erase(found);
        throw ApiError::State(3);
    }
    if (mustBeVerified && !session.verified) throw ApiError::State(4);
    session.lastUse = now;
    return session;
}

void BotWorld::RequireVerified(const std::string& key) {
    std::lock_guard lock(mutex_);
    VerifiedSession(key);
}

void BotWorld::Verify(const std::string& key, int64_t qq) {
    std::lock_guard lock(mutex_);
    Session& session = SessionFor(key, false);
    if (session.verified) return;
    if (qq <= 0 || (bot_ && *bot_ != qq)) throw ApiError::State(2);
    if (!bot_) {
        bot_ = qq;
        console_.Log(LogLevel::Info, kIdentity, SimulatedBotText(qq));
    }
    session.verified = true;
    session.bot = qq;
}

void BotWorld::Release(const std::string& key, int64_t qq) {
    std::lock_guard lock(mutex_);
    Session& session = VerifiedSession(key);
    if (!bot_ || *bot_ != qq) throw ApiError::State(2);
    if (session.bot != qq) throw ApiError::State(5);
    sessions_.erase(key);
}

// ---------------------------------------------------------------- contacts

Friend* BotWorld::FindFriend(int64_t id) {
    auto found = std::find_if(friends_.begin(), friends_.end(), [&](const Friend& f) { return f.id == id; });
    return found == friends_.end() ? nullptr : &*found;
}

Group* BotWorld::FindGroup(int64_t id) {
    auto found = std::find_if(groups_.begin(), groups_.end(), [&](const Group& g) { return g.id == id; });
    return found == groups_.end() ? nullptr : &*found;
}

Group& BotWorld::RequireGroup(int64_t id) {
    Group* group = FindGroup(id);
    if (group == nullptr) throw ApiError::State(5);
    return *group;
}

Member& BotWorld::RequireMember(Group& group, int64_t id) {
    Member* member = group.FindMember(id);
    if (member == nullptr) throw ApiError::State(5);
    return *member;
}

void BotWorld::RequireBotAdmin(const Group& group) {
    if (group.botPermission == Permission::Member) throw ApiError::State(10);
}

Json BotWorld::BotAsMember(const Group& group) const {
    Member bot{bot_.value_or(0), "Velkorin stand-in", "", "", group.botPermission, group.botMutedUntil};
    return MemberJson(bot, group);
}

Json BotWorld::OperatorJson(const Group& group, std::optional<int64_t> operatorId) {
    if (!operatorId) return nullptr;
    const Member* member = group.FindMember(*operatorId);
    return member ? MemberJson(*member, group) : Json(nullptr);
}

Json BotWorld::FriendList(const std::string& key) {
    std::lock_guard lock(mutex_);
    VerifiedSession(key);
    Json list = Json::array();
    for (const Friend& contact : friends_) list.push_back(FriendJson(contact));
    return list;
}

Json BotWorld::GroupList(const std::string& key) {
    std::lock_guard lock(mutex_);
    VerifiedSession(key);
    Json list = Json::array();
    for (const Group& group : groups_) list.push_back(GroupJson(group));
    return list;
}

Json BotWorld::MemberList(const std::string& key, int64_t groupId) {
    std::lock_guard lock(mutex_);
    VerifiedSession(key);
    const Group& group = RequireGroup(groupId);
    Json list = Json::array();
    for (const Member& member : group.members) list.push_back(MemberJson(member, group));
    return list;
}

// ---------------------------------------------------------------- messages

StoredMessage BotWorld::StoreMessage(MessageKind kind, int64_t groupId, int64_t peer, bool fromBot,
                                     const Json& content, const std::optional<Json>& quote) {
    StoredMessage message;
    message.id = nextMessageId_++;
    message.time = Now();
    message.kind = kind;
    message.groupId = groupId;
    message.peerId = peer;
    message.fromBot = fromBot;
    message.chain = Json::array();
    message.chain.push_back(Json{{"type", "Source"}, {"id", message.id}, {"time", message.time}});
    if (quote) message.chain.push_back(*quote);
    for (const Json& element : content) message.chain.push_back(element);
    // Every verified session caches every message of its bot from verify on.
    for (auto& [key, session] : sessions_) {
        if (!session.verified) continue;
        session.cache[message.id] = message;
        session.cacheOrder.push_back(message.id);
        while (session.cacheOrder.size() > cacheSize_) {
            session.cache.erase(session.cacheOrder.front());
            session.cacheOrder.pop_front();
        }
    }
    return message;
}

Json BotWorld::SenderJson(const StoredMessage& message) {
    if (message.kind == MessageKind::Friend) {
        Friend* contact = FindFriend(message.peerId);
        return FriendJson(contact ? *contact : Friend{message.peerId, "", ""});
    }
    Group* group = FindGroup(message.groupId);
    Group fallback{message.groupId, "", "", true, false, Permission::Member, 0, {}};
    const Group& where = group ? *group : fallback;
    if (message.kind == MessageKind::Group && message.fromBot) return BotAsMember(where);
    const Member* member = where.FindMember(message.peerId);
    return MemberJson(member ? *member : Member{message.peerId, "", "", "", Permission::Member, 0}, where);
}

Json BotWorld::MessageEventJson(const StoredMessage& message) {
    Json event;
    event["type"] = MessageTypeName(message.kind);
    event["messageChain"] = message.chain;
    event["sender"] = SenderJson(message);
    return event;
}

int32_t BotWorld::Send(Session& session, MessageKind kind, Group* group, int64_t peer,
                       std::optional<int32_t> quote, const std::vector<Json>& elements) {
    std::optional<Json> quoteElement;
    if (quote) {
        auto found = session.cache.find(*quote);
        if (found == session.cache.end()) throw ApiError::State(5);
        const StoredMessage& origin = found->second;
        bool inGroup = origin.kind == MessageKind::Group;
        Json element;
        element["type"] = "Quote";
        element["id"] = origin.id;
        element["senderId"] = origin.fromBot ? *bot_ : origin.peerId;
        element["targetId"] = inGroup ? origin.groupId : (origin.fromBot ? origin.peerId : *bot_);
        element["groupId"] = inGroup ? origin.groupId : 0;
        element["origin"] = origin.chain;
        quoteElement = element;
    }
    ChainContext context{kind, group, dataDir_ / "images"};
    Json content = ConvertChain(elements, context);
    if (content.empty()) throw ApiError::Internal("java.lang.IllegalArgumentException", "message is empty");
    // Muting silences the bot in the group itself; temporary chats go on.
    if (kind == MessageKind::Group && group->BotIsMuted(Now())) throw ApiError::State(20);
    if (ChainTextSize(content) > kMaxMessageBytes) throw ApiError::State(30);
    int32_t id = StoreMessage(kind, group ? group->id : 0, peer, true, content, quoteElement).id;
    std::string where = kind == MessageKind::Friend ? "Friend(" + std::to_string(peer) + ")"
                        : kind == MessageKind::Group ? "Group(" + std::to_string(group->id) + ")"
                                                     : "Temp(" + std::to_string(group->id) + "/" +
                                                           std::to_string(peer) + ")";
    console_.Log(LogLevel::Info, kIdentity, where + " <- " + ChainSummary(content));
    return id;
}

int32_t BotWorld::SendFriendMessage(const std::string& key, std::optional<int64_t> target,
                                    std::optional<int32_t> quote, const std::vector<Json>& chain) {
    std::lock_guard lock(mutex_);
    Session& session = VerifiedSession(key);
    Friend* contact = target ? FindFriend(*target) : nullptr;
    if (contact == nullptr) throw ApiError::State(5);
    return Send(session, MessageKind::Friend, nullptr, contact->id, quote, chain);
}

int32_t BotWorld::SendGroupMessage(const std::string& key, std::optional<int64_t> target,
                                   std::optional<int32_t> quote, const std::vector<Json>& chain) {
    std::lock_guard lock(mutex_);
    Session& session = VerifiedSession(key);
    Group* group = target ? FindGroup(*target) : nullptr;
    if (group == nullptr) throw ApiError::State(5);
    return Send(session, MessageKind::Group, group, 0, quote, chain);
}

int32_t BotWorld::SendTempMessage(const std::string& key, std::optional<int64_t> qq,
                                  std::optional<int64_t> groupId, std::optional<int32_t> quote,
                                  const std::vector<Json>& chain) {
    std::lock_guard lock(mutex_);
    Session& session = VerifiedSession(key);
    if (!qq || !groupId) throw ApiError::State(5);
    Group& group = RequireGroup(*groupId);
    RequireMember(group, *qq);
    return Send(session, MessageKind::Temp, &group, *qq, quote, chain);
}

void BotWorld::Recall(const std::string& key, int32_t messageId) {
    std::lock_guard lock(mutex_);
    Session& session = VerifiedSession(key);
    auto found = session.cache.find(messageId);
    if (found == session.cache.end()) throw ApiError::State(5);
    const StoredMessage& message = found->second;
    if (message.recalled) {
        throw ApiError::BadRequest("[mirai:source:" + std::to_string(messageId) + "] had already been recalled.");
    }
    Group* group = message.kind == MessageKind::Group ? FindGroup(message.groupId) : nullptr;
    if (!message.fromBot) {
        if (message.kind != MessageKind::Group) throw ApiError::BadRequest("can only recall a message sent by bot");
        if (group == nullptr) throw ApiError::State(5);
        const Member* author = group->FindMember(message.peerId);
        Permission authorRank = author ? author->permission : Permission::Member;
        if (!Outranks(group->botPermission, authorRank)) throw ApiError::State(10);
    }
    StoredMessage recalled = message;
    MarkRecalled(messageId);
    console_.Log(LogLevel::Info, kIdentity, "Recalled message " + std::to_string(messageId));
    if (group != nullptr) {
        Json event;
        event["type"] = "GroupRecallEvent";
        event["authorId"] = recalled.fromBot ? *bot_ : recalled.peerId;
        event["messageId"] = recalled.id;
        event["time"] = recalled.time & 0xFFFF;
        event["group"] = GroupJson(*group);
        event["operator"] = nullptr;
        EnqueueEvent(event);
    }
}

Json BotWorld::FetchMessage(const std::string& key, int count) {
    std::lock_guard lock(mutex_);
    Session& session = VerifiedSession(key);
    Json data = Json::array();
    while (count-- > 0 && !session.events.empty()) {
        data.push_back(std::move(session.events.front()));
        session.events.pop_front();
    }
    Json answer;
    answer["code"] = 0;
    answer["errorMessage"] = "";
    answer["data"] = std::move(data);
    return answer;
}

Json BotWorld::MessageFromId(const std::string& key, int32_t messageId) {
    std::lock_guard lock(mutex_);
    Session& session = VerifiedSession(key);
    auto found = session.cache.find(messageId);
    if (found == session.cache.end()) throw ApiError::State(5);
    Json answer;
    answer["code"] = 0;
    answer["errorMessage"] = "";
    answer["data"] = MessageEventJson(found->second);
    return answer;
}

// ---------------------------------------------------------------- administration

void BotWorld::SetMuteAll(const std::string& key, int64_t groupId, bool mute) {
    std::lock_guard lock(mutex_);
    VerifiedSession(key);
    Group& group = RequireGroup(groupId);
    RequireBotAdmin(group);
    bool origin = group.muteAll;
    group.muteAll = mute;
    console_.Log(LogLevel::Info, kIdentity,
                 "Group(" + std::to_string(groupId) + ") mute all: " + (mute ? "on" : "off"));
    if (origin == mute) return;
    Json event;
    event["type"] = "GroupMuteAllEvent";
    event["origin"] = origin;
    event["new"] = mute;
    event["current"] = mute;
    event["group"] = GroupJson(group);
    event["operator"] = nullptr;
    EnqueueEvent(event);
}

void BotWorld::Mute(const std::string& key, int64_t groupId, int64_t memberId, int32_t seconds) {
    std::lock_guard lock(mutex_);
    VerifiedSession(key);
    Group& group = RequireGroup(groupId);
    if (bot_ && memberId == *bot_) throw ApiError::BadRequest("A bot can't mute itself.");
    Member& member = RequireMember(group, memberId);
    if (!Outranks(group.botPermission, member.permission)) throw ApiError::State(10);
    if (seconds < 1 || seconds > kMaxMuteSeconds) {
        throw ApiError::Internal("java.lang.IllegalArgumentException",
                                 "durationSeconds must be in 1.." + std::to_string(kMaxMuteSeconds) +
                                     ", but was " + std::to_string(seconds));
    }
    member.mutedUntil = Now() + seconds;
    console_.Log(LogLevel::Info, kIdentity,
                 "Group(" + std::to_string(groupId) + ") muted " + std::to_string(memberId) + " for " +
                     std::to_string(seconds) + "s");
    Json event;
    event["type"] = "MemberMuteEvent";
    event["durationSeconds"] = seconds;
    event["member"] = MemberJson(member, group);
    event["operator"] = nullptr;
    EnqueueEvent(event);
}

void BotWorld::Unmute(const std::string& key, int64_t groupId, int64_t memberId) {
    std::lock_guard lock(mutex_);
    VerifiedSession(key);
    Group& group = RequireGroup(groupId);
    Member& member = RequireMember(group, memberId);
    if (!Outranks(group.botPermission, member.permission)) throw ApiError::State(10);
    member.mutedUntil = 0;
    console_.Log(LogLevel::Info, kIdentity,
                 "Group(" + std::to_string(groupId) + ") unmuted " + std::to_string(memberId));
    Json event;
    event["type"] = "MemberUnmuteEvent";
    event["member"] = MemberJson(member, group);
    event["operator"] = nullptr;
    EnqueueEvent(event);
}

void BotWorld::Kick(const std::string& key, int64_t groupId, int64_t memberId, const std::string& message) {
    std::lock_guard lock(mutex_);
    VerifiedSession(key);
    Group& group = RequireGroup(groupId);
    Member& member = RequireMember(group, memberId);
    if (!Outranks(group.botPermission, member.permission)) throw ApiError::State(10);
    Json event;
    event["type"] = "MemberLeaveEventKick";
    event["member"] = MemberJson(member, group);
    event["operator"] = nullptr;
    std::erase_if(group.members, [&](const Member& m) { return m.id == memberId; });
    console_.Log(LogLevel::Info, kIdentity,
                 "Group(" + std::to_string(groupId) + ") kicked " + std::to_string(memberId) +
                     (message.empty() ? "" : ": " + message));
    EnqueueEvent(event);
}

Json BotWorld::GetGroupConfig(const std::string& key, int64_t groupId) {
    std::lock_guard lock(mutex_);
    VerifiedSession(key);
    const Group& group = RequireGroup(groupId);
    Json config;
    config["name"] = group.name;
    config["announcement"] = group.announcement;
    config["confessTalk"] = false;
    config["allowMemberInvite"] = group.allowMemberInvite;
    config["autoApprove"] = false;
    config["anonymousChat"] = false;
    return config;
}

void BotWorld::SetGroupConfig(const std::string& key, int64_t groupId, const GroupConfigChange& change) {
    std::lock_guard lock(mutex_);
    VerifiedSession(key);
    Group& group = RequireGroup(groupId);
    RequireBotAdmin(group);
    if (change.name) group.name = *change.name;
    if (change.announcement) group.announcement = *change.announcement;
    if (change.allowMemberInvite) group.allowMemberInvite = *change.allowMemberInvite;
    console_.Log(LogLevel::Info, kIdentity, "Group(" + std::to_string(groupId) + ") config changed");
}

Json BotWorld::GetMemberInfo(const std::string& key, int64_t groupId, int64_t memberId) {
    std::lock_guard lock(mutex_);
    VerifiedSession(key);
    Group& group = RequireGroup(groupId);
    const Member& member = RequireMember(group, memberId);
    Json info;
    info["name"] = member.card;
    info["specialTitle"] = member.specialTitle;
    return info;
}

void BotWorld::SetMemberInfo(const std::string& key, int64_t groupId, int64_t memberId,
                             const MemberInfoChange& change) {
    std::lock_guard lock(mutex_);
    VerifiedSession(key);
    Group& group = RequireGroup(groupId);
    Member& member = RequireMember(group, memberId);
    if (change.name && !Outranks(group.botPermission, member.permission)) throw ApiError::State(10);
    if (change.specialTitle && group.botPermission != Permission::Owner) throw ApiError::State(10);
    if (change.name) member.card = *change.name;
    if (change.specialTitle) member.specialTitle = *change.specialTitle;
    console_.Log(LogLevel::Info, kIdentity,
                 "Group(" + std::to_string(groupId) + ") member " + std::to_string(memberId) + " info changed");
}

Json BotWorld::UploadImage(const std::string& key, const std::string& type, const std::string& fileName,
                           const std::string& bytes) {
    std::lock_guard lock(mutex_);
    Session& session = SessionFor(key, false);
    if (!session.verified) {
        throw ApiError::Internal("java.lang.ClassCastException",
                                 "class net.mamoe.mirai.api.http.data.TempSession cannot be cast to class "
                                 "net.mamoe.mirai.api.http.data.AuthedSession");
    }
    bool throughFriend = type == "friend" || type == "temp";
    if (!throughFriend && type != "group") throw ApiError::BadRequest("图片上传错误");
    if (throughFriend ? friends_.empty() : groups_.empty()) throw ApiError::BadRequest("图片上传错误");
    std::string name = BaseName(fileName);
    if (name.empty() || name == "." || name == "..") throw ApiError::BadRequest();
    std::filesystem::path folder = dataDir_ / "images";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    std::filesystem::path saved = std::filesystem::absolute(folder / name, error);
    std::ofstream out(saved, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw ApiError::BadRequest("图片上传错误");
    std::string imageId = ImageIdFor(bytes);
    console_.Log(LogLevel::Info, kIdentity, "Image uploaded: " + imageId + " (" + name + ")");
    Json answer;
    answer["imageId"] = imageId;
    answer["url"] = ImageUrlFor(imageId);
    answer["path"] = saved.string();
    return answer;
}

// ---------------------------------------------------------------- simulated QQ side

int BotWorld::EnqueueEvent(const Json& event) {
    // Sessions nobody uses any more must not collect events for ever.
    DropExpiredSessions();
    int delivered = 0;
    for (auto& [key, session] : sessions_) {
        if (!session.verified) continue;
        session.events.push_back(event);
        ++delivered;
    }
    return delivered;
}

CommandOutcome BotWorld::Delivered(const std::string& what, int sessions) {
    return {true, what + " queued for " + std::to_string(sessions) + " session(s)"};
}

CommandOutcome BotWorld::Login(int64_t qq) {
    std::lock_guard lock(mutex_);
    if (qq <= 0) return {false, "Not a QQ number: " + std::to_string(qq)};
    if (bot_ && *bot_ != qq) return {false, "The stand-in simulates one bot only: " + std::to_string(*bot_)};
    bot_ = qq;
    return {true, SimulatedBotText(qq)};
}

CommandOutcome BotWorld::ReceiveMessage(MessageKind kind, int64_t groupId, int64_t qq, const std::string& text) {
    std::lock_guard lock(mutex_);
    if (kind == MessageKind::Friend) {
        if (FindFriend(qq) == nullptr) return {false, "No friend " + std::to_string(qq)};
    } else {
        Group* group = FindGroup(groupId);
        if (group == nullptr) return {false, "No group " + std::to_string(groupId)};
        if (group->FindMember(qq) == nullptr) return {false, "No member " + std::to_string(qq)};
    }
    StoredMessage message = StoreMessage(kind, groupId, qq, false, PlainChain(text), std::nullopt);
    return Delivered(MessageTypeName(kind) + " " + std::to_string(message.id),
                     EnqueueEvent(MessageEventJson(message)));
}

// Cached copy of a message in any session, for recall events injected by hand.
const StoredMessage* BotWorld::FindCached(int32_t messageId) {
    for (auto& [key, session] : sessions_) {
        auto found = session.cache.find(messageId);
        if (found != session.cache.end()) return &found->second;
    }
    return nullptr;
}

void BotWorld::MarkRecalled(int32_t messageId) {
    for (auto& [key, session] : sessions_) {
        auto found = session.cache.find(messageId);
        if (found != session.cache.end()) found->second.recalled = true;
    }
}

CommandOutcome BotWorld::FriendRecall(int64_t qq, int32_t messageId) {
    std::lock_guard lock(mutex_);
    if (FindFriend(qq) == nullptr) return {false, "No friend " + std::to_string(qq)};
    const StoredMessage* message = FindCached(messageId);
    int64_t time = message ? message->time : Now();
    MarkRecalled(messageId);
    Json event;
    event["type"] = "FriendRecallEvent";
    event["authorId"] = qq;
    event["messageId"] = messageId;
    event["time"] = time & 0xFFFF;
    event["operator"] = qq;
    return Delivered("FriendRecallEvent", EnqueueEvent(event));
}

CommandOutcome BotWorld::GroupRecall(int64_t groupId, int64_t authorId, int32_t messageId,
                                     std::optional<int64_t> operatorId) {
    std::lock_guard lock(mutex_);
    Group* group = FindGroup(groupId);
    if (group == nullptr) return {false, "No group " + std::to_string(groupId)};
    if (operatorId && group->FindMember(*operatorId) == nullptr) return {false, "No member " + std::to_string(*operatorId)};
    const StoredMessage* message = FindCached(messageId);
    int64_t time = message ? message->time : Now();
    MarkRecalled(messageId);
    Json event;
    event["type"] = "GroupRecallEvent";
    event["authorId"] = authorId;
    event["messageId"] = messageId;
    event["time"] = time & 0xFFFF;
    event["group"] = GroupJson(*group);
    event["operator"] = OperatorJson(*group, operatorId);
    return Delivered("GroupRecallEvent", EnqueueEvent(event));
}

CommandOutcome BotWorld::MuteAllChanged(int64_t groupId, bool on, std::optional<int64_t> operatorId) {
    std::lock_guard lock(mutex_);
    Group* group = FindGroup(groupId);
    if (group == nullptr) return {false, "No group " + std::to_string(groupId)};
    if (operatorId && group->FindMember(*operatorId) == nullptr) return {false, "No member " + std::to_string(*operatorId)};
    Json event;
    event["type"] = "GroupMuteAllEvent";
    event["origin"] = group->muteAll;
    event["new"] = on;
    event["current"] = on;
    group->muteAll = on;
    event["group"] = GroupJson(*group);
    event["operator"] = OperatorJson(*group, operatorId);
    return Delivered("GroupMuteAllEvent", EnqueueEvent(event));
}

CommandOutcome BotWorld::MemberJoined(int64_t groupId, int64_t qq, const std::string& nickname) {
    std::lock_guard lock(mutex_);
    Group* group = FindGroup(groupId);
    if (group == nullptr) return {false, "No group " + std::to_string(groupId)};
    if (group->FindMember(qq) != nullptr || (bot_ && *bot_ == qq)) {
        return {false, "Already a member: " + std::to_string(qq)};
    }
    group->members.push_back(Member{qq, nickname, "", "", Permission::Member, 0});
    Json event;
    event["type"] = "MemberJoinEvent";
    event["member"] = MemberJson(group->members.back(), *group);
    return Delivered("MemberJoinEvent", EnqueueEvent(event));
}

CommandOutcome BotWorld::MemberLeft(int64_t groupId, int64_t qq, bool kicked, std::optional<int64_t> operatorId) {
    std::lock_guard lock(mutex_);
    Group* group = FindGroup(groupId);
    if (group == nullptr) return {false, "No group " + std::to_string(groupId)};
    const Member* member = group->FindMember(qq);
    if (member == nullptr) return {false, "No member " + std::to_string(qq)};
    if (operatorId && group->FindMember(*operatorId) == nullptr) return {false, "No member " + std::to_string(*operatorId)};
    Json event;
    event["type"] = kicked ? "MemberLeaveEventKick" : "MemberLeaveEventQuit";
    event["member"] = MemberJson(*member, *group);
    if (kicked) event["operator"] = OperatorJson(*group, operatorId);
    std::erase_if(group->members, [&](const Member& m) { return m.id == qq; });
    return Delivered(event["type"].get<std::string>(), EnqueueEvent(event));
}

CommandOutcome BotWorld::MemberMuteChanged(int64_t groupId, int64_t qq, int32_t seconds,
                                           std::optional<int64_t> operatorId) {
    std::lock_guard lock(mutex_);
    Group* group = FindGroup(groupId);
    if (group == nullptr) return {false, "No group " + std::to_string(groupId)};
    Member* member = group->FindMember(qq);
    if (member == nullptr) return {false, "No member " + std::to_string(qq)};
    if (operatorId && group->FindMember(*operatorId) == nullptr) return {false, "No member " + std::to_string(*operatorId)};
    member->mutedUntil = seconds > 0 ? Now() + seconds : 0;
    Json event;
    event["type"] = seconds > 0 ? "MemberMuteEvent" : "MemberUnmuteEvent";
    if (seconds > 0) event["durationSeconds"] = seconds;
    event["member"] = MemberJson(*member, *group);
    event["operator"] = OperatorJson(*group, operatorId);
    return Delivered(event["type"].get<std::string>(), EnqueueEvent(event));
}

CommandOutcome BotWorld::BotMuteChanged(int64_t groupId, int32_t seconds, int64_t operatorId) {
    std::lock_guard lock(mutex_);
    Group* group = FindGroup(groupId);
    if (group == nullptr) return {false, "No group " + std::to_string(groupId)};
    const Member* by = group->FindMember(operatorId);
    if (by == nullptr) return {false, "No member " + std::to_string(operatorId)};
    group->botMutedUntil = seconds > 0 ? Now() + seconds : 0;
    Json event;
    event["type"] = seconds > 0 ? "BotMuteEvent" : "BotUnmuteEvent";
    if (seconds > 0) event["durationSeconds"] = seconds;
    event["operator"] = MemberJson(*by, *group);
    return Delivered(event["type"].get<std::string>(), EnqueueEvent(event));
}

CommandOutcome BotWorld::BotStateEvent(const std::string& type) {
    static const std::vector<std::string> kTypes = {"BotOnlineEvent", "BotOfflineEventActive",
                                                    "BotOfflineEventForce", "BotOfflineEventDropped",
                                                    "BotReloginEvent"};
    std::lock_guard lock(mutex_);
    if (std::find(kTypes.begin(), kTypes.end(), type) == kTypes.end()) return {false, "Unknown bot event " + type};
    if (!bot_) return {false, "No bot account yet: verify a session first"};
    Json event;
    event["type"] = type;
    event["qq"] = *bot_;
    return Delivered(type, EnqueueEvent(event));
}

std::vector<std::string> BotWorld::Describe() {
    std::lock_guard lock(mutex_);
    int verified = 0;
    for (const auto& [key, session] : sessions_) verified += session.verified ? 1 : 0;
    std::vector<std::string> lines;
    lines.push_back("Bot: " + (bot_ ? std::to_string(*bot_) : std::string("none yet (the first verify picks it)")) +
                    ", simulated, not logged in to QQ");
    lines.push_back("Sessions: " + std::to_string(sessions_.size()) + " (" + std::to_string(verified) + " verified)");
    for (const Friend& contact : friends_) {
        lines.push_back("Friend " + std::to_string(contact.id) + " " + contact.nickname);
    }
    for (const Group& group : groups_) {
        std::string members;
        for (const Member& member : group.members) members += " " + std::to_string(member.id);
        lines.push_back("Group " + std::to_string(group.id) + " " + group.name + " (bot " +
                        PermissionName(group.botPermission) + (group.BotIsMuted(Now()) ? ", muted" : "") +
                        "), members:" + members);
    }
    return lines;
}

}  // namespace vkr::standin

#include "api/BotCore.h"

#include <utility>

#include "api/ResultCode.h"
#include "support/JsonDocument.h"

namespace vkr {

namespace {

void WaitUnlessStopped(int milliseconds, std::stop_token stop) {
    if (milliseconds <= 0) return;
    std::mutex mutex;
    std::condition_variable_any wakeUp;
    std::unique_lock lock(mutex);
    wakeUp.wait_for(lock, stop, std::chrono::milliseconds(milliseconds), [] { return false; });
}

}  // namespace

// The body of the polling thread, with the objects that live as long as it:
// its own copy of the connection, the chain and the contacts it reloads for
// every event.
class BotCore::PollLoop {
public:
    PollLoop(BotCore& core, ApiConnection connection, std::stop_token stop)
        : core_(core), connection_(std::move(connection)), stop_(std::move(stop)) {
        connection_.httpClient.SetCancelCheck([this] { return stop_.stop_requested(); });
    }

    void Run() {
        while (!stop_.stop_requested()) {
            const JsonDocument answer = Fetch();
            if (stop_.stop_requested()) return;
            const std::string data = answer.GetJson("data");
            if (!data.empty()) DispatchAll(data);
            Wait();
        }
    }

private:
    JsonDocument Fetch() {
        JsonDocument answer;
        connection_.httpClient.GetIntoDocument(
            "fetchMessage?sessionKey=" + connection_.sessionKey + "&count=" + std::to_string(core_.count_.load()),
            answer);
        return answer;
    }

    void DispatchAll(const std::string& data) {
        JsonDocument events;
        events.Parse(data);
        const int count = events.Count();
        for (int i = 0; i < count && !stop_.stop_requested(); ++i) {
            Dispatch(events.GetElementObject(i));
            Wait();
        }
    }

    void Wait() { core_.wait_(core_.intervalMs_.load(), stop_); }

    void Dispatch(const JsonDocument& event) {
        const Handlers handlers = core_.CurrentHandlers();
        const std::string type = event.GetText("type");
        if (type == "FriendMessage" && handlers.friendMessage) {
            chain_.Load(event.GetJson("messageChain"));
            LoadFriend(event.GetJson("sender"));
            handlers.friendMessage(chain_, friend_);
        } else if (type == "GroupMessage" && handlers.groupMessage) {
            chain_.Load(event.GetJson("messageChain"));
            LoadMember(member1_, event.GetJson("sender"));
            handlers.groupMessage(chain_, member1_);
        } else if (type == "GroupRecallEvent" && handlers.groupRecall) {
            LoadMember(member1_, event.GetJson("operator"));
            handlers.groupRecall(MessageId(event), member1_);
        } else if (type == "FriendRecallEvent" && handlers.friendRecall) {
            LoadRecallAuthor(event);
            handlers.friendRecall(MessageId(event), friend_);
        } else if (type == "GroupMuteAllEvent" && handlers.groupMuteAll) {
            LoadMember(member1_, event.GetJson("operator"));
            handlers.groupMuteAll(member1_);
        } else if (type == "MemberJoinEvent" && handlers.memberJoin) {
            // The server names the newcomer "member"; "sender" is honoured first.
            const std::string sender = event.GetJson("sender");
            LoadMember(member1_, sender.empty() ? event.GetJson("member") : sender);
            handlers.memberJoin(member1_);
        } else if (type == "MemberLeaveEventKick" && handlers.memberKick) {
            LoadMember(member1_, event.GetJson("member"));
            LoadMember(member2_, event.GetJson("operator"));
            handlers.memberKick(member1_, member2_);
        } else if (type == "MemberLeaveEventQuit" && handlers.memberQuit) {
            LoadMember(member1_, event.GetJson("member"));
            handlers.memberQuit(member1_);
        }
    }

    static std::int64_t MessageId(const JsonDocument& event) {
        return static_cast<std::int64_t>(event.GetNumber("messageId"));
    }

    void LoadFriend(const std::string& json) {
        friend_.SetConnection(connection_);
        friend_.LoadFriend(json);
    }

    void LoadMember(MemberApi& member, const std::string& json) {
        member.SetConnection(connection_);
        member.LoadMember(json);
    }

    // A friend's recall carries the author as the number "authorId" and no
    // "sender"; a "sender" object, when present, is used as it is.
    void LoadRecallAuthor(const JsonDocument& event) {
        const std::string sender = event.GetJson("sender");
        LoadFriend(sender);
        if (sender.empty()) friend_.SetTarget(static_cast<std::int64_t>(event.GetNumber("authorId")));
    }

    BotCore& core_;
    ApiConnection connection_;
    std::stop_token stop_;
    MessageChain chain_;
    FriendApi friend_;
    MemberApi member1_;
    MemberApi member2_;
};

BotCore::BotCore(WaitFunction wait) : wait_(wait ? std::move(wait) : WaitFunction(&WaitUnlessStopped)) {}

BotCore::~BotCore() { StopPolling(); }

std::int32_t BotCore::Shutdown() {
    StopPolling();
    return session_.Release();
}

bool BotCore::Initialize(const std::string& baseUrl, const std::string& key, std::int64_t account) {
    session_.SetServer(baseUrl);
    if (!session_.Auth(key)) return false;
    return session_.Verify(account) == kCodeSuccess;
}

void BotCore::StartPolling(std::optional<int> intervalMs, std::optional<int> count) {
    intervalMs_ = intervalMs.value_or(kDefaultIntervalMs);
    count_ = count.value_or(kDefaultCount);
    StopPolling();
    thread_ = std::jthread([this, connection = session_.GetConnection()](std::stop_token stop) {
        PollLoop(*this, connection, std::move(stop)).Run();
    });
}

void BotCore::StopPolling() {
    if (!thread_.joinable()) return;
    thread_.request_stop();
    // A handler that stops polling runs on the polling thread itself, which
    // cannot wait for itself: it ends once the handler returns, and the next
    // StopPolling or the destructor collects it.
    if (thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool BotCore::IsPolling() const { return thread_.joinable(); }

FriendApi BotCore::GetFriend(std::int64_t qq) const { return session_.GetFriend(qq); }
GroupApi BotCore::GetGroup(std::int64_t group) const { return session_.GetGroup(group); }

BotCore::Handlers BotCore::CurrentHandlers() const {
    std::lock_guard lock(handlersMutex_);
    return handlers_;
}

template <typename Handler>
void BotCore::Register(Handler Handlers::*slot, Handler handler) {
    std::lock_guard lock(handlersMutex_);
    handlers_.*slot = std::move(handler);
}

void BotCore::SetFriendMessageHandler(FriendMessageHandler handler) {
    Register(&Handlers::friendMessage, std::move(handler));
}
void BotCore::SetFriendRecallHandler(FriendRecallHandler handler) {
    Register(&Handlers::friendRecall, std::move(handler));
}
void BotCore::SetGroupMessageHandler(GroupMessageHandler handler) {
    Register(&Handlers::groupMessage, std::move(handler));
}
void BotCore::SetGroupRecallHandler(GroupRecallHandler handler) {
    Register(&Handlers::groupRecall, std::move(handler));
}
void BotCore::SetGroupMuteAllHandler(MemberHandler handler) { Register(&Handlers::groupMuteAll, std::move(handler)); }
void BotCore::SetMemberJoinHandler(MemberHandler handler) { Register(&Handlers::memberJoin, std::move(handler)); }
void BotCore::SetMemberQuitHandler(MemberHandler handler) { Register(&Handlers::memberQuit, std::move(handler)); }
void BotCore::SetMemberKickHandler(MemberKickHandler handler) { Register(&Handlers::memberKick, std::move(handler)); }

std::string BotCore::UploadFriendImage(const std::string& imageBytes) {
    return session_.UploadImage(imageBytes, "friend");
}
std::string BotCore::UploadGroupImage(const std::string& imageBytes) {
    return session_.UploadImage(imageBytes, "group");
}
std::int32_t BotCore::Recall(std::int64_t messageId) { return session_.Recall(messageId); }
std::int32_t BotCore::RecallMessage(MessageChain& chain) { return session_.RecallMessage(chain); }
MessageChain BotCore::MessageFromId(std::int64_t messageId) { return session_.MessageFromId(messageId); }
void BotCore::FriendList(std::vector<FriendApi>& list) { session_.FriendList(list); }
void BotCore::GroupList(std::vector<GroupApi>& list) { session_.GroupList(list); }

}  // namespace vkr

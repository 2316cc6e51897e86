#include "tools/mirai-standin/ConsoleCommands.h"

#include <charconv>
#include <functional>
#include <map>
#include <optional>
#include <sstream>

#include "tools/mirai-standin/BotWorld.h"
#include "tools/mirai-standin/ConsoleOutput.h"

namespace vkr::standin {

namespace {

constexpr const char* kIdentity = "stand-in";

struct EventCommand {
    const char* usage;
    const char* description;
};

// Kept in one table so "help" and the README list the same commands.
const std::map<std::string, EventCommand>& EventCommands() {
    static const std::map<std::string, EventCommand> commands = {
        {"friend", {"event friend <qq> <text>", "FriendMessage from a friend"}},
        {"group", {"event group <group> <qq> <text>", "GroupMessage from a member"}},
        {"temp", {"event temp <group> <qq> <text>", "TempMessage from a member"}},
        {"friendrecall", {"event friendrecall <qq> <messageId>", "FriendRecallEvent"}},
        {"grouprecall",
         {"event grouprecall <group> <authorQq> <messageId> [operatorQq]", "GroupRecallEvent (no operator: the bot)"}},
        {"muteall", {"event muteall <group> on|off [operatorQq]", "GroupMuteAllEvent"}},
        {"join", {"event join <group> <qq> [nickname]", "MemberJoinEvent (adds the member)"}},
        {"quit", {"event quit <group> <qq>", "MemberLeaveEventQuit (removes the member)"}},
        {"kick", {"event kick <group> <qq> [operatorQq]", "MemberLeaveEventKick (removes the member)"}},
        {"mute", {"event mute <group> <qq> <seconds> [operatorQq]", "MemberMuteEvent"}},
        {"unmute", {"event unmute <group> <qq> [operatorQq]", "MemberUnmuteEvent"}},
        {"botmute", {"event botmute <group> <seconds> <operatorQq>", "BotMuteEvent (sends there get code 20)"}},
        {"botunmute", {"event botunmute <group> <operatorQq>", "BotUnmuteEvent"}},
        {"bot",
         {"event bot online|offline-active|offline-force|offline-dropped|relogin",
          "BotOnlineEvent, BotOfflineEvent*, BotReloginEvent"}},
    };
    return commands;
}

std::vector<std::string> SplitWords(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> words;
    std::string word;
    while (stream >> word) words.push_back(word);
    return words;
}

// The text after the first `count` words, spaces inside it kept.
std::string RestAfter(const std::string& line, size_t count) {
    size_t at = 0;
    for (size_t i = 0; i < count; ++i) {
        at = line.find_first_not_of(' ', at);
        at = line.find(' ', at);
        if (at == std::string::npos) return "";
    }
    size_t begin = line.find_first_not_of(' ', at);
    return begin == std::string::npos ? "" : line.substr(begin);
}

template <typename T>
std::optional<T> Number(const std::string& text) {
    T value{};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// Reads the numbers at the given word positions; nullopt when one is not a number.
struct Args {
    const std::vector<std::string>& words;
    bool ok = true;

    int64_t Long(size_t index) { return Get<int64_t>(index); }
    int32_t Int(size_t index) { return Get<int32_t>(index); }
    std::optional<int64_t> OptLong(size_t index) {
        if (index >= words.size()) return std::nullopt;
        return Long(index);
    }

    template <typename T>
    T Get(size_t index) {
        std::optional<T> value = index < words.size() ? Number<T>(words[index]) : std::nullopt;
        if (!value) ok = false;
        return value.value_or(T{});
    }
};

}  // namespace

ConsoleCommands::ConsoleCommands(BotWorld& world, ConsoleOutput& console) : world_(world), console_(console) {}

bool ConsoleCommands::Execute(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t begin = line.find_first_not_of(" \t");
    if (begin == std::string::npos) return true;
    line = line.substr(begin);
    if (line[0] == '/') line = line.substr(1);
    std::vector<std::string> words = SplitWords(line);
    if (words.empty()) return true;
    const std::string& name = words[0];
    if (name == "stop") return false;
    if (name == "help") Help();
    else if (name == "status") Status();
    else if (name == "event") Event(words, line);
    else if (name == "login") Login(words);
    else console_.Log(LogLevel::Warning, "main", "未知指令: " + name + ", 输入 help 获取帮助");
    return true;
}

void ConsoleCommands::Help() {
    console_.Log(LogLevel::Info, "main", "help    -- this list");
    console_.Log(LogLevel::Info, "main", "status  -- the simulated account, sessions, friends and groups");
    console_.Log(LogLevel::Info, "main", "stop    -- shut the console down");
    console_.Log(LogLevel::Info, "main", "login <qq> [password]  -- pick the simulated bot (no QQ login happens)");
    for (const auto& [name, command] : EventCommands()) {
        console_.Log(LogLevel::Info, "main", std::string(command.usage) + "  -- " + command.description);
    }
}

void ConsoleCommands::Login(const std::vector<std::string>& words) {
    std::optional<int64_t> qq = words.size() >= 2 ? Number<int64_t>(words[1]) : std::nullopt;
    if (!qq) {
        console_.Log(LogLevel::Warning, kIdentity, "Usage: login <qq> [password]");
        return;
    }
    CommandOutcome outcome = world_.Login(*qq);
    console_.Log(outcome.ok ? LogLevel::Info : LogLevel::Warning, kIdentity, outcome.message);
}

void ConsoleCommands::Status() {
    for (const std::string& line : world_.Describe()) console_.Log(LogLevel::Info, kIdentity, line);
}

void ConsoleCommands::Event(const std::vector<std::string>& words, const std::string& line) {
    auto command = words.size() > 1 ? EventCommands().find(words[1]) : EventCommands().end();
    if (command == EventCommands().end()) {
        console_.Log(LogLevel::Warning, kIdentity, "Unknown event; type help for the list");
        return;
    }
    const std::string& kind = words[1];
    Args args{words};
    // Numbers are parsed first; the world is only touched when all of them parsed.
    std::function<CommandOutcome()> action;
    if (kind == "friend" && words.size() > 3) {
        int64_t qq = args.Long(2);
        action = [=, this] { return world_.ReceiveMessage(MessageKind::Friend, 0, qq, RestAfter(line, 3)); };
    } else if ((kind == "group" || kind == "temp") && words.size() > 4) {
        MessageKind type = kind == "group" ? MessageKind::Group : MessageKind::Temp;
        int64_t group = args.Long(2), qq = args.Long(3);
        action = [=, this] { return world_.ReceiveMessage(type, group, qq, RestAfter(line, 4)); };
    } else if (kind == "friendrecall" && words.size() == 4) {
        int64_t qq = args.Long(2);
        int32_t id = args.Int(3);
        action = [=, this] { return world_.FriendRecall(qq, id); };
    } else if (kind == "grouprecall" && (words.size() == 5 || words.size() == 6)) {
        int64_t group = args.Long(2), author = args.Long(3);
        int32_t id = args.Int(4);
        std::optional<int64_t> by = args.OptLong(5);
        action = [=, this] { return world_.GroupRecall(group, author, id, by); };
    } else if (kind == "muteall" && (words.size() == 4 || words.size() == 5) &&
               (words[3] == "on" || words[3] == "off")) {
        int64_t group = args.Long(2);
        bool on = words[3] == "on";
        std::optional<int64_t> by = args.OptLong(4);
        action = [=, this] { return world_.MuteAllChanged(group, on, by); };
    } else if (kind == "join" && words.size() >= 4) {
        int64_t group = args.Long(2), qq = args.Long(3);
        std::string nickname = RestAfter(line, 4);
        if (nickname.empty()) nickname = words[3];
        action = [=, this] { return world_.MemberJoined(group, qq, nickname); };
    } else if ((kind == "quit" && words.size() == 4) || (kind == "kick" && (words.size() == 4 || words.size() == 5))) {
        int64_t group = args.Long(2), qq = args.Long(3);
        std::optional<int64_t> by = args.OptLong(4);
        bool kicked = kind == "kick";
        action = [=, this] { return world_.MemberLeft(group, qq, kicked, by); };
    } else if ((kind == "mute" && (words.size() == 5 || words.size() == 6)) ||
               (kind == "unmute" && (words.size() == 4 || words.size() == 5))) {
        bool mute = kind == "mute";
        int64_t group = args.Long(2), qq = args.Long(3);
        int32_t seconds = mute ? args.Int(4) : 0;
        if (mute && seconds <= 0) args.ok = false;
        std::optional<int64_t> by = args.OptLong(mute ? 5 : 4);
        action = [=, this] { return world_.MemberMuteChanged(group, qq, seconds, by); };
    } else if ((kind == "botmute" && words.size() == 5) || (kind == "botunmute" && words.size() == 4)) {
        bool mute = kind == "botmute";
        int64_t group = args.Long(2);
        int32_t seconds = mute ? args.Int(3) : 0;
        if (mute && seconds <= 0) args.ok = false;
        int64_t by = args.Long(mute ? 4 : 3);
        action = [=, this] { return world_.BotMuteChanged(group, seconds, by); };
    } else if (kind == "bot" && words.size() == 3) {
        static const std::map<std::string, std::string> kTypes = {
            {"online", "BotOnlineEvent"},
            {"offline-active", "BotOfflineEventActive"},
            {"offline-force", "BotOfflineEventForce"},
            {"offline-dropped", "BotOfflineEventDropped"},
            {"relogin", "BotReloginEvent"}};
        auto type = kTypes.find(words[2]);
        if (type != kTypes.end()) action = [=, this] { return world_.BotStateEvent(type->second); };
    }
    if (!action || !args.ok) {
        console_.Log(LogLevel::Warning, kIdentity, std::string("Usage: ") + command->second.usage);
        return;
    }
    CommandOutcome outcome = action();
    console_.Log(outcome.ok ? LogLevel::Info : LogLevel::Warning, kIdentity, outcome.message);
}

}  // namespace vkr::standin

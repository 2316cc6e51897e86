#pragma once
// The simulated account's contacts and their JSON shapes as the plug-in sends them.
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace vkr::standin {

using Json = nlohmann::ordered_json;

enum class Permission { Member, Administrator, Owner };

// "MEMBER", "ADMINISTRATOR" or "OWNER".
std::string PermissionName(Permission permission);

struct Friend {
    int64_t id = 0;
    std::string nickname;
    std::string remark;
};

struct Member {
    int64_t id = 0;
    std::string nickname;
    std::string card;  // group card; memberName falls back to the nickname
    std::string specialTitle;
    Permission permission = Permission::Member;
    int64_t mutedUntil = 0;  // epoch seconds
};

struct Group {
    int64_t id = 0;
    std::string name;
    std::string announcement;
    bool allowMemberInvite = true;
    bool muteAll = false;
    Permission botPermission = Permission::Member;
    int64_t botMutedUntil = 0;  // epoch seconds
    std::vector<Member> members;  // the bot is not listed

    Member* FindMember(int64_t id);
    const Member* FindMember(int64_t id) const;
    bool BotIsMuted(int64_t now) const;
};

enum class MessageKind { Friend, Group, Temp };

// "FriendMessage", "GroupMessage" or "TempMessage".
std::string MessageTypeName(MessageKind kind);

Json FriendJson(const Friend& contact);
Json GroupJson(const Group& group);
Json MemberJson(const Member& member, const Group& group);

// The fixed demo account: friends 10001..10003, groups 20001 (bot OWNER),
// 20002 (bot MEMBER) and 20003 (bot MEMBER and muted). See README.md.
std::vector<Friend> DemoFriends();
std::vector<Group> DemoGroups(int64_t now);

// True when actor may act on target (mute, kick, recall, set card): an owner
// over everyone else, an administrator over plain members.
bool Outranks(Permission actor, Permission target);

}  // namespace vkr::standin

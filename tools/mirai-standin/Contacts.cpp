#include "tools/mirai-standin/Contacts.h"

namespace vkr::standin {

std::string PermissionName(Permission permission) {
    switch (permission) {
        case Permission::Owner: return "OWNER";
        case Permission::Administrator: return "ADMINISTRATOR";
        case Permission::Member: return "MEMBER";
    }
    return "MEMBER";
}

Member* Group::FindMember(int64_t memberId) {
    for (Member& member : members) {
        if (member.id == memberId) return &member;
    }
    return nullptr;
}

const Member* Group::FindMember(int64_t memberId) const {
    return const_cast<Group*>(this)->FindMember(memberId);
}

bool Group::BotIsMuted(int64_t now) const {
    return botMutedUntil > now || (muteAll && botPermission == Permission::Member);
}

std::string MessageTypeName(MessageKind kind) {
    switch (kind) {
        case MessageKind::Friend: return "FriendMessage";
        case MessageKind::Group: return "GroupMessage";
        case MessageKind::Temp: return "TempMessage";
    }
    return "FriendMessage";
}

Json FriendJson(const Friend& contact) {
    Json json;
    json["id"] = contact.id;
    json["nickname"] = contact.nickname;
    json["remark"] = contact.remark;
    return json;
}

Json GroupJson(const Group& group) {
    Json json;
    json["id"] = group.id;
    json["name"] = group.name;
    json["permission"] = PermissionName(group.botPermission);
    return json;
}

Json MemberJson(const Member& member, const Group& group) {
    Json json;
    json["id"] = member.id;
    json["memberName"] = member.card.empty() ? member.nickname : member.card;
    json["permission"] = PermissionName(member.permission);
    json["group"] = GroupJson(group);
    return json;
}

std::vector<Friend> DemoFriends() {
    return {
        {10001, "Alice", ""},
        {10002, "小明", "同学"},
        {10003, "Bob", "测试好友"},
    };
}

std::vector<Group> DemoGroups(int64_t now) {
    Group owned{20001, "Velkorin 测试群", "欢迎来到测试群", true, false, Permission::Owner, 0, {}};
    owned.members = {
        {10001, "Alice", "爱丽丝", "", Permission::Administrator, 0},
        {10002, "小明", "", "", Permission::Member, 0},
        {30001, "路人甲", "", "", Permission::Member, 0},
    };
    Group plain{20002, "闲聊群", "", true, false, Permission::Member, 0, {}};
    plain.members = {
        {10003, "Bob", "", "", Permission::Member, 0},
        {30002, "群主", "", "", Permission::Owner, 0},
    };
    Group muted{20003, "禁言群", "", false, false, Permission::Member, now + 30 * 24 * 3600, {}};
    muted.members = {
        {30003, "管理员", "", "", Permission::Owner, 0},
    };
    return {owned, plain, muted};
}

bool Outranks(Permission actor, Permission target) {
    if (actor == Permission::Owner) return target != Permission::Owner;
    if (actor == Permission::Administrator) return target == Permission::Member;
    return false;
}

}  // namespace vkr::standin

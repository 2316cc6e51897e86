#pragma once
// A group's configuration as "groupConfig" reads and writes it.
#include <string>

namespace vkr {

struct GroupConfig {
    std::string name;
    std::string announcement;
    bool confessTalk = false;
    bool allowMemberInvite = false;
    bool autoApprove = false;
    bool anonymousChat = false;
};

}  // namespace vkr

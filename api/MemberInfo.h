#pragma once
// A member's group card and title as "memberInfo" reads and writes them.
#include <string>

namespace vkr {

struct MemberInfo {
    std::string name;
    std::string specialTitle;
};

}  // namespace vkr

#pragma once
// Cutting a piece out of a CP936 text by the texts around it. Positions are
// 1-based and count bytes; with ignoreCase, A-Z match a-z.
#include <string>
#include <string_view>

namespace vkr {

// Everything before the first separator at or after start (below 1 counts as 1);
// "" when the separator does not occur. TextBefore("name=value", "=") => "name".
std::string TextBefore(std::string_view text, std::string_view separator, int start = 1,
                       bool ignoreCase = false);

// The text between the first left at or after start and the next right after
// it; "" when either is missing. "#引号" in left or right stands for '"'.
// TextBetween("a[b]c", "[", "]") => "b".
std::string TextBetween(std::string_view text, std::string_view left, std::string_view right,
                        int start = 1, bool ignoreCase = false);

// Byte index (0-based) of needle in text at or after from; npos when absent.
size_t FindBytes(std::string_view text, std::string_view needle, size_t from, bool ignoreCase);

}  // namespace vkr

#include "support/TextHelpers.h"

#include <algorithm>

namespace vkr {
namespace {

// "#引号" in CP936 bytes.
const std::string kQuoteWord = "#\xD2\xFD\xBA\xC5";

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string ReplaceQuoteWord(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    size_t from = 0;
    for (size_t at = text.find(kQuoteWord); at != std::string_view::npos; at = text.find(kQuoteWord, from)) {
        result.append(text.substr(from, at - from)).push_back('"');
        from = at + kQuoteWord.size();
    }
    result.append(text.substr(from));
    return result;
}

size_t StartIndex(int start) { return start < 1 ? 0 : static_cast<size_t>(start - 1); }

}  // namespace

size_t FindBytes(std::string_view text, std::string_view needle, size_t from, bool ignoreCase) {
    if (from > text.size()) return std::string_view::npos;
    if (!ignoreCase) return text.find(needle, from);
    auto it = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), needle.begin(),
                          needle.end(), [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
    if (it == text.end() && !needle.empty()) return std::string_view::npos;
    return static_cast<size_t>(it - text.begin());
}

std::string TextBefore(std::string_view text, std::string_view separator, int start, bool ignoreCase) {
    size_t at = FindBytes(text, separator, StartIndex(start), ignoreCase);
    if (at == std::string_view::npos) return {};
    return std::string(text.substr(0, at));
}

std::string TextBetween(std::string_view text, std::string_view left, std::string_view right, int start,
                        bool ignoreCase) {
    const std::string leftText = ReplaceQuoteWord(left);
    const std::string rightText = ReplaceQuoteWord(right);
    size_t leftAt = FindBytes(text, leftText, StartIndex(start), ignoreCase);
    if (leftAt == std::string_view::npos) return {};
    size_t valueStart = leftAt + leftText.size();
    size_t rightAt = FindBytes(text, rightText, valueStart, ignoreCase);
    if (rightAt == std::string_view::npos) return {};
    return std::string(text.substr(valueStart, rightAt - valueStart));
}

}  // namespace vkr

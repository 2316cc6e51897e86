#pragma once
// A small regular-expression helper over CP936 texts, in the dialect the
// program's patterns are written for: ECMAScript-like syntax (lazy quantifiers,
// \w = [A-Za-z0-9_], numbered groups), letter case ignored by default, "^" and
// "$" at every line ("\r", "\n" or "\r\n"), all matches collected, and "." never matching "\n".
//
// Matching runs on whole characters (a GBK double-byte character is never
// split); indexes passed in are 1-based. Nothing throws: a rejected pattern
// makes Search return false and every reading operation return "" or 0.
//
//   RegexMatcher m;
//   m.Search("<meta.+?charset=[^\\w]?([-\\w]+)", "<meta charset=\"utf-8\">");
//   m.GetSubmatch(1, 1)  => "utf-8"
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vkr {

class RegexMatcher {
public:
    // quoteEscape: every "#引号" in the pattern stands for a double quote.
    // True when the pattern compiled (also when nothing matched).
    bool Search(std::string_view pattern, std::string_view text, bool caseSensitive = false,
                bool multiline = true, bool global = true, bool quoteEscape = false);

    // The pattern of the last Search as given to the engine; "" before any.
    std::string GetPattern() const;

    // searchedText with every match (the first only when global was off)
    // replaced; "$1".."$99", "$&", "$`", "$'" and "$$" are expanded.
    // A failed or missing Search gives "".
    std::string Replace(std::string_view replacement = {}) const;

    int GetMatchCount() const;
    // position (out): 0-based byte offset of the returned text in searchedText,
    // searched from one byte before the match.
    std::string GetMatch(int matchIndex, int* position = nullptr) const;
    // An unset group reads "".
    std::string GetSubmatch(int matchIndex, int submatchIndex, int* position = nullptr) const;
    // Groups of the first match; 0 when nothing matched.
    int GetSubmatchCount() const;

private:
    struct Match {
        std::string value;              // CP936
        size_t offset = 0;              // byte offset in searchedText_
        std::string before;             // "$`"
        std::string after;              // "$'"
        std::vector<std::string> groups;  // CP936, group 1 first
    };

    const Match* MatchAt(int matchIndex) const;
    int PositionOf(const std::string& value, const Match& match) const;

    std::string pattern_;
    std::string searchedText_;
    bool searched_ = false;
    std::vector<Match> matches_;
};

}  // namespace vkr

#define PCRE2_CODE_UNIT_WIDTH 8
#include "update/RegexMatcher.h"

#include <pcre2.h>

#include <memory>

#include "platform/CodePage.h"
#include "support/TextHelpers.h"

namespace vkr {
namespace {

const std::string kQuoteWord = "#\xD2\xFD\xBA\xC5";  // "#引号" in CP936

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

size_t Utf8CharLength(std::string_view text, size_t at) {
    unsigned char lead = static_cast<unsigned char>(text[at]);
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return std::min(length, text.size() - at);
}

}  // namespace

bool RegexMatcher::Search(std::string_view pattern, std::string_view text, bool caseSensitive,
                          bool multiline, bool global, bool quoteEscape) {
    matches_.clear();
    searched_ = false;
    pattern_ = quoteEscape ? ReplaceAll(std::string(pattern), kQuoteWord, "\"") : std::string(pattern);
    searchedText_ = std::string(text);

    // Matching on UTF-8 keeps double-byte characters whole; \w stays ASCII
    // because PCRE2_UCP is not set.
    const std::string utf8Pattern = Cp936ToUtf8(pattern_);
    const std::string utf8Text = Cp936ToUtf8(searchedText_);
    uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_MATCH_INVALID_UTF;
    if (!caseSensitive) options |= PCRE2_CASELESS;
    if (multiline) options |= PCRE2_MULTILINE;
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    // Lines end at "\r", "\n" or "\r\n" for the anchors, as texts from Windows do.
    std::unique_ptr<pcre2_compile_context, decltype(&pcre2_compile_context_free)> context(
        pcre2_compile_context_create(nullptr), &pcre2_compile_context_free);
    if (!context) return false;
    pcre2_set_newline(context.get(), PCRE2_NEWLINE_ANYCRLF);
    std::unique_ptr<pcre2_code, CodeDeleter> code(
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8Pattern.data()), utf8Pattern.size(), options,
                      &error, &errorOffset, context.get()));
    if (!code) return false;
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(
        pcre2_match_data_create_from_pattern(code.get(), nullptr));
    if (!data) return false;
    searched_ = true;

    auto subject = reinterpret_cast<PCRE2_SPTR>(utf8Text.data());
    size_t start = 0;
    uint32_t flags = 0;
    while (start <= utf8Text.size()) {
        int rc = pcre2_match(code.get(), subject, utf8Text.size(), start, flags, data.get(), nullptr);
        if (rc == PCRE2_ERROR_NOMATCH && flags != 0) {
            // The empty match at start cannot be repeated: step over one character.
            if (start >= utf8Text.size()) break;
            start += Utf8CharLength(utf8Text, start);
            flags = 0;
            continue;
        }
        if (rc < 0) break;
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
        const uint32_t pairs = pcre2_get_ovector_count(data.get());
        Match match;
        match.value = Utf8ToCp936(std::string_view(utf8Text).substr(ovector[0], ovector[1] - ovector[0]));
        match.before = Utf8ToCp936(std::string_view(utf8Text).substr(0, ovector[0]));
        match.after = Utf8ToCp936(std::string_view(utf8Text).substr(ovector[1]));
        match.offset = match.before.size();
        for (uint32_t group = 1; group < pairs; ++group) {
            const PCRE2_SIZE from = ovector[2 * group];
            const PCRE2_SIZE to = ovector[2 * group + 1];
            match.groups.push_back(from == PCRE2_UNSET
                                       ? std::string()
                                       : Utf8ToCp936(std::string_view(utf8Text).substr(from, to - from)));
        }
        matches_.push_back(std::move(match));
        if (!global) break;
        start = ovector[1];
        flags = ovector[0] == ovector[1] ? (PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED) : 0;
    }
    return true;
}

std::string RegexMatcher::GetPattern() const { return pattern_; }

std::string RegexMatcher::Replace(std::string_view replacement) const {
    if (!searched_) return {};
    std::string result;
    size_t copied = 0;
    for (const Match& match : matches_) {
        result.append(searchedText_, copied, match.offset - copied);
        for (size_t i = 0; i < replacement.size(); ++i) {
            const char c = replacement[i];
            const char next = i + 1 < replacement.size() ? replacement[i + 1] : '\0';
            if (c != '$' || next == '\0') { result += c; continue; }
            if (next == '$') { result += '$'; ++i; continue; }
            if (next == '&') { result += match.value; ++i; continue; }
            if (next == '`') { result += match.before; ++i; continue; }
            if (next == '\'') { result += match.after; ++i; continue; }
            if (next >= '0' && next <= '9') {
                // Two digits when that group exists, else one; "$0" and unknown groups stay literal.
                const char third = i + 2 < replacement.size() ? replacement[i + 2] : '\0';
                int two = third >= '0' && third <= '9' ? (next - '0') * 10 + (third - '0') : 0;
                int one = next - '0';
                if (two >= 1 && two <= static_cast<int>(match.groups.size())) {
                    result += match.groups[two - 1];
                    i += 2;
                    continue;
                }
                if (one >= 1 && one <= static_cast<int>(match.groups.size())) {
                    result += match.groups[one - 1];
                    ++i;
                    continue;
                }
            }
            result += c;
        }
        copied = match.offset + match.value.size();
    }
    result.append(searchedText_, copied, std::string::npos);
    return result;
}

int RegexMatcher::GetMatchCount() const { return static_cast<int>(matches_.size()); }

const RegexMatcher::Match* RegexMatcher::MatchAt(int matchIndex) const {
    if (matchIndex < 1 || matchIndex > GetMatchCount()) return nullptr;
    return &matches_[matchIndex - 1];
}

int RegexMatcher::PositionOf(const std::string& value, const Match& match) const {
    const size_t from = match.offset > 0 ? match.offset - 1 : 0;
    const size_t at = FindBytes(searchedText_, value, from, false);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

std::string RegexMatcher::GetMatch(int matchIndex, int* position) const {
    const Match* match = MatchAt(matchIndex);
    if (!match) return {};
    if (position) *position = PositionOf(match->value, *match);
    return match->value;
}

std::string RegexMatcher::GetSubmatch(int matchIndex, int submatchIndex, int* position) const {
    const Match* match = MatchAt(matchIndex);
    if (!match || submatchIndex < 1 || submatchIndex > static_cast<int>(match->groups.size())) return {};
    const std::string& value = match->groups[submatchIndex - 1];
    if (position) *position = PositionOf(value, *match);
    return value;
}

int RegexMatcher::GetSubmatchCount() const {
    return matches_.empty() ? 0 : static_cast<int>(matches_.front().groups.size());
}

}  // namespace vkr

#include "update/Cookies.h"

#include <algorithm>
#include <vector>

#include "support/TextHelpers.h"

namespace vkr {
namespace {

std::string WithoutSpaces(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    return text;
}

std::vector<std::string> Split(std::string_view text, std::string_view separator) {
    std::vector<std::string> items;
    if (text.empty()) return items;
    size_t from = 0;
    while (true) {
        size_t at = text.find(separator, from);
        items.emplace_back(text.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
        if (at == std::string_view::npos) break;
        from = at + separator.size();
    }
    return items;
}

std::string TrimSpaces(std::string_view text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

std::string CookieName(std::string_view item) {
    size_t equals = item.find('=');
    return TrimSpaces(equals == std::string_view::npos ? item : item.substr(0, equals));
}

std::string RemoveIgnoringCase(std::string text, std::string_view word) {
    for (size_t at = FindBytes(text, word, 0, true); at != std::string::npos;
         at = FindBytes(text, word, at, true))
        text.erase(at, word.size());
    return text;
}

}  // namespace

std::string MergeCookies(std::string& oldCookies, std::string& newCookies) {
    oldCookies = WithoutSpaces(oldCookies);
    newCookies = WithoutSpaces(newCookies);
    std::vector<std::string> merged = Split(newCookies, ";");
    for (const std::string& item : Split(oldCookies, ";")) {
        const std::string name = CookieName(item);
        bool known = std::any_of(merged.begin(), merged.end(),
                                 [&](const std::string& kept) { return CookieName(kept) == name; });
        if (!known) merged.push_back(item);
    }
    std::vector<std::string> kept;
    for (const std::string& item : merged) {
        const bool deleted = item.size() >= 8 && item.compare(item.size() - 8, 8, "=deleted") == 0;
        if (item.empty() || deleted || std::find(kept.begin(), kept.end(), item) != kept.end()) continue;
        kept.push_back(item);
    }
    std::string joined;
    for (const std::string& item : kept) joined += (joined.empty() ? "" : "; ") + item;
    oldCookies = joined;
    return joined;
}

std::string ResponseCookies(std::string_view rawHeaders) {
    std::string cookies;
    for (const std::string& line : Split(rawHeaders, "\r\n")) {
        if (TextBefore(line, ": ") != "Set-Cookie") continue;
        const std::string item = line.find(';') != std::string::npos
                                     ? TextBetween(line, "Set-Cookie:", ";")
                                     : RemoveIgnoringCase(line, "Set-Cookie:");
        cookies += TrimSpaces(item) + "; ";
    }
    if (cookies.size() >= 2) cookies.resize(cookies.size() - 2);
    return cookies;
}

}  // namespace vkr

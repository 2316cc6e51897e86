#include "platform/IniFile.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "platform/FileSystem.h"

namespace vkr {
namespace {


std::vector<std::string> SplitLines(const std::string& content) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// "[name]" => name; anything else => nullopt.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[') return std::nullopt;
    size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

// "key=value" whose key matches => position of '=', else npos.
size_t KeyMatch(std::string_view line, std::string_view key) {
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) return equals;
    return EqualsIgnoreCase(Trim(line.substr(0, equals)), key) ? equals : std::string_view::npos;
}

struct SectionRange {
    size_t header;  // index of the "[section]" line
    size_t end;     // one past its last line
};

std::optional<SectionRange> FindSection(const std::vector<std::string>& lines, std::string_view section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        auto name = SectionName(lines[i]);
        if (!name || !EqualsIgnoreCase(*name, section)) continue;
        size_t end = i + 1;
        while (end < lines.size() && !SectionName(lines[end])) ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string content;
    for (const auto& line : lines) content += line + "\r\n";
    return content;
}

}  // namespace

std::optional<std::string> ReadProfileString(const std::filesystem::path& file,
                                             std::string_view section, std::string_view key) {
    auto content = ReadWholeFile(file);
    if (!content) return std::nullopt;
    auto lines = SplitLines(*content);
    auto range = FindSection(lines, section);
    if (!range) return std::nullopt;
    for (size_t i = range->header + 1; i < range->end; ++i) {
        size_t equals = KeyMatch(lines[i], key);
        if (equals == std::string::npos) continue;
        std::string_view value = Trim(std::string_view(lines[i]).substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        return std::string(value);
    }
    return std::nullopt;
}

bool WriteProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value) {
    std::vector<std::string> lines;
    if (PathExists(file)) {
        auto content = ReadWholeFile(file);
        if (!content) return false;  // never replace a file we could not read
        lines = SplitLines(*content);
    }
    std::string entry = std::string(key).append("=").append(value);
    auto range = FindSection(lines, section);
    if (!range) {
        lines.push_back(std::string("[").append(section).append("]"));
        lines.push_back(entry);
        return WriteWholeFile(file, JoinLines(lines));
    }
    for (size_t i = range->header + 1; i < range->end; ++i) {
        if (KeyMatch(lines[i], key) != std::string::npos) {
            lines[i] = entry;
            return WriteWholeFile(file, JoinLines(lines));
        }
    }
    // New key: after the section's last non-blank line, as the profile service does.
    size_t insertAt = range->end;
    while (insertAt > range->header + 1 && Trim(lines[insertAt - 1]).empty()) --insertAt;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
    return WriteWholeFile(file, JoinLines(lines));
}

}  // namespace vkr

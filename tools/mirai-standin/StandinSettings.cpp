#include "tools/mirai-standin/StandinSettings.h"

#include <charconv>
#include <fstream>
#include <random>
#include <sstream>

namespace vkr::standin {

namespace {

std::string Trim(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return "";
    size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

// 'x' and "x" hold x; an unquoted value ends before a " #" comment.
std::string ScalarValue(const std::string& raw) {
    std::string value = Trim(raw);
    if (value.size() >= 2 && (value.front() == '\'' || value.front() == '"') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    size_t comment = value.find(" #");
    return comment == std::string::npos ? value : Trim(value.substr(0, comment));
}

std::optional<int> ParseInt(const std::string& text) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

struct Line {
    size_t indent;
    std::string key;
    std::string value;
};

std::optional<Line> SplitLine(const std::string& raw) {
    std::string text = raw;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    size_t indent = text.find_first_not_of(' ');
    if (indent == std::string::npos || text[indent] == '#' || text[indent] == '-') return std::nullopt;
    size_t colon = text.find(':', indent);
    if (colon == std::string::npos) return std::nullopt;
    return Line{indent, Trim(text.substr(indent, colon - indent)), ScalarValue(text.substr(colon + 1))};
}

bool IsBlank(const std::string& text) { return text.find_first_not_of(" \t\r\n") == std::string::npos; }

}  // namespace

std::filesystem::path SettingsPath(const std::filesystem::path& workDir) {
    return workDir / "config" / "net.mamoe.mirai-api-http" / "setting.yml";
}

SettingsLoad ParseSettings(const std::string& text) {
    StandinSettings settings;
    std::istringstream lines(text);
    std::string raw;
    std::string block;  // the top-level key whose nested lines we are in
    while (std::getline(lines, raw)) {
        std::optional<Line> line = SplitLine(raw);
        if (!line) continue;
        if (line->indent == 0) {
            block = line->key;
            if (line->key == "host") settings.host = line->value;
            if (line->key == "authKey") settings.authKey = line->value;
            if (line->key == "port" || line->key == "cacheSize") {
                std::optional<int> number = ParseInt(line->value);
                if (!number) {
                    return {std::nullopt, "For input string: \"" + line->value + "\" (" + line->key + ")"};
                }
                (line->key == "port" ? settings.port : settings.cacheSize) = *number;
            }
        } else if (line->key == "enable" && (block == "report" || block == "heartbeat")) {
            (block == "report" ? settings.reportEnabled : settings.heartbeatEnabled) = line->value == "true";
        }
    }
    return {settings, ""};
}

std::string GenerateInitialKey() {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device device;
    std::uniform_int_distribution<size_t> pick(0, sizeof kAlphabet - 2);
    std::string key = "INITKEY";
    for (int i = 0; i < 8; ++i) key += kAlphabet[pick(device)];
    return key;
}

std::string DefaultSettingsText(const std::string& authKey) {
    return "cors:\n"
           "  - '*'\n"
           "host: 0.0.0.0\n"
           "port: 8080\n"
           "authKey: " + authKey + "\n"
           "cacheSize: 4096\n"
           "enableWebsocket: false\n"
           "report:\n"
           "  enable: false\n"
           "  groupMessage:\n"
           "    report: true\n"
           "  friendMessage:\n"
           "    report: true\n"
           "  tempMessage:\n"
           "    report: true\n"
           "  eventMessage:\n"
           "    report: true\n"
           "  destinations: []\n"
           "  extraHeaders: {}\n"
           "heartbeat:\n"
           "  enable: false\n"
           "  delay: 1000\n"
           "  period: 15000\n"
           "  destinations: []\n"
           "  extraBody: {}\n"
           "  extraHeaders: {}\n";
}

SettingsLoad LoadOrCreateSettings(const std::filesystem::path& workDir) {
    std::filesystem::path path = SettingsPath(workDir);
    std::error_code error;
    if (std::filesystem::exists(path, error)) {
        std::ifstream in(path, std::ios::binary);
        if (!in) return {std::nullopt, "cannot read " + path.string()};
        std::ostringstream text;
        text << in.rdbuf();
        if (!IsBlank(text.str())) return ParseSettings(text.str());
    }
    std::string text = DefaultSettingsText(GenerateInitialKey());
    std::filesystem::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) return {std::nullopt, "cannot write " + path.string()};
    return ParseSettings(text);
}

}  // namespace vkr::standin

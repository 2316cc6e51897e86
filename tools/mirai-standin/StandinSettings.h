#pragma once
// The plug-in's settings file, config/net.mamoe.mirai-api-http/setting.yml under
// the working directory. Only the keys that change what a client sees are read.
#include <filesystem>
#include <optional>
#include <string>

namespace vkr::standin {

struct StandinSettings {
    std::string host = "0.0.0.0";
    int port = 8080;
    std::string authKey;
    int cacheSize = 4096;
    bool reportEnabled = false;
    bool heartbeatEnabled = false;
};

struct SettingsLoad {
    std::optional<StandinSettings> settings;  // nullopt: unreadable, see error
    std::string error;
};

std::filesystem::path SettingsPath(const std::filesystem::path& workDir);

// Reads the file; writes one with every default and a fresh "INITKEY..." key
// when it is missing or blank, as the plug-in does on its first start.
SettingsLoad LoadOrCreateSettings(const std::filesystem::path& workDir);

// Parses the text of a settings file (simple YAML: "key: value" lines, nested
// blocks indented). Example: "port: 9000\nreport:\n  enable: true\n".
SettingsLoad ParseSettings(const std::string& text);

// "INITKEY" followed by 8 random letters and digits.
std::string GenerateInitialKey();

std::string DefaultSettingsText(const std::string& authKey);

}  // namespace vkr::standin

#include "console/KeyRewrite.h"

#include <system_error>

#include "console/ConsoleHost.h"
#include "console/ConsolePaneModel.h"
#include "console/ConsoleView.h"
#include "log/LogWriter.h"
#include "platform/EventPump.h"
#include "platform/FileSystem.h"
#include "platform/RunDirectory.h"

namespace vkr {
namespace {

constexpr int kNotice = 2;
constexpr int kWarn = 3;
constexpr int kShutdownServeMs = 20;
constexpr const char* kKeyLineStart = "authKey: ";

// Every occurrence of from, scanning from the start; the count of replacements.
size_t ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    size_t count = 0;
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
        ++count;
    }
    return count;
}

}  // namespace

KeyRewrite::KeyRewrite(ConsoleHost& host, ConsoleServices services, std::filesystem::path settingsFile)
    : host_(host),
      services_(services),
      settingsFile_(settingsFile.empty() ? RunPath("\\config\\net.mamoe.mirai-api-http\\setting.yml")
                                         : std::move(settingsFile)) {}

KeyRewrite::~KeyRewrite() { Shutdown(); }

void KeyRewrite::Start(const std::string& pendingKeyCommand) {
    Wait();
    {
        std::lock_guard lock(mutex_);
        pendingKeyCommand_ = pendingKeyCommand;
    }
    finished_ = false;
    try {
        thread_ = std::jthread([this](std::stop_token stop) {
            Run(stop);
            finished_ = true;
        });
    } catch (const std::system_error&) {
        finished_ = true;
        Refuse("VKR could not start the key change.");
    }
}

void KeyRewrite::Wait() {
    if (thread_.joinable()) thread_.join();
}

// Serves window events while waiting: the thread may be showing a message
// box through the UI thread, which is this thread when the window closes.
void KeyRewrite::Shutdown() {
    thread_.request_stop();
    while (thread_.joinable() && !finished_) services_.pump.ServePendingEvents(kShutdownServeMs);
    Wait();
}

std::string KeyRewrite::PendingKeyCommand() const {
    std::lock_guard lock(mutex_);
    return pendingKeyCommand_;
}

void KeyRewrite::Run(std::stop_token stop) {
    services_.view.SetCommandBoxEnabled(false);
    services_.log.Write("Ban The input box", kNotice);
    const std::string command = PendingKeyCommand();
    const std::string newKey = command.size() > kCommandPrefixLength ? command.substr(kCommandPrefixLength) : "";
    if (!RewriteSettings(host_.Server().key, newKey)) {
        services_.view.SetCommandBoxEnabled(true);
        return;
    }
    services_.log.Write("Edited new ServerKey", kNotice);
    host_.Stop();
    host_.Launch(stop);
    services_.log.Write("VKR restarted");
    services_.log.Write("Refresh new ServerKey");
    services_.view.SetCommandBoxEnabled(true);
    services_.pane.Append("\r\n[VKR]New ServerKey has been set!Please protect your ServerKey carefully.");
    services_.pane.Append("\r\n[WARN]Use 'vkr getServerKey' to get new SevrerKey.");
}

bool KeyRewrite::RewriteSettings(const std::string& currentKey, const std::string& newKey) {
    if (currentKey.empty()) {
        Refuse("VKR does not know the current ServerKey. Start Mirai with 'vkr start' first, then set the key.");
        return false;
    }
    std::optional<std::string> content = ReadWholeFile(settingsFile_);
    if (!content) {
        Refuse("The HTTP API settings file (config/net.mamoe.mirai-api-http/setting.yml) cannot be read.");
        return false;
    }
    if (ReplaceAll(*content, kKeyLineStart + currentKey, kKeyLineStart + newKey) == 0) {
        Refuse("The settings file does not hold the ServerKey Mirai reported (edited by hand?).");
        return false;
    }
    if (!WriteWholeFile(settingsFile_, *content)) {
        Refuse("The HTTP API settings file cannot be written.");
        return false;
    }
    return true;
}

void KeyRewrite::Refuse(const std::string& reason) {
    services_.pane.Append("\r\n[WARN]" + reason + " The ServerKey was not changed.");
    services_.log.Write("ServerKey not changed: " + reason, kWarn);
}

}  // namespace vkr

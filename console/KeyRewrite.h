#pragma once
// "vkr editServerKey <key>": on a thread of its own, replaces the key line in
// mirai-api-http's settings file and restarts Mirai so it takes the new key.
//
// The file is changed only when it can be read and holds the line with the
// key Mirai last reported; otherwise the user is told and nothing changes
// (an unknown current key would otherwise put the new key in front of it).
// The command box is disabled while the thread runs and enabled on every path.
#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "console/ConsoleServices.h"

namespace vkr {

class ConsoleHost;

class KeyRewrite {
public:
    static constexpr size_t kCommandPrefixLength = 18;  // "vkr editServerKey "

    // settingsFile: empty means the run directory's
    // "\config\net.mamoe.mirai-api-http\setting.yml".
    KeyRewrite(ConsoleHost& host, ConsoleServices services, std::filesystem::path settingsFile = {});
    ~KeyRewrite();  // Shutdown()
    KeyRewrite(const KeyRewrite&) = delete;
    KeyRewrite& operator=(const KeyRewrite&) = delete;

    // Stores the whole command as the pending key command, then starts the
    // thread (after the previous one, if any, has finished).
    void Start(const std::string& pendingKeyCommand);
    // Blocks until the running rewrite (if any) has finished.
    void Wait();
    // Asks the running rewrite to cut its launch wait short (and to skip its
    // message box), then waits for it while serving window events. The
    // application calls this first in its close steps, on the UI thread.
    void Shutdown();

    std::string PendingKeyCommand() const;

private:
    void Run(std::stop_token stop);
    // Rewrites the file; false (after telling the user) when nothing changed.
    bool RewriteSettings(const std::string& currentKey, const std::string& newKey);
    void Refuse(const std::string& reason);

    ConsoleHost& host_;
    ConsoleServices services_;
    std::filesystem::path settingsFile_;
    mutable std::mutex mutex_;
    std::string pendingKeyCommand_;
    std::atomic<bool> finished_ = true;
    std::jthread thread_;
};

}  // namespace vkr

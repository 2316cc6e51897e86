#pragma once
// What the console host tests share: recording fakes of the three GUI
// interfaces, and a temporary run directory with a "java" of the test's
// choosing on PATH (the Mirai stand-in, or a small script).
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "console/ConsoleHost.h"
#include "console/ConsolePaneModel.h"
#include "console/ConsoleView.h"
#include "log/LogWriter.h"
#include "platform/DialogService.h"
#include "platform/EventPump.h"
#include "platform/FileSystem.h"
#include "platform/ProcessList.h"
#include "platform/RunDirectory.h"
#include "tests/FreePort.h"
#include "tests/TempDir.h"

namespace vkr::fixture {

class RecordingView : public ConsoleView {
public:
    void SetCommandBoxEnabled(bool enabled) override {
        std::lock_guard lock(mutex_);
        states_.push_back(enabled);
    }
    std::vector<bool> States() const {
        std::lock_guard lock(mutex_);
        return states_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<bool> states_;
};

struct ShownMessage {
    std::string text;
    std::string title;
};

class RecordingDialogs : public DialogService {
public:
    void ShowMessage(const std::string& text, const std::string& title) override {
        if (onShow) onShow();
        std::lock_guard lock(mutex_);
        messages_.push_back({text, title});
    }
    void SetClipboardText(const std::string& text) override {
        std::lock_guard lock(mutex_);
        clipboard_.push_back(text);
    }
    std::vector<ShownMessage> Messages() const {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    std::vector<std::string> Clipboard() const {
        std::lock_guard lock(mutex_);
        return clipboard_;
    }
    std::function<void()> onShow;  // runs while the box would be open

private:
    mutable std::mutex mutex_;
    std::vector<ShownMessage> messages_;
    std::vector<std::string> clipboard_;
};

// A thread without windows: nothing to serve, so it just waits.
class SleepingPump : public EventPump {
public:
    void ServePendingEvents(int maxWaitMs) override {
        ++calls;
        std::this_thread::sleep_for(std::chrono::milliseconds(maxWaitMs));
    }
    int calls = 0;
};

inline std::string ReadText(const std::filesystem::path& path) {
    return ReadWholeFile(path).value_or("");
}

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

inline std::filesystem::path SettingsFile(const std::filesystem::path& runDir) {
    return runDir / "config" / "net.mamoe.mirai-api-http" / "setting.yml";
}


inline std::string SettingsText(int port, const std::string& key) {
    return "cors:\n  - '*'\nhost: 127.0.0.1\nport: " + std::to_string(port) + "\nauthKey: " + key +
           "\ncacheSize: 4096\nenableWebsocket: false\n";
}

// Live processes named "java" working in folder.
inline std::vector<int> JavaProcessesIn(const std::filesystem::path& folder) {
    std::vector<int> found;
    for (const ProcessEntry& entry : ListProcesses()) {
        if (entry.name != "java") continue;
        std::optional<std::filesystem::path> cwd = ProcessWorkingDirectory(entry.pid);
        std::error_code error;
        if (cwd && std::filesystem::equivalent(*cwd, folder, error)) found.push_back(entry.pid);
    }
    return found;
}

// A run directory with MConfig and Log, made the working directory, and a bin
// folder put in front of PATH for the "java" the test installs.
class ConsoleHostFixture : public ::testing::Test {
protected:
    void SetUp() override {
        runDir_ = runRoot_.path() / "run";
        binDir_ = runRoot_.path() / "bin";
        std::filesystem::create_directories(runDir_ / "MConfig");
        std::filesystem::create_directories(runDir_ / "Log");
        std::filesystem::create_directories(runDir_ / "libs");
        std::filesystem::create_directories(binDir_);
        savedRunDir_ = RunDirectory();
        savedWorkDir_ = std::filesystem::current_path();
        ASSERT_TRUE(SetRunDirectory(runDir_));
        const char* path = std::getenv("PATH");
        savedPath_ = path ? path : "";
        setenv("PATH", (binDir_.string() + ":" + savedPath_).c_str(), 1);
        log_ = std::make_unique<LogWriter>(runDir_);
        host_ = std::make_unique<ConsoleHost>(pipe_, serverInfo_, Services());
    }

    void TearDown() override {
        if (host_) host_->Stop();
        host_.reset();
        setenv("PATH", savedPath_.c_str(), 1);
        // The next test of this process must not find itself in a removed folder.
        SetRunDirectory(savedRunDir_);
        std::filesystem::current_path(savedWorkDir_);
    }

    ConsoleServices Services() { return ConsoleServices{pane_, view_, dialogs_, pump_, *log_}; }

    // The stand-in, reached as "java" through a symlink (so its process name is "java").
    bool InstallStandin() {
#ifdef VKR_STANDIN_PATH
        std::error_code error;
        std::filesystem::create_symlink(VKR_STANDIN_PATH, binDir_ / "java", error);
        return !error;
#else
        return false;
#endif
    }

    // A shell script named "java".
    void InstallJavaScript(const std::string& body) {
        WriteText(binDir_ / "java", "#!/bin/sh\n" + body + "\n");
        std::filesystem::permissions(binDir_ / "java", std::filesystem::perms::owner_all);
    }

    std::string TodaysLog() const {
        std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        return ReadText(log_->DayFile(local));
    }

    // Blocks until the pane holds needle, at most timeoutMs; every pane change
    // wakes the wait, so nothing polls. (The pane is searched without holding
    // the wait's lock, which the watcher takes inside the pane's lock.)
    bool WaitForPane(const std::string& needle, int timeoutMs) {
        std::mutex mutex;
        std::condition_variable changed;
        uint64_t changes = 0;
        int id = pane_.AddWatcher([&](const PaneChange&) {
            {
                std::lock_guard lock(mutex);
                ++changes;
            }
            changed.notify_all();
        });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        bool found = false;
        while (true) {
            uint64_t seen;
            {
                std::lock_guard lock(mutex);
                seen = changes;
            }
            found = pane_.Find(needle) != std::string::npos;
            if (found) break;
            std::unique_lock lock(mutex);
            if (!changed.wait_until(lock, deadline, [&] { return changes != seen; })) break;
        }
        pane_.RemoveWatcher(id);
        return found;
    }

    TempDir runRoot_;
    std::filesystem::path runDir_;
    std::filesystem::path binDir_;
    std::string savedPath_;
    std::filesystem::path savedRunDir_;
    std::filesystem::path savedWorkDir_;
    ConsolePaneModel pane_;
    RecordingView view_;
    RecordingDialogs dialogs_;
    SleepingPump pump_;
    std::unique_ptr<LogWriter> log_;
    ConsolePipe pipe_;
    ServerInfo serverInfo_;
    std::unique_ptr<ConsoleHost> host_;
};

}  // namespace vkr::fixture

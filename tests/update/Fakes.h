#pragma once
// Small recording stand-ins for the screen-facing interfaces.
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/DialogService.h"
#include "platform/EventPump.h"
#include "update/DownloadView.h"

namespace vkr::test {

struct ShownMessage {
    std::string text;
    std::string title;
};

class RecordingDialogs : public DialogService {
public:
    void ShowMessage(const std::string& text, const std::string& title) override { shown.push_back({text, title}); }
    void SetClipboardText(const std::string&) override {}
    std::vector<ShownMessage> shown;
};

class CountingPump : public EventPump {
public:
    void ServePendingEvents(int) override {
        ++served;
        if (onServe) onServe();
    }
    int served = 0;
    std::function<void()> onServe;
};

class RecordingView : public DownloadView {
public:
    void SetQueueText(const std::string& text) override { queue.push_back(text); }
    void SetProgress(const std::string& text, double) override {
        progress.push_back(text);
        queueAtProgress.push_back(queue.empty() ? "" : queue.back());
    }
    void SetLinkText(const std::string& text) override { links.push_back(text); }
    void SetStatusText(const std::string& text) override { status = text; }
    void CloseWindow() override { ++closed; }

    std::vector<std::string> queue;
    std::vector<std::string> progress;
    std::vector<std::string> queueAtProgress;
    std::vector<std::string> links;
    std::string status;
    int closed = 0;
};

// Every line of every day's log under runDirectory, in file order.
inline std::vector<std::string> LogLines(const std::filesystem::path& runDirectory) {
    std::vector<std::string> lines;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(runDirectory / "Log", error)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        const std::string all = text.str();
        size_t from = 0;
        // A line is "[h:m]#LEVEL#message\r\n"; a message may itself hold "\r\n".
        while (from < all.size()) {
            size_t next = all.find("\r\n[", from);
            size_t end = next == std::string::npos ? all.size() : next;
            std::string line = all.substr(from, end - from);
            if (line.ends_with("\r\n")) line.resize(line.size() - 2);
            lines.push_back(line);
            from = next == std::string::npos ? all.size() : next + 2;
        }
    }
    return lines;
}

inline std::vector<std::string> LinesWith(const std::vector<std::string>& lines, const std::string& part) {
    std::vector<std::string> found;
    for (const std::string& line : lines)
        if (line.find(part) != std::string::npos) found.push_back(line);
    return found;
}

}  // namespace vkr::test

#pragma once
// Shared by the GUI tests: reading the day log of a run directory, finding
// named controls and waiting for queued UI work without spinning.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"

namespace vkr::test {

// Every log line of the run directory as "LEVEL#message" (the time stripped),
// messages converted to UTF-8.
inline std::vector<std::string> LogEntries(const std::filesystem::path& runDirectory) {
    std::vector<std::string> entries;
    const std::filesystem::path logFolder = runDirectory / "Log";
    std::error_code error;
    if (!std::filesystem::exists(logFolder, error)) return entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(logFolder, error)) {
        if (entry.path().filename() != "log.txt") continue;
        const std::string text = ReadWholeFile(entry.path()).value_or("");
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find("\r\n", start);
            if (end == std::string::npos) end = text.size();
            const std::string line = text.substr(start, end - start);
            const size_t afterTime = line.find("]#");
            entries.push_back(Cp936ToUtf8(afterTime == std::string::npos ? line : line.substr(afterTime + 2)));
            start = end + 2;
        }
    }
    return entries;
}

template <typename Control = QWidget>
Control* Named(const QObject* parent, const char* name) {
    return parent->findChild<Control*>(QString::fromUtf8(name));
}

// The text a control shows: caption, title or content.
inline QString CaptionOf(const QWidget* control) {
    if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
    if (auto* group = qobject_cast<const QGroupBox*>(control)) return group->title();
    if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
    if (auto* pane = qobject_cast<const QTextEdit*>(control)) return pane->toPlainText();
    return {};
}

// Serves events until done() holds or timeoutMs passes; each wait blocks.
inline bool ServeEventsUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

}  // namespace vkr::test

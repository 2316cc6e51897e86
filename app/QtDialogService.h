#pragma once
// Message boxes and the clipboard on Qt. A call from another thread waits on a
// blocking queued call to the UI thread, so the box is always modal over the
// main window.
//
// Tests cannot answer a modal box, so every shown message is recorded and,
// while auto-answer is on, the box is recorded without being shown.
#include <QObject>

#include <mutex>
#include <string>
#include <vector>

#include "platform/DialogService.h"

class QWidget;

namespace vkr {

struct ShownMessage {
    std::string text;   // CP936, as given
    std::string title;
};

class QtDialogService : public QObject, public DialogService {
    Q_OBJECT
public:
    explicit QtDialogService(QWidget* parentWindow = nullptr);

    void ShowMessage(const std::string& text, const std::string& title) override;
    void SetClipboardText(const std::string& text) override;

    void SetParentWindow(QWidget* window) { parentWindow_ = window; }

    // Test hook: with auto-answer on, boxes are recorded but not shown.
    void SetAutoAnswer(bool on);
    std::vector<ShownMessage> ShownMessages() const;
    void ClearShownMessages();

private:
    void ShowOnUiThread(const std::string& text, const std::string& title);
    void Record(const std::string& text, const std::string& title);

    QWidget* parentWindow_;
    mutable std::mutex mutex_;
    bool autoAnswer_ = false;
    std::vector<ShownMessage> shown_;
};

}  // namespace vkr

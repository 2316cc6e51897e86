#include "app/QtDialogService.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QThread>

#include "app/QtText.h"

namespace vkr {

QtDialogService::QtDialogService(QWidget* parentWindow) : parentWindow_(parentWindow) {}

void QtDialogService::ShowMessage(const std::string& text, const std::string& title) {
    if (QThread::currentThread() == thread()) {
        ShowOnUiThread(text, title);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, text, title] { ShowOnUiThread(text, title); }, Qt::BlockingQueuedConnection);
}

void QtDialogService::SetClipboardText(const std::string& text) {
    const QString converted = FromCp936(text);
    auto put = [converted] { QApplication::clipboard()->setText(converted); };
    if (QThread::currentThread() == thread()) {
        put();
    } else {
        QMetaObject::invokeMethod(this, put, Qt::BlockingQueuedConnection);
    }
}

void QtDialogService::SetAutoAnswer(bool on) {
    std::lock_guard lock(mutex_);
    autoAnswer_ = on;
}

std::vector<ShownMessage> QtDialogService::ShownMessages() const {
    std::lock_guard lock(mutex_);
    return shown_;
}

void QtDialogService::ClearShownMessages() {
    std::lock_guard lock(mutex_);
    shown_.clear();
}

void QtDialogService::ShowOnUiThread(const std::string& text, const std::string& title) {
    Record(text, title);
    {
        std::lock_guard lock(mutex_);
        if (autoAnswer_) return;
    }
    QMessageBox box(QMessageBox::NoIcon, FromCp936(title), FromCp936(text), QMessageBox::Ok,
                    parentWindow_);
    box.exec();
}

void QtDialogService::Record(const std::string& text, const std::string& title) {
    std::lock_guard lock(mutex_);
    shown_.push_back({text, title});
}

}  // namespace vkr

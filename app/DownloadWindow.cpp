#include "app/DownloadWindow.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "app/Controls.h"
#include "app/QtEventPump.h"
#include "app/QtText.h"

namespace vkr {

DownloadWindow::DownloadWindow(DialogService& dialogs, LogWriter& log, UpdateEndpoints endpoints,
                               std::filesystem::path runDirectory, QWidget* parent)
    : QDialog(parent), eventPump_(std::make_unique<QtEventPump>()) {
    setWindowTitle(QStringLiteral("Download"));
    setModal(true);
    setFixedSize(420, 200);

    MakeLabel(this, "透明标签1", "下载地址：", 16, 16, 80, 20);
    linkLabel_ = MakeLabel(this, "透明标签2", "暂时无直接下载对象", 96, 16, 310, 40);
    MakeLabel(this, "透明标签3", "下载进度：", 16, 64, 80, 20);
    progressBar_ = Place(new QProgressBar(this), "进度条", 96, 64, 230, 20);
    progressBar_->setRange(0, 10000);
    progressBar_->setTextVisible(false);
    percentLabel_ = MakeLabel(this, "透明标签4", "00.00%", 334, 64, 76, 20);
    MakeLabel(this, "透明标签6", "下载列队：", 16, 96, 80, 20);
    queueLabel_ = MakeLabel(this, "透明标签5", "0/0", 96, 96, 120, 20);
    MakeLabel(this, "透明标签7", "下载状态：", 16, 128, 80, 20);
    statusLabel_ = MakeLabel(this, "透明标签8", "未完成", 96, 128, 120, 20);
    downloadButton_ = MakeButton(this, "按钮1", "下载", 230, 156, 80, 28);
    cancelButton_ = MakeButton(this, "按钮2", "取消", 320, 156, 80, 28);

    DownloadView& view = *this;
    run_ = std::make_unique<DownloadRun>(view, dialogs, *eventPump_, log, std::move(endpoints), std::move(runDirectory));
    connect(downloadButton_, &QPushButton::clicked, this, [this] { StartDownload(); });
    connect(cancelButton_, &QPushButton::clicked, this, [this] { run_->Cancel(); });
}

DownloadWindow::~DownloadWindow() = default;

DownloadOutcome DownloadWindow::StartDownload() {
    // The run serves events between chunks; a second click must not start a second run.
    downloadButton_->setEnabled(false);
    const DownloadOutcome outcome = run_->Run();
    downloadButton_->setEnabled(true);
    return outcome;
}

void DownloadWindow::SetQueueText(const std::string& text) { queueLabel_->setText(FromCp936(text)); }

void DownloadWindow::SetProgress(const std::string& text, double percent) {
    percentLabel_->setText(FromCp936(text));
    if (percent < 0) {
        progressBar_->setRange(0, 0);  // no length announced: a busy indicator
    } else {
        progressBar_->setRange(0, 10000);
        progressBar_->setValue(static_cast<int>(percent * 100.0));
    }
}

void DownloadWindow::SetLinkText(const std::string& text) { linkLabel_->setText(FromCp936(text)); }

void DownloadWindow::SetStatusText(const std::string& text) { statusLabel_->setText(FromCp936(text)); }

void DownloadWindow::CloseWindow() { accept(); }

}  // namespace vkr

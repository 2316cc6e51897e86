#pragma once
// The Download window (menu "更新"): shows the download run's queue, progress,
// link and status; "下载" starts the run, "取消" stops a running one between
// chunks (it does nothing while no run is active). Open it with exec().
#include <QDialog>

#include <filesystem>
#include <memory>

#include "update/DownloadRun.h"
#include "update/DownloadView.h"
#include "update/UpdateEndpoints.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace vkr {

class DialogService;
class LogWriter;
class QtEventPump;

class DownloadWindow : public QDialog, private DownloadView {
    Q_OBJECT
public:
    // runDirectory: empty means the process's run directory.
    DownloadWindow(DialogService& dialogs, LogWriter& log, UpdateEndpoints endpoints,
                   std::filesystem::path runDirectory = {}, QWidget* parent = nullptr);
    ~DownloadWindow() override;

    // The "下载" button's action; returns how the run ended.
    DownloadOutcome StartDownload();

private:
    void SetQueueText(const std::string& text) override;
    void SetProgress(const std::string& text, double percent) override;
    void SetLinkText(const std::string& text) override;
    void SetStatusText(const std::string& text) override;
    void CloseWindow() override;

    QLabel* linkLabel_;
    QLabel* percentLabel_;
    QLabel* queueLabel_;
    QLabel* statusLabel_;
    QProgressBar* progressBar_;
    QPushButton* downloadButton_;
    QPushButton* cancelButton_;
    std::unique_ptr<QtEventPump> eventPump_;
    std::unique_ptr<DownloadRun> run_;
};

}  // namespace vkr

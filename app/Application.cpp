#include "app/Application.h"

#include <QAction>

#include "app/FirstRun.h"
#include "app/MainWindow.h"
#include "app/SettingsWindow.h"
#include "app/TaskWindow.h"

namespace vkr {
namespace {

constexpr int kNotice = 2;

}  // namespace

Application::Application(const std::filesystem::path& runDirectory)
    : runDirectory_(runDirectory), log_(runDirectory) {
    window_ = std::make_unique<MainWindow>(paneModel_);
    dialogs_.SetParentWindow(window_.get());
    window_->SetCloseSteps([this] { RunCloseSteps(); });
    WireMenus();
}

Application::~Application() = default;

void Application::Start() {
    window_->show();
    FirstRun(runDirectory_, dialogs_, log_).OnMainWindowCreated();
}

void Application::RunCloseSteps() {
    log_.Write("Mirai Core has been closed", kNotice);
    log_.Write("VKR-Core has been closed", kNotice);
    log_.Write("pipe has been closed.", kNotice);
}

void Application::WireMenus() {
    QObject::connect(window_->TaskAction(), &QAction::triggered, window_.get(),
                     [this] { OpenTaskWindow(); });
    QObject::connect(window_->SettingsAction(), &QAction::triggered, window_.get(),
                     [this] { OpenSettingsWindow(); });
}

void Application::OpenTaskWindow() {
    TaskWindow window(window_.get());
    window.exec();
}

void Application::OpenSettingsWindow() {
    SettingsWindow window(dialogs_, window_.get());
    window.exec();
}

}  // namespace vkr

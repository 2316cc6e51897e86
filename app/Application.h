#pragma once
// The program's long-lived objects, created in start-up order and released in
// reverse, and the wiring between the main window and the core.
#include <filesystem>
#include <memory>

#include "app/QtDialogService.h"
#include "app/QtEventPump.h"
#include "console/ConsolePaneModel.h"
#include "console/ServerInfo.h"
#include "log/LogWriter.h"

namespace vkr {

class MainWindow;

class Application {
public:
    explicit Application(const std::filesystem::path& runDirectory);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Shows the main window and runs its created event (welcome, first run).
    void Start();

    MainWindow& Window() { return *window_; }
    QtDialogService& Dialogs() { return dialogs_; }
    ConsolePaneModel& PaneModel() { return paneModel_; }
    ServerInfo& Server() { return serverInfo_; }
    const LogWriter& Log() const { return log_; }

    // The main window's close steps: the three stop actions, each followed by
    // its NOTICE line.
    void RunCloseSteps();

private:
    void WireMenus();
    void OpenTaskWindow();
    void OpenSettingsWindow();

    std::filesystem::path runDirectory_;
    LogWriter log_;
    ConsolePaneModel paneModel_;
    ServerInfo serverInfo_;
    QtDialogService dialogs_;
    QtEventPump eventPump_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace vkr

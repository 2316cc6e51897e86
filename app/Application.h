#pragma once
// The program's long-lived objects, created in start-up order (the API
// client's core, the log, the console pipe, then what hangs off them), and
// the wiring between the main window and the core.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "api/BotCore.h"
#include "app/CommandBoxView.h"
#include "app/QtDialogService.h"
#include "app/QtEventPump.h"
#include "console/ConsolePaneModel.h"
#include "console/ConsolePipe.h"
#include "console/ConsoleServices.h"
#include "console/ServerInfo.h"
#include "log/LogWriter.h"
#include "update/UpdateEndpoints.h"

namespace vkr {

class AccountManager;
class AccountTab;
class CommandHandler;
class ConsoleHost;
class KeyRewrite;
class MainWindow;
class PortRepair;

class Application {
public:
    // arguments: the command line after the program name (update-server options).
    explicit Application(const std::filesystem::path& runDirectory,
                         const std::vector<std::string>& arguments = {});
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
    ConsoleHost& Host() { return *host_; }
    BotCore& Core() { return botCore_; }

    // The main window's close steps: a running key rewrite is ended, then the
    // stop sequence runs its three actions, each followed by its NOTICE line.
    void RunCloseSteps();

private:
    void WireCommandBox();
    void WireMenus();
    void OpenTaskWindow();
    void OpenSettingsWindow();
    void RefreshUpdateSource();
    void CheckEnvironment();
    void OpenDownloadWindow();

    BotCore botCore_;
    LogWriter log_;
    ConsolePipe pipe_;
    std::filesystem::path runDirectory_;
    UpdateEndpoints updateEndpoints_;
    ConsolePaneModel paneModel_;
    ServerInfo serverInfo_;
    QtDialogService dialogs_;
    QtEventPump eventPump_;
    CommandBoxView commandBoxView_;
    ConsoleServices services_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<ConsoleHost> host_;
    std::unique_ptr<KeyRewrite> keyRewrite_;
    std::unique_ptr<PortRepair> portRepair_;
    std::unique_ptr<CommandHandler> commandHandler_;
    std::unique_ptr<AccountManager> accountManager_;
};

}  // namespace vkr

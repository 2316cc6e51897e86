#include "app/Application.h"

#include <QAction>
#include <QLineEdit>

#include "app/AccountManager.h"
#include "app/AccountTab.h"
#include "app/DownloadWindow.h"
#include "app/FirstRun.h"
#include "app/MainWindow.h"
#include "app/QtText.h"
#include "app/SettingsWindow.h"
#include "app/TaskWindow.h"
#include "console/CommandHandler.h"
#include "console/ConsoleHost.h"
#include "console/EnvironmentCheck.h"
#include "console/KeyRewrite.h"
#include "console/PortRepair.h"
#include "update/UpdateSource.h"

namespace vkr {
namespace {

UpdateEndpoints EndpointsFrom(const std::vector<std::string>& arguments) {
    std::vector<const char*> argv = {"velkorin"};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    return UpdateEndpoints::FromCommandLine(static_cast<int>(argv.size()), argv.data());
}

}  // namespace

Application::Application(const std::filesystem::path& runDirectory,
                         const std::vector<std::string>& arguments)
    : log_(runDirectory),
      runDirectory_(runDirectory),
      updateEndpoints_(EndpointsFrom(arguments)),
      services_{paneModel_, commandBoxView_, dialogs_, eventPump_, log_} {
    window_ = std::make_unique<MainWindow>(paneModel_);
    dialogs_.SetParentWindow(window_.get());
    commandBoxView_.SetCommandBox(window_->CommandBox());

    host_ = std::make_unique<ConsoleHost>(pipe_, serverInfo_, services_, [this] { botCore_.Shutdown(); });
    keyRewrite_ = std::make_unique<KeyRewrite>(*host_, services_, runDirectory_ / "config" /
                                                                      "net.mamoe.mirai-api-http" / "setting.yml");
    portRepair_ = std::make_unique<PortRepair>(*host_, services_, runDirectory_);
    commandHandler_ = std::make_unique<CommandHandler>(*host_, *keyRewrite_, *portRepair_, services_);

    accountManager_ =
        std::make_unique<AccountManager>(botCore_, serverInfo_, dialogs_, paneModel_, log_, runDirectory_);
    new AccountTab(window_->AccountPage(), *accountManager_);  // owned by the page

    window_->SetCloseSteps([this] { RunCloseSteps(); });
    WireCommandBox();
    WireMenus();
}

// The window and its pane go before the host that writes into the pane.
Application::~Application() {
    window_.reset();
    accountManager_.reset();
    commandHandler_.reset();
    portRepair_.reset();
    keyRewrite_.reset();
    host_.reset();
}

void Application::Start() {
    window_->show();
    FirstRun(runDirectory_, dialogs_, log_).OnMainWindowCreated();
}

void Application::RunCloseSteps() {
    keyRewrite_->Shutdown();
    host_->Stop();
}

void Application::WireCommandBox() {
    QLineEdit* box = window_->CommandBox();
    QObject::connect(box, &QLineEdit::returnPressed, window_.get(), [this, box] {
        if (commandHandler_->OnKeyPressed(CommandHandler::kEnterKey, ToCp936(box->text()))) box->clear();
    });
}

void Application::WireMenus() {
    MainWindow* window = window_.get();
    QObject::connect(window->UpdateAction(), &QAction::triggered, window, [this] { OpenDownloadWindow(); });
    QObject::connect(window->UpdateSourceAction(), &QAction::triggered, window,
                     [this] { RefreshUpdateSource(); });
    QObject::connect(window->EnvironmentCheckAction(), &QAction::triggered, window,
                     [this] { CheckEnvironment(); });
    QObject::connect(window->TaskAction(), &QAction::triggered, window, [this] { OpenTaskWindow(); });
    QObject::connect(window->SettingsAction(), &QAction::triggered, window, [this] { OpenSettingsWindow(); });
}

void Application::OpenTaskWindow() {
    TaskWindow window(window_.get());
    window.exec();
}

void Application::OpenSettingsWindow() {
    SettingsWindow window(dialogs_, window_.get());
    window.exec();
}

void Application::RefreshUpdateSource() {
    vkr::RefreshUpdateSource(dialogs_, log_, updateEndpoints_, runDirectory_, &eventPump_);
}

void Application::CheckEnvironment() { EnvironmentCheck(services_).Run(); }

void Application::OpenDownloadWindow() {
    DownloadWindow window(dialogs_, log_, updateEndpoints_, runDirectory_, window_.get());
    window.exec();
}

}  // namespace vkr

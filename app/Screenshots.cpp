#include "app/Screenshots.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

#include <cstdlib>

#include "app/Application.h"
#include "app/ConsolePane.h"
#include "app/MainWindow.h"
#include "app/TabControl.h"

namespace vkr {
namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Lets queued pane updates and pending paints through before a grab.
void Settle() {
    for (int round = 0; round < 5; ++round) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 100);
    }
}

void GreetFriend(MainWindow& window, const ScreenshotRoad& road) {
    QWidget* page = window.AccountPage();
    page->findChild<QPushButton*>(QString::fromUtf8("按钮1"))->click();
    page->findChild<QLineEdit*>(QString::fromUtf8("编辑框2"))->setText(QString::fromStdString(road.friendQq));
    page->findChild<QLineEdit*>(QString::fromUtf8("编辑框3"))->setText(QString::fromUtf8(road.greeting.c_str()));
    page->findChild<QPushButton*>(QString::fromUtf8("按钮3"))->click();
}

}  // namespace

bool TakeScreenshots(Application& application, const ScreenshotRoad& road, const std::filesystem::path& folder) {
    application.Dialogs().SetAutoAnswer(true);
    MainWindow& window = application.Window();
    QLineEdit* box = window.CommandBox();
    for (const std::string& command : road.commands) {
        box->setText(QString::fromUtf8(command.c_str()));
        emit box->returnPressed();
    }
    if (!road.friendQq.empty()) GreetFriend(window, road);
    Settle();
    std::filesystem::create_directories(folder);
    bool saved = true;
    for (int tab = 0; tab < window.Tabs()->Bar()->count(); ++tab) {
        window.Tabs()->SetCurrentPage(tab);
        window.Pane()->ApplyPendingChanges();
        Settle();
        const std::filesystem::path file = folder / ("tab-" + std::to_string(tab + 1) + ".png");
        saved = window.grab().save(QString::fromStdString(file.string()), "PNG") && saved;
    }
    window.Tabs()->SetCurrentPage(0);
    return saved;
}

ScreenshotRoad ScreenshotRoadFromEnvironment() {
    ScreenshotRoad road;
    const std::string commands = Environment("VKR_SCREENSHOT_COMMANDS");
    size_t start = 0;
    while (start < commands.size()) {
        size_t end = commands.find(';', start);
        if (end == std::string::npos) end = commands.size();
        if (end > start) road.commands.push_back(commands.substr(start, end - start));
        start = end + 1;
    }
    road.friendQq = Environment("VKR_SCREENSHOT_FRIEND");
    road.greeting = Environment("VKR_SCREENSHOT_TEXT");
    return road;
}

}  // namespace vkr

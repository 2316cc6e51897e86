#include "app/MainWindow.h"

#include <QCloseEvent>
#include <QMenuBar>

#include "app/ConsolePane.h"
#include "app/Controls.h"
#include "app/TabControl.h"

namespace vkr {
namespace {

constexpr int kConsolePage = 0;
constexpr int kAccountPage = 1;

}  // namespace

MainWindow::MainWindow(ConsolePaneModel& paneModel, QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Velkorin"));
    BuildMenus();
    auto* client = new QWidget(this);
    setCentralWidget(client);
    tabs_ = new TabControl(client, "选择夹1", 0, 0, 528, 288);
    BuildConsolePage(paneModel);
    BuildAccountPage();
    tabs_->SetCurrentPage(kConsolePage);
    // The window's client area, under the menu bar, holds the tab control.
    setGeometry(50, 50, 527, 331);
}

QWidget* MainWindow::AccountPage() const { return tabs_->Page(kAccountPage); }

void MainWindow::BuildMenus() {
    QMenu* program = menuBar()->addMenu(QString::fromUtf8("程序"));
    update_ = program->addAction(QString::fromUtf8("更新"));
    updateSource_ = program->addAction(QString::fromUtf8("更新源"));
    environmentCheck_ = program->addAction(QString::fromUtf8("环境检测"));
    QMenu* plan = menuBar()->addMenu(QString::fromUtf8("计划"));
    task_ = plan->addAction(QString::fromUtf8("启动计划"));
    QMenu* settings = menuBar()->addMenu(QString::fromUtf8("设置"));
    settings_ = settings->addAction(QString::fromUtf8("软件设置"));
}

void MainWindow::BuildConsolePage(ConsolePaneModel& paneModel) {
    QWidget* page = tabs_->AddPage("主界面");
    pane_ = Place(new ConsolePane(paneModel, page), "超级编辑框1", 8, 25, 504, 215);
    commandBox_ = MakeEditBox(page, "编辑框1", 8, 250, 504, 24);
}

void MainWindow::BuildAccountPage() {
    QWidget* page = tabs_->AddPage("账户管理");
    MakeLabel(page, "透明标签1", "内置管理QQ:", 8, 32, 72, 24);
    MakeLabel(page, "透明标签2", "未设置", 76, 32, 52, 24);
    MakeButton(page, "按钮2", "关闭VKR账户管理", 304, 32, 104, 24);
    MakeButton(page, "按钮1", "启用VKR账户管理", 408, 32, 104, 24);

    QGroupBox* friendBox = MakeGroupBox(page, "分组框1", "私聊", 16, 60, 176, 212);
    MakeLabel(friendBox, "透明标签3", "发送QQ：", 8, 8, 52, 24);
    MakeEditBox(friendBox, "编辑框2", 13, 31, 144, 24);
    MakeLabel(friendBox, "透明标签4", "发送内容：", 8, 57, 52, 24);
    MakeEditBox(friendBox, "编辑框3", 13, 85, 144, 24);
    MakeButton(friendBox, "按钮3", "发送文字消息", 16, 123, 136, 32);
    MakeButton(friendBox, "按钮4", "选择图片发送", 15, 159, 136, 32);

    QGroupBox* groupBox = MakeGroupBox(page, "分组框2", "私聊", 208, 56, 176, 212);
    MakeLabel(groupBox, "透明标签6", "发送群：", 8, 8, 52, 24);
    MakeEditBox(groupBox, "编辑框5", 13, 31, 144, 24);
    MakeLabel(groupBox, "透明标签5", "发送内容：", 8, 57, 52, 24);
    MakeEditBox(groupBox, "编辑框4", 13, 85, 144, 24);
    MakeButton(groupBox, "按钮6", "发送文字消息", 16, 123, 136, 32);
    MakeButton(groupBox, "按钮5", "选择图片发送", 15, 159, 136, 32);

    QGroupBox* networkBox = MakeGroupBox(page, "分组框3", "网络", 392, 56, 120, 208);
    MakeLabel(networkBox, "透明标签7", "在线图片地址：", 8, 11, 80, 24);
    Place(new QPlainTextEdit(networkBox), "编辑框6", 8, 40, 104, 72);
    MakeButton(networkBox, "按钮7", "发送给好友", 16, 128, 88, 64);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The close is never refused; the steps run once even if close is asked twice.
    if (!closed_) {
        closed_ = true;
        if (closeSteps_) closeSteps_();
    }
    event->accept();
}

}  // namespace vkr

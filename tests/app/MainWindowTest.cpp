#include "app/MainWindow.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTextEdit>

#include "app/Application.h"
#include "app/ConsolePane.h"
#include "app/TabControl.h"
#include "tests/TempDir.h"
#include "tests/app/AppTestSupport.h"

namespace vkr {
namespace {

using test::CaptionOf;
using test::Named;

struct ControlCase {
    int page;
    const char* groupBox;  // nullptr: placed on the page itself
    const char* name;
    QRect geometry;   // relative to the tab control (page layer) or its group box
    const char* text; // caption or text; nullptr when the control has none to check
};

class MainWindowTest : public testing::Test {
protected:
    MainWindowTest() : window(model) {}
    ConsolePaneModel model;
    MainWindow window;
};

TEST_F(MainWindowTest, TitleGeometryTabsAndMenus) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Velkorin"));
    EXPECT_EQ(window.geometry(), QRect(50, 50, 527, 331));
    TabControl* tabs = window.Tabs();
    EXPECT_EQ(tabs->objectName(), QString::fromUtf8("选择夹1"));
    EXPECT_EQ(tabs->geometry(), QRect(0, 0, 528, 288));
    ASSERT_EQ(tabs->Bar()->count(), 2);
    EXPECT_EQ(tabs->Bar()->tabText(0), QString::fromUtf8("主界面"));
    EXPECT_EQ(tabs->Bar()->tabText(1), QString::fromUtf8("账户管理"));

    QStringList menus;
    for (QAction* top : window.menuBar()->actions()) {
        QStringList entries;
        for (QAction* entry : top->menu()->actions()) entries << entry->text();
        menus << top->text() + ":" + entries.join(",");
    }
    EXPECT_EQ(menus.join(" | "), QString::fromUtf8("程序:更新,更新源,环境检测 | 计划:启动计划 | 设置:软件设置"));
}

TEST_F(MainWindowTest, ControlsSitWhereTheLayoutPutsThem) {
    const std::vector<ControlCase> controls = {
        {0, nullptr, "超级编辑框1", {8, 25, 504, 215}, ""},
        {0, nullptr, "编辑框1", {8, 250, 504, 24}, ""},
        {1, nullptr, "透明标签1", {8, 32, 72, 24}, "内置管理QQ:"},
        {1, nullptr, "透明标签2", {76, 32, 52, 24}, "未设置"},
        {1, nullptr, "按钮2", {304, 32, 104, 24}, "关闭VKR账户管理"},
        {1, nullptr, "按钮1", {408, 32, 104, 24}, "启用VKR账户管理"},
        {1, nullptr, "分组框1", {16, 60, 176, 212}, "私聊"},
        {1, nullptr, "分组框2", {208, 56, 176, 212}, "私聊"},
        {1, nullptr, "分组框3", {392, 56, 120, 208}, "网络"},
        {1, "分组框1", "透明标签3", {8, 8, 52, 24}, "发送QQ："},
        {1, "分组框1", "编辑框2", {13, 31, 144, 24}, ""},
        {1, "分组框1", "透明标签4", {8, 57, 52, 24}, "发送内容："},
        {1, "分组框1", "编辑框3", {13, 85, 144, 24}, ""},
        {1, "分组框1", "按钮3", {16, 123, 136, 32}, "发送文字消息"},
        {1, "分组框1", "按钮4", {15, 159, 136, 32}, "选择图片发送"},
        {1, "分组框2", "透明标签6", {8, 8, 52, 24}, "发送群："},
        {1, "分组框2", "编辑框5", {13, 31, 144, 24}, ""},
        {1, "分组框2", "透明标签5", {8, 57, 52, 24}, "发送内容："},
        {1, "分组框2", "编辑框4", {13, 85, 144, 24}, ""},
        {1, "分组框2", "按钮6", {16, 123, 136, 32}, "发送文字消息"},
        {1, "分组框2", "按钮5", {15, 159, 136, 32}, "选择图片发送"},
        {1, "分组框3", "透明标签7", {8, 11, 80, 24}, "在线图片地址："},
        {1, "分组框3", "编辑框6", {8, 40, 104, 72}, nullptr},
        {1, "分组框3", "按钮7", {16, 128, 88, 64}, "发送给好友"},
    };
    for (const ControlCase& c : controls) {
        QWidget* page = window.Tabs()->Page(c.page);
        QWidget* parent = c.groupBox ? Named(page, c.groupBox) : page;
        ASSERT_NE(parent, nullptr) << c.groupBox;
        auto* control = Named(parent, c.name);
        ASSERT_NE(control, nullptr) << c.name;
        EXPECT_EQ(control->parentWidget(), parent) << c.name;
        // Page layers cover the whole tab control, so page coordinates are tab coordinates.
        EXPECT_EQ(page->geometry(), QRect(0, 0, 528, 288));
        EXPECT_EQ(control->geometry(), c.geometry) << c.name;
        if (c.text) {
            EXPECT_EQ(CaptionOf(control), QString::fromUtf8(c.text)) << c.name;
        }
    }
    EXPECT_TRUE(window.Pane()->isReadOnly());
}

TEST_F(MainWindowTest, OnlyTheCurrentPageIsShownAndThePaneKeepsReceiving) {
    window.show();
    TabControl* tabs = window.Tabs();
    QWidget* pane = window.Pane();
    QWidget* enable = Named(window.AccountPage(), "按钮1");
    EXPECT_TRUE(pane->isVisible());
    EXPECT_FALSE(enable->isVisible());

    tabs->Bar()->setCurrentIndex(1);
    EXPECT_FALSE(pane->isVisible());
    EXPECT_TRUE(enable->isVisible());
    model.Append("\r\n[VKR] while hidden");
    window.Pane()->ApplyPendingChanges();
    EXPECT_TRUE(window.Pane()->toPlainText().contains(QStringLiteral("while hidden")));

    tabs->Bar()->setCurrentIndex(0);
    EXPECT_TRUE(pane->isVisible());
    EXPECT_FALSE(enable->isVisible());
}

TEST(MainWindowClose, ClosingRightAfterStartWritesTheThreeNoticeLines) {
    TempDir run;
    ASSERT_TRUE(WriteWholeFile(run.path() / "Install.lock", ""));
    ASSERT_TRUE(CreateFolder(run.path() / "Log"));
    Application application(run.path());
    application.Dialogs().SetAutoAnswer(true);
    application.Start();
    EXPECT_TRUE(application.Window().close());
    EXPECT_EQ(test::LogEntries(run.path()),
              (std::vector<std::string>{"INFO#Velkorin started", "NOTICE#Mirai Core has been closed",
                                        "NOTICE#VKR-Core has been closed", "NOTICE#pipe has been closed."}));
    EXPECT_FALSE(application.Window().isVisible());
}

}  // namespace
}  // namespace vkr

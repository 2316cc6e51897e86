// The Task and Settings windows, opened through the real menu entries.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/TabControl.h"
#include "tests/TempDir.h"
#include "tests/app/AppTestSupport.h"

namespace vkr {
namespace {

using test::Named;

// Chooses a menu entry and runs inspect on the modal window it opens, then
// closes that window with its close box. Returns how many windows were open.
int OpenThroughMenu(QAction* entry, const std::function<void(QDialog&)>& inspect) {
    int openWindows = 0;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        openWindows = static_cast<int>(dialog->parentWidget()->findChildren<QDialog*>().size());
        inspect(*dialog);
        dialog->close();
    });
    entry->trigger();
    return openWindows;
}

class SecondaryWindows : public testing::Test {
protected:
    SecondaryWindows() : application(run.path()) { application.Dialogs().SetAutoAnswer(true); }
    TempDir run;
    Application application;
};

TEST_F(SecondaryWindows, TaskWindowLayoutAndAFreshWindowEachTime) {
    QAction* entry = application.Window().TaskAction();
    EXPECT_EQ(OpenThroughMenu(entry, [](QDialog& window) {
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Task"));
        EXPECT_EQ(window.geometry(), QRect(50, 50, 380, 164));
        auto* label = Named<QLabel>(&window, "透明标签1");
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->geometry(), QRect(8, 8, 352, 32));
        EXPECT_EQ(label->text(), QString::fromUtf8("键入的命令会已持久化储存的形式保存，在每次Mirai启动的时候会发送执行这些命令（一行一命令)"));
        auto* commands = Named<QPlainTextEdit>(&window, "编辑框1");
        ASSERT_NE(commands, nullptr);
        EXPECT_EQ(commands->geometry(), QRect(8, 40, 360, 56));
        auto* ok = Named<QPushButton>(&window, "按钮1");
        auto* cancel = Named<QPushButton>(&window, "按钮2");
        EXPECT_EQ(ok->geometry(), QRect(192, 96, 176, 32));
        EXPECT_EQ(ok->text(), QString::fromUtf8("确定"));
        EXPECT_EQ(cancel->geometry(), QRect(15, 96, 176, 32));
        EXPECT_EQ(cancel->text(), QString::fromUtf8("取消"));
        commands->setPlainText(QStringLiteral("say hello"));
        ok->click();
        EXPECT_TRUE(window.isVisible()) << "confirming neither stores nor closes";
    }), 1);
    EXPECT_EQ(OpenThroughMenu(entry, [](QDialog& window) {
        EXPECT_TRUE(Named<QPlainTextEdit>(&window, "编辑框1")->toPlainText().isEmpty());
    }), 1) << "one window at a time";
}

TEST_F(SecondaryWindows, SettingsWindowLayout) {
    EXPECT_EQ(OpenThroughMenu(application.Window().SettingsAction(), [](QDialog& window) {
        EXPECT_EQ(window.windowTitle(), QString::fromUtf8("设置"));
        EXPECT_EQ(window.geometry(), QRect(50, 50, 406, 260));
        auto* tabs = Named<TabControl>(&window, "选择夹1");
        ASSERT_NE(tabs, nullptr);
        EXPECT_EQ(tabs->geometry(), QRect(2, 3, 398, 229));
        ASSERT_EQ(tabs->Bar()->count(), 3);
        EXPECT_EQ(tabs->Bar()->tabText(0) + tabs->Bar()->tabText(1) + tabs->Bar()->tabText(2),
                  QString::fromUtf8("渲染开发安全"));
        struct Expected {
            int page;
            const char* parent;  // group box, or nullptr for the page itself
            const char* name;
            QRect geometry;
            const char* text;
        };
        const std::vector<Expected> controls = {
            {0, nullptr, "透明标签1", {6, 29, 56, 24}, "颜色渲染："},
            {0, nullptr, "组合框1", {63, 30, 96, 20}, ""},
            {0, nullptr, "透明标签2", {7, 60, 56, 24}, "最大行数："},
            {0, nullptr, "编辑框1", {62, 59, 96, 24}, ""},
            {1, nullptr, "透明标签3", {6, 25, 384, 24}, "本程序不是以“开发适用库”模式安装的"},
            {1, nullptr, "按钮1", {335, 25, 32, 24}, "?"},
            {2, nullptr, "分组框1", {6, 29, 136, 48}, "HTTP-API"},
            {2, "分组框1", "选择框1", {8, 16, 96, 24}, "端口占用自检"},
            {2, nullptr, "分组框2", {7, 84, 136, 49}, "VKR账户管理"},
            {2, "分组框2", "选择框2", {8, 16, 96, 24}, "初始化自检"},
            {2, nullptr, "透明标签4", {8, 24, 56, 24}, ""},
            {2, nullptr, "按钮2", {310, 181, 88, 48}, "保存设置"},
        };
        for (const Expected& c : controls) {
            QWidget* page = tabs->Page(c.page);
            QWidget* parent = c.parent ? Named(page, c.parent) : page;
            ASSERT_NE(parent, nullptr) << c.parent;
            QWidget* control = Named(parent, c.name);
            ASSERT_NE(control, nullptr) << c.name;
            EXPECT_EQ(control->parentWidget(), parent) << c.name;
            EXPECT_EQ(control->geometry(), c.geometry) << c.name;
            EXPECT_EQ(test::CaptionOf(control), QString::fromUtf8(c.text)) << c.name;
        }
        EXPECT_EQ(Named<QComboBox>(tabs->Page(0), "组合框1")->count(), 0);
    }), 1);
}

TEST_F(SecondaryWindows, SavedSettingsAreForgottenOnReopening) {
    QAction* entry = application.Window().SettingsAction();
    EXPECT_EQ(OpenThroughMenu(entry, [](QDialog& window) {
        for (const char* name : {"选择框1", "选择框2"}) Named<QCheckBox>(&window, name)->setChecked(true);
        Named<QLineEdit>(&window, "编辑框1")->setText(QStringLiteral("100"));
        Named<QPushButton>(&window, "按钮2")->click();
        EXPECT_TRUE(window.isVisible());
    }), 1);
    EXPECT_EQ(OpenThroughMenu(entry, [](QDialog& window) {
        for (const char* name : {"选择框1", "选择框2"}) {
            EXPECT_FALSE(Named<QCheckBox>(&window, name)->isChecked()) << name;
        }
        EXPECT_TRUE(Named<QLineEdit>(&window, "编辑框1")->text().isEmpty());
    }), 1);
    std::error_code error;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(run.path(), error),
                            std::filesystem::directory_iterator()),
              0)
        << "nothing is written to the run directory";
}

TEST_F(SecondaryWindows, QuestionMarkExplainsTheDevelopmentMode) {
    OpenThroughMenu(application.Window().SettingsAction(), [](QDialog& window) {
        Named<QPushButton>(&window, "按钮1")->click();
    });
    const std::vector<ShownMessage> shown = application.Dialogs().ShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(Cp936ToUtf8(shown[0].title), "信息：");
    EXPECT_EQ(Cp936ToUtf8(shown[0].text),
              "Velkorin提供给第三方软件更加方面的使用，仅聚焦于他们应该开发的内容\r\n"
              "若此处为是且红色字样，说明你的VKR为第三方软件自动安装所致\r\n"
              "你可以询问这些软件的开发者或者自己启动本软件，但是你可能没有某些权限\r\n"
              "本软件仅用于托管Mirai，与程序内容有关请联系第三方作者，Mirai及Zorbel");
}

}  // namespace
}  // namespace vkr

#include "app/SettingsWindow.h"

#include "app/Controls.h"
#include "app/TabControl.h"
#include "platform/CodePage.h"
#include "platform/DialogService.h"

namespace vkr {

SettingsWindow::SettingsWindow(DialogService& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs) {
    setWindowTitle(QString::fromUtf8("设置"));
    setGeometry(50, 50, 406, 260);
    auto* tabs = new TabControl(this, "选择夹1", 2, 3, 398, 229);

    QWidget* rendering = tabs->AddPage("渲染");
    MakeLabel(rendering, "透明标签1", "颜色渲染：", 6, 29, 56, 24);
    Place(new QComboBox(rendering), "组合框1", 63, 30, 96, 20);
    MakeLabel(rendering, "透明标签2", "最大行数：", 7, 60, 56, 24);
    MakeEditBox(rendering, "编辑框1", 62, 59, 96, 24);

    QWidget* development = tabs->AddPage("开发");
    MakeLabel(development, "透明标签3", "本程序不是以“开发适用库”模式安装的", 6, 25, 384, 24);
    QPushButton* help = MakeButton(development, "按钮1", "?", 335, 25, 32, 24);
    help->setAutoDefault(false);
    connect(help, &QPushButton::clicked, this, &SettingsWindow::ShowDevelopmentModeMessage);

    QWidget* security = tabs->AddPage("安全");
    QGroupBox* httpApi = MakeGroupBox(security, "分组框1", "HTTP-API", 6, 29, 136, 48);
    Place(new QCheckBox(QString::fromUtf8("端口占用自检"), httpApi), "选择框1", 8, 16, 96, 24);
    QGroupBox* account = MakeGroupBox(security, "分组框2", "VKR账户管理", 7, 84, 136, 49);
    Place(new QCheckBox(QString::fromUtf8("初始化自检"), account), "选择框2", 8, 16, 96, 24);
    MakeLabel(security, "透明标签4", "", 8, 24, 56, 24);
    // Nothing on these pages is stored, so saving has nothing to do.
    MakeButton(security, "按钮2", "保存设置", 310, 181, 88, 48)->setAutoDefault(false);
}

void SettingsWindow::ShowDevelopmentModeMessage() {
    dialogs_.ShowMessage(
        Utf8ToCp936("Velkorin提供给第三方软件更加方面的使用，仅聚焦于他们应该开发的内容\r\n"
                    "若此处为是且红色字样，说明你的VKR为第三方软件自动安装所致\r\n"
                    "你可以询问这些软件的开发者或者自己启动本软件，但是你可能没有某些权限\r\n"
                    "本软件仅用于托管Mirai，与程序内容有关请联系第三方作者，Mirai及Zorbel"),
        Utf8ToCp936("信息："));
}

}  // namespace vkr

#include "app/TaskWindow.h"

#include "app/Controls.h"

namespace vkr {

TaskWindow::TaskWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Task"));
    setGeometry(50, 50, 380, 164);
    MakeLabel(this, "透明标签1",
              "键入的命令会已持久化储存的形式保存，在每次Mirai启动的时候会发送执行这些命令（一行一命令)",
              8, 8, 352, 32);
    Place(new QPlainTextEdit(this), "编辑框1", 8, 40, 360, 56);
    // Neither button stores or closes anything.
    MakeButton(this, "按钮1", "确定", 192, 96, 176, 32)->setAutoDefault(false);
    MakeButton(this, "按钮2", "取消", 15, 96, 176, 32)->setAutoDefault(false);
}

}  // namespace vkr

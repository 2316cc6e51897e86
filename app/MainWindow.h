#pragma once
// The main window: the tab control with the console page and the account page,
// and the menu bar. It only lays out controls; what the controls and menu
// entries do is wired by Application, and the close steps run through the
// hook given to SetCloseSteps before the window is allowed to close.
#include <QMainWindow>

#include <functional>

class QAction;
class QLineEdit;

namespace vkr {

class ConsolePane;
class ConsolePaneModel;
class TabControl;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(ConsolePaneModel& paneModel, QWidget* parent = nullptr);

    ConsolePane* Pane() const { return pane_; }
    QLineEdit* CommandBox() const { return commandBox_; }
    TabControl* Tabs() const { return tabs_; }
    QWidget* AccountPage() const;

    QAction* UpdateAction() const { return update_; }
    QAction* UpdateSourceAction() const { return updateSource_; }
    QAction* EnvironmentCheckAction() const { return environmentCheck_; }
    QAction* TaskAction() const { return task_; }
    QAction* SettingsAction() const { return settings_; }

    void SetCloseSteps(std::function<void()> closeSteps) { closeSteps_ = std::move(closeSteps); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildConsolePage(ConsolePaneModel& paneModel);
    void BuildAccountPage();

    TabControl* tabs_ = nullptr;
    ConsolePane* pane_ = nullptr;
    QLineEdit* commandBox_ = nullptr;
    QAction* update_ = nullptr;
    QAction* updateSource_ = nullptr;
    QAction* environmentCheck_ = nullptr;
    QAction* task_ = nullptr;
    QAction* settings_ = nullptr;
    std::function<void()> closeSteps_;
    bool closed_ = false;
};

}  // namespace vkr

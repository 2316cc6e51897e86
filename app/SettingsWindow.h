#pragma once
// The Settings window: three pages of options that are shown but not stored.
// Its only action is the "?" button of the "开发" page.
#include <QDialog>

namespace vkr {

class DialogService;

class SettingsWindow : public QDialog {
    Q_OBJECT
public:
    SettingsWindow(DialogService& dialogs, QWidget* parent = nullptr);

private:
    void ShowDevelopmentModeMessage();

    DialogService& dialogs_;
};

}  // namespace vkr

#pragma once
// Connects the account page's buttons to the AccountManager; reads the edit
// boxes' whole texts and shows the account in the page's label.
#include <QObject>

class QWidget;

namespace vkr {

class AccountManager;

class AccountTab : public QObject {
    Q_OBJECT
public:
    AccountTab(QWidget* page, AccountManager& manager);

private:
    QString TextOf(const char* editBox) const;

    QWidget* page_;
    AccountManager& manager_;
};

}  // namespace vkr

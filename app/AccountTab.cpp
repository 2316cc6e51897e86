#include "app/AccountTab.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/AccountManager.h"
#include "app/QtText.h"

namespace vkr {
namespace {

QPushButton* Button(QWidget* page, const char* name) {
    return page->findChild<QPushButton*>(QString::fromUtf8(name));
}

}  // namespace

AccountTab::AccountTab(QWidget* page, AccountManager& manager) : QObject(page), page_(page), manager_(manager) {
    auto* accountLabel = page->findChild<QLabel*>(QString::fromUtf8("透明标签2"));
    connect(Button(page, "按钮1"), &QPushButton::clicked, this, [this, accountLabel] {
        manager_.Enable([accountLabel](const std::string& account) { accountLabel->setText(FromCp936(account)); });
    });
    connect(Button(page, "按钮2"), &QPushButton::clicked, this, [this] { manager_.Disable(); });
    connect(Button(page, "按钮3"), &QPushButton::clicked, this, [this] {
        manager_.SendFriendText(ToCp936(TextOf("编辑框2")), ToCp936(TextOf("编辑框3")));
    });
    connect(Button(page, "按钮6"), &QPushButton::clicked, this, [this] {
        manager_.SendGroupText(ToCp936(TextOf("编辑框5")), ToCp936(TextOf("编辑框4")));
    });
    // The image goes to the friend named in the friend box of "分组框1".
    connect(Button(page, "按钮7"), &QPushButton::clicked, this, [this] {
        manager_.SendFriendImage(ToCp936(TextOf("编辑框2")), ToCp936(TextOf("编辑框6")));
    });
    // "按钮4" and "按钮5" (picture sending) have no action.
}

QString AccountTab::TextOf(const char* editBox) const {
    QWidget* box = page_->findChild<QWidget*>(QString::fromUtf8(editBox));
    if (auto* line = qobject_cast<QLineEdit*>(box)) return line->text();
    if (auto* multi = qobject_cast<QPlainTextEdit*>(box)) return multi->toPlainText();
    return {};
}

}  // namespace vkr

#include "app/TabControl.h"

#include <QFrame>

namespace vkr {

TabControl::TabControl(QWidget* parent, const char* name, int x, int y, int width, int height)
    : QWidget(parent), bar_(new QTabBar(this)), panel_(new QFrame(this)) {
    setObjectName(QString::fromUtf8(name));
    setGeometry(x, y, width, height);
    bar_->setDrawBase(false);
    bar_->move(0, 0);
    auto* frame = static_cast<QFrame*>(panel_);
    frame->setFrameShape(QFrame::StyledPanel);
    connect(bar_, &QTabBar::currentChanged, this, &TabControl::ShowOnly);
}

QWidget* TabControl::AddPage(const char* title) {
    auto* page = new QWidget(this);
    page->setObjectName(QString::fromUtf8(title));
    page->setGeometry(0, 0, width(), height());
    pages_.push_back(page);
    bar_->addTab(QString::fromUtf8(title));
    bar_->adjustSize();
    panel_->setGeometry(0, bar_->height() - 1, width(), height() - bar_->height() + 1);
    panel_->lower();
    bar_->raise();
    ShowOnly(bar_->currentIndex());
    return page;
}

void TabControl::ShowOnly(int index) {
    for (size_t i = 0; i < pages_.size(); ++i) {
        pages_[i]->setVisible(static_cast<int>(i) == index);
    }
    bar_->raise();
}

}  // namespace vkr

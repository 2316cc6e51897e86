#pragma once
// A tab control whose pages lay their controls out relative to the tab control
// itself (tab strip included), as the program's windows are designed. Each
// page is a transparent layer over the whole control; only the current page's
// layer is visible, and the tab strip stays on top of all of them.
#include <QTabBar>
#include <QWidget>

#include <vector>

namespace vkr {

class TabControl : public QWidget {
    Q_OBJECT
public:
    TabControl(QWidget* parent, const char* name, int x, int y, int width, int height);

    // Adds a page; its controls are created with the returned widget as parent.
    QWidget* AddPage(const char* title);
    QWidget* Page(int index) const { return pages_.at(static_cast<size_t>(index)); }
    QTabBar* Bar() const { return bar_; }
    void SetCurrentPage(int index) { bar_->setCurrentIndex(index); }
    int CurrentPage() const { return bar_->currentIndex(); }

private:
    void ShowOnly(int index);

    QTabBar* bar_;
    QWidget* panel_;
    std::vector<QWidget*> pages_;
};

}  // namespace vkr

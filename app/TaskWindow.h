#pragma once
// The Task window: a form for start-up commands. It stores nothing; each
// opening is a fresh window.
#include <QDialog>

namespace vkr {

class TaskWindow : public QDialog {
    Q_OBJECT
public:
    explicit TaskWindow(QWidget* parent = nullptr);
};

}  // namespace vkr

#pragma once
// The console host's handle on the command box: enabling and disabling it
// from any thread (a call off the UI thread is queued to it).
#include <QLineEdit>
#include <QPointer>

#include "console/ConsoleView.h"

namespace vkr {

class CommandBoxView : public ConsoleView {
public:
    void SetCommandBox(QLineEdit* box) { box_ = box; }
    void SetCommandBoxEnabled(bool enabled) override;

private:
    QPointer<QLineEdit> box_;
};

}  // namespace vkr

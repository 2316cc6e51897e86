#include "app/CommandBoxView.h"

namespace vkr {

void CommandBoxView::SetCommandBoxEnabled(bool enabled) {
    QLineEdit* box = box_.data();
    if (box == nullptr) return;
    // With the box as context the call runs directly on the UI thread and is
    // queued from any other; it is dropped if the box is gone by then.
    QMetaObject::invokeMethod(box, [box, enabled] { box->setEnabled(enabled); }, Qt::AutoConnection);
}

}  // namespace vkr

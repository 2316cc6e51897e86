#include "console/ConsolePaneModel.h"

namespace vkr {

void ConsolePaneModel::Append(std::string_view text) {
    if (text.empty()) return;
    std::lock_guard lock(mutex_);
    text_.append(text);
    ++sequence_;
    if (listener_) listener_(PaneChange{PaneChange::Kind::Appended, std::string(text), sequence_});
}

void ConsolePaneModel::Replace(std::string_view text) {
    std::lock_guard lock(mutex_);
    text_.assign(text);
    ++sequence_;
    if (listener_) listener_(PaneChange{PaneChange::Kind::Replaced, std::string(text), sequence_});
}

std::string ConsolePaneModel::Text() const {
    std::lock_guard lock(mutex_);
    return text_;
}

size_t ConsolePaneModel::Size() const {
    std::lock_guard lock(mutex_);
    return text_.size();
}

size_t ConsolePaneModel::Find(std::string_view needle, size_t from) const {
    std::lock_guard lock(mutex_);
    return text_.find(needle, from);
}

void ConsolePaneModel::SetListener(Listener listener) {
    std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

}  // namespace vkr

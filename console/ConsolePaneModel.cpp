#include "console/ConsolePaneModel.h"

namespace vkr {

void ConsolePaneModel::Append(std::string_view text) {
    if (text.empty()) return;
    std::lock_guard lock(mutex_);
    text_.append(text);
    ++sequence_;
    Notify(PaneChange{PaneChange::Kind::Appended, std::string(text), sequence_});
}

void ConsolePaneModel::Replace(std::string_view text) {
    std::lock_guard lock(mutex_);
    text_.assign(text);
    ++sequence_;
    Notify(PaneChange{PaneChange::Kind::Replaced, std::string(text), sequence_});
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

int ConsolePaneModel::AddWatcher(Listener watcher) {
    std::lock_guard lock(mutex_);
    int id = nextWatcherId_++;
    watchers_.emplace(id, std::move(watcher));
    return id;
}

void ConsolePaneModel::RemoveWatcher(int id) {
    std::lock_guard lock(mutex_);
    watchers_.erase(id);
}

void ConsolePaneModel::Notify(const PaneChange& change) {
    if (listener_) listener_(change);
    for (const auto& [id, watcher] : watchers_) watcher(change);
}

}  // namespace vkr

#include "console/ConsolePaneModel.h"

#include <algorithm>

namespace vkr {

void ConsolePaneModel::Append(std::string_view text) {
    if (text.empty()) return;
    std::lock_guard lock(mutex_);
    AppendLocked(text);
    ++sequence_;
    Notify(PaneChange{PaneChange::Kind::Appended, std::string(text), sequence_});
}

void ConsolePaneModel::Replace(std::string_view text) {
    std::lock_guard lock(mutex_);
    blocks_.clear();
    size_ = 0;
    AppendLocked(text);
    ++sequence_;
    Notify(PaneChange{PaneChange::Kind::Replaced, std::string(text), sequence_});
}

void ConsolePaneModel::AppendLocked(std::string_view text) {
    size_ += text.size();
    while (!text.empty()) {
        if (blocks_.empty() || blocks_.back().size() == kBlockSize) {
            blocks_.emplace_back();
            blocks_.back().reserve(kBlockSize);
        }
        std::string& block = blocks_.back();
        size_t take = std::min(kBlockSize - block.size(), text.size());
        block.append(text.substr(0, take));
        text.remove_prefix(take);
    }
}

std::string ConsolePaneModel::Text() const {
    std::lock_guard lock(mutex_);
    std::string text;
    text.reserve(size_);
    for (const auto& block : blocks_) text += block;
    return text;
}

size_t ConsolePaneModel::Size() const {
    std::lock_guard lock(mutex_);
    return size_;
}

size_t ConsolePaneModel::Find(std::string_view needle, size_t from) const {
    std::lock_guard lock(mutex_);
    return FindLocked(needle, from);
}

// Searches block by block: first the matches that lie inside a block, then
// those that start in its last bytes and run on into the next blocks.
size_t ConsolePaneModel::FindLocked(std::string_view needle, size_t from) const {
    if (from > size_) return std::string::npos;
    if (needle.empty()) return from;
    size_t blockStart = 0;
    for (size_t i = 0; i < blocks_.size(); blockStart += blocks_[i].size(), ++i) {
        const std::string& block = blocks_[i];
        if (blockStart + block.size() <= from) continue;
        size_t localFrom = from > blockStart ? from - blockStart : 0;
        size_t inside = block.find(needle, localFrom);
        if (inside != std::string::npos) return blockStart + inside;
        // The seam: the block's last needle-1 bytes followed by what comes after.
        size_t seamStart = std::max(localFrom, block.size() >= needle.size() - 1 ? block.size() - (needle.size() - 1) : 0);
        std::string seam = block.substr(seamStart);
        for (size_t j = i + 1; j < blocks_.size() && seam.size() < 2 * needle.size(); ++j)
            seam.append(blocks_[j], 0, needle.size() - 1);
        size_t across = seam.find(needle);
        if (across != std::string::npos && across < block.size() - seamStart) return blockStart + seamStart + across;
    }
    return std::string::npos;
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

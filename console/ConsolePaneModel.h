#pragma once
// The console pane's text, kept by the core so the launch sequence can read it
// and any thread can add to it. Appends are serialised; each change is handed
// to the listener (the Qt pane, which mirrors it on the UI thread) in order.
//
// Appending costs the length of the addition, not of the whole pane: the text
// lives in fixed-size blocks, so a growing pane is never copied to a new buffer.
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace vkr {

struct PaneChange {
    enum class Kind { Appended, Replaced };
    Kind kind;
    std::string text;   // the addition, or the whole new text
    uint64_t sequence;  // increases by one per change
};

class ConsolePaneModel {
public:
    using Listener = std::function<void(const PaneChange&)>;

    // Adds text at the end. An empty text changes nothing and notifies nobody.
    void Append(std::string_view text);
    // Replaces the whole text (also with an empty one); always notifies.
    void Replace(std::string_view text);

    std::string Text() const;
    size_t Size() const;
    // Byte index of the first needle at or after from; std::string::npos when absent.
    size_t Find(std::string_view needle, size_t from = 0) const;

    // The listener runs on the thread that made the change, under the model's
    // lock, so changes reach it in order; it must not call back into the model.
    void SetListener(Listener listener);

    // Further listeners beside the one above (the launch sequence watches for
    // output that arrives late), under the same rules. RemoveWatcher takes the
    // id AddWatcher returned; once it returns, the watcher is not called again.
    int AddWatcher(Listener watcher);
    void RemoveWatcher(int id);

private:
    void Notify(const PaneChange& change);

    static constexpr size_t kBlockSize = size_t{1} << 20;

    void AppendLocked(std::string_view text);
    size_t FindLocked(std::string_view needle, size_t from) const;

    mutable std::mutex mutex_;
    std::vector<std::string> blocks_;  // each holds at most kBlockSize bytes
    size_t size_ = 0;
    uint64_t sequence_ = 0;
    Listener listener_;
    std::map<int, Listener> watchers_;
    int nextWatcherId_ = 1;
};

}  // namespace vkr

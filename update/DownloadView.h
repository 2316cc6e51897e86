#pragma once
// What the download run writes into the Download window. Texts are CP936.
#include <string>

namespace vkr {

class DownloadView {
public:
    virtual ~DownloadView() = default;
    // "透明标签5": "i/N" at the start of each entry.
    virtual void SetQueueText(const std::string& text) = 0;
    // "透明标签4": "37.50%" during a download; percent in 0..100, or a negative
    // value when the server sent no length (the text then counts the bytes).
    virtual void SetProgress(const std::string& text, double percent) = 0;
    // "透明标签2": the direct link, after each entry's download.
    virtual void SetLinkText(const std::string& text) = 0;
    // "透明标签8": "已完成" after a run in which every entry arrived.
    virtual void SetStatusText(const std::string& text) = 0;
    // Closes the window (after a completed run).
    virtual void CloseWindow() = 0;
};

}  // namespace vkr

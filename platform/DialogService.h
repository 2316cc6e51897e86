#pragma once
// Message boxes and the clipboard, as the core sees them. The GUI implements
// this with real dialogs; tests record what was shown.
#include <string>

namespace vkr {

class DialogService {
public:
    virtual ~DialogService() = default;
    // A modal message box with one OK button; returns when the user closed it.
    // Texts are CP936. Safe to call from any thread (the GUI hands it to the UI thread).
    virtual void ShowMessage(const std::string& text, const std::string& title) = 0;
    // Puts a CP936 text on the clipboard.
    virtual void SetClipboardText(const std::string& text) = 0;
};

}  // namespace vkr

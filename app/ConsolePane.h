#pragma once
// The console pane: a read-only rich text view mirroring ConsolePaneModel.
//
// The model's listener runs on whichever thread changed the model; it only
// queues the change and posts one call to the UI thread, which applies every
// queued change at once (a burst of reader chunks becomes one update).
// An append is inserted at the end and only the tags in the new text are
// coloured ("[VKR]" orange, "[WARN]" red, case-sensitive; a tag may straddle
// the old end), so its cost does not grow with the pane. A replacement
// rewrites the whole text. Either way the pane then scrolls to the bottom.
#include <QString>
#include <QTextEdit>

#include <mutex>
#include <vector>

#include "console/ConsolePaneModel.h"

namespace vkr {

class ConsolePane : public QTextEdit {
    Q_OBJECT
public:
    explicit ConsolePane(ConsolePaneModel& model, QWidget* parent = nullptr);
    ~ConsolePane() override;

    // Applies whatever changes are still queued (tests and the close steps use
    // it to see the pane as the model is now).
    void ApplyPendingChanges();

private:
    void OnModelChange(const PaneChange& change);
    void ReplaceAll(const QString& text);
    void AppendAtEnd(const QString& text);
    void ColourTags(const QString& searchable, int basePosition);
    QString NormaliseLineBreaks(const QString& text);
    void ScrollToBottom();

    ConsolePaneModel& model_;
    std::mutex pendingMutex_;
    std::vector<PaneChange> pending_;
    bool callPosted_ = false;

    QString tail_;                // the last characters of the pane, for straddling tags
    bool endsWithCr_ = false;     // a "\r" ended the last addition; a leading "\n" pairs with it
};

}  // namespace vkr

#include "app/ConsolePane.h"

#include <QColor>
#include <QScrollBar>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <array>

#include "app/QtText.h"

namespace vkr {
namespace {

struct Tag {
    QLatin1StringView text;
    QColor colour;
};

const std::array<Tag, 2> kTags = {{
    {QLatin1StringView("[VKR]"), QColor(255, 128, 0)},
    {QLatin1StringView("[WARN]"), QColor(255, 0, 0)},
}};

// Long enough to hold all but the last character of the longest tag.
constexpr int kTailLength = 5;

}  // namespace

ConsolePane::ConsolePane(ConsolePaneModel& model, QWidget* parent) : QTextEdit(parent), model_(model) {
    setReadOnly(true);
    setAcceptRichText(false);
    setUndoRedoEnabled(false);  // the undo stack would keep every addition
    setLineWrapMode(QTextEdit::WidgetWidth);
    ReplaceAll(FromCp936(model_.Text()));
    model_.SetListener([this](const PaneChange& change) { OnModelChange(change); });
}

ConsolePane::~ConsolePane() {
    // SetListener takes the model's lock, so no listener call is running after it.
    model_.SetListener({});
}

void ConsolePane::OnModelChange(const PaneChange& change) {
    std::lock_guard lock(pendingMutex_);
    if (change.kind == PaneChange::Kind::Replaced) pending_.clear();
    pending_.push_back(change);
    if (callPosted_) return;
    callPosted_ = true;
    QMetaObject::invokeMethod(this, &ConsolePane::ApplyPendingChanges, Qt::QueuedConnection);
}

void ConsolePane::ApplyPendingChanges() {
    std::vector<PaneChange> changes;
    {
        std::lock_guard lock(pendingMutex_);
        changes.swap(pending_);
        callPosted_ = false;
    }
    if (changes.empty()) return;
    // Consecutive appends are joined so the burst is inserted in one go.
    std::string appended;
    for (const PaneChange& change : changes) {
        if (change.kind == PaneChange::Kind::Replaced) {
            appended.clear();
            ReplaceAll(FromCp936(change.text));
        } else {
            appended += change.text;
        }
    }
    if (!appended.empty()) AppendAtEnd(FromCp936(appended));
    ScrollToBottom();
}

void ConsolePane::ReplaceAll(const QString& text) {
    clear();
    tail_.clear();
    endsWithCr_ = false;
    AppendAtEnd(text);
}

void ConsolePane::AppendAtEnd(const QString& text) {
    const QString shown = NormaliseLineBreaks(text);
    if (shown.isEmpty()) return;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    const int searchBase = cursor.position() - static_cast<int>(tail_.size());
    // An explicit default format: the text after a coloured tag must not inherit its colour.
    cursor.insertText(shown, QTextCharFormat());
    const QString searchable = tail_ + shown;
    ColourTags(searchable, searchBase);
    tail_ = searchable.right(kTailLength);
}

void ConsolePane::ColourTags(const QString& searchable, int basePosition) {
    QTextCursor cursor(document());
    for (const Tag& tag : kTags) {
        QTextCharFormat format;
        format.setForeground(tag.colour);
        for (qsizetype at = searchable.indexOf(tag.text); at >= 0;
             at = searchable.indexOf(tag.text, at + 1)) {
            cursor.setPosition(basePosition + static_cast<int>(at));
            cursor.setPosition(basePosition + static_cast<int>(at + tag.text.size()),
                               QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(format);
        }
    }
}

// A rich edit shows "\r\n" and a lone "\r" as one line break; the document
// wants "\n". A "\r\n" split between two additions stays one break.
QString ConsolePane::NormaliseLineBreaks(const QString& text) {
    QString result;
    result.reserve(text.size());
    qsizetype start = 0;
    if (endsWithCr_ && text.startsWith(QLatin1Char('\n'))) start = 1;
    for (qsizetype i = start; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r')) {
            result += QLatin1Char('\n');
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
        } else {
            result += c;
        }
    }
    if (!text.isEmpty()) endsWithCr_ = text.endsWith(QLatin1Char('\r'));
    return result;
}

void ConsolePane::ScrollToBottom() {
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

}  // namespace vkr

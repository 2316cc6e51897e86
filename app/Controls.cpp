#include "app/Controls.h"

namespace vkr {
namespace {

constexpr int kOneLineHeight = 16;

}  // namespace

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, int x, int y, int width,
                  int height) {
    auto* label = Place(new QLabel(QString::fromUtf8(text), parent), name, x, y, width, height);
    label->setAttribute(Qt::WA_TranslucentBackground);
    // One-line labels clip like a static control; taller ones wrap their long text.
    label->setWordWrap(height >= 2 * kOneLineHeight);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text, int x, int y,
                        int width, int height) {
    return Place(new QPushButton(QString::fromUtf8(text), parent), name, x, y, width, height);
}

QLineEdit* MakeEditBox(QWidget* parent, const char* name, int x, int y, int width, int height) {
    return Place(new QLineEdit(parent), name, x, y, width, height);
}

QGroupBox* MakeGroupBox(QWidget* parent, const char* name, const char* title, int x, int y,
                        int width, int height) {
    return Place(new QGroupBox(QString::fromUtf8(title), parent), name, x, y, width, height);
}

}  // namespace vkr

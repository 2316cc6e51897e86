#pragma once
// Small helpers that place a named control at a fixed position and size, the
// way every window of the program is laid out.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace vkr {

template <typename Control>
Control* Place(Control* control, const char* name, int x, int y, int width, int height) {
    control->setObjectName(QString::fromUtf8(name));
    control->setGeometry(x, y, width, height);
    return control;
}

// A transparent label: no background; a label of two lines or more wraps its text.
QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, int x, int y, int width,
                  int height);
QPushButton* MakeButton(QWidget* parent, const char* name, const char* text, int x, int y,
                        int width, int height);
QLineEdit* MakeEditBox(QWidget* parent, const char* name, int x, int y, int width, int height);
QGroupBox* MakeGroupBox(QWidget* parent, const char* name, const char* title, int x, int y,
                        int width, int height);

}  // namespace vkr

#pragma once

#include "app/window/WindowFonts.h"

#include <QRect>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// Makes the window's controls: named, placed at a fixed rectangle (pixels), in the window's
// standard font, with their designed caption or text.
class FormBuilder
{
public:
    explicit FormBuilder(const WindowFonts& fonts) : m_fonts(fonts) {}

    const WindowFonts& fonts() const { return m_fonts; }

    QLabel* label(QWidget* parent, const char* name, const QString& caption, const QRect& rect,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) const;
    // A value display with a single-line border, empty at first.
    QLabel* borderedLabel(QWidget* parent, const char* name, const QRect& rect) const;
    // maxLength 0: no limit.
    QLineEdit* textBox(QWidget* parent, const char* name, const QString& text, const QRect& rect,
                       int maxLength = 0) const;
    QPushButton* button(QWidget* parent, const char* name, const QString& caption,
                        const QRect& rect) const;
    QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption,
                        const QRect& rect) const;

private:
    template <typename Control>
    Control* place(Control* control, const char* name, const QRect& rect) const;

    WindowFonts m_fonts;
};

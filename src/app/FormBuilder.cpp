#include "app/FormBuilder.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

template <typename Control>
Control* FormBuilder::place(Control* control, const char* name, const QRect& rect) const
{
    control->setObjectName(QString::fromLatin1(name));
    control->setFont(m_fonts.controls);
    control->setGeometry(rect);
    return control;
}

QLabel* FormBuilder::label(QWidget* parent, const char* name, const QString& caption,
                           const QRect& rect, Qt::Alignment alignment) const
{
    auto* label = place(new QLabel(caption, parent), name, rect);
    label->setAlignment(alignment);
    return label;
}

namespace {

// A value display with a single-line border that keeps the standard colour while the text is
// painted red, green or blue (a plain QFrame border would take the text colour).
class BorderedLabel : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QLabel::paintEvent(event);
        QPainter painter(this);
        painter.setPen(QApplication::palette(this).color(QPalette::WindowText));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

} // namespace

QLabel* FormBuilder::borderedLabel(QWidget* parent, const char* name, const QRect& rect) const
{
    auto* label = place(new BorderedLabel(parent), name, rect);
    label->setContentsMargins(1, 1, 1, 1);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setIndent(4);
    return label;
}

QLineEdit* FormBuilder::textBox(QWidget* parent, const char* name, const QString& text,
                                const QRect& rect, int maxLength) const
{
    auto* box = place(new QLineEdit(parent), name, rect);
    if (maxLength > 0)
        box->setMaxLength(maxLength);
    box->setText(text);
    return box;
}

QPushButton* FormBuilder::button(QWidget* parent, const char* name, const QString& caption,
                                 const QRect& rect) const
{
    auto* button = place(new QPushButton(caption, parent), name, rect);
    button->setAutoDefault(false);
    return button;
}

QCheckBox* FormBuilder::checkBox(QWidget* parent, const char* name, const QString& caption,
                                 const QRect& rect) const
{
    return place(new QCheckBox(caption, parent), name, rect);
}

#include "app/pages/FormBuilder.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStaticText>
#include <QTextDocument>

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
// painted red, green or blue (a plain QFrame border would take the text colour). Its text is
// laid out once per change and kept, so that a label rewritten for every printed line does not
// lay its text out again at every repaint.
class BorderedLabel : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        if (Qt::mightBeRichText(text())) {
            QLabel::paintEvent(event);
        } else {
            if (m_laidOut.text() != text() || m_laidOutFont != font()) {
                m_laidOut.setText(text());
                m_laidOut.setTextFormat(Qt::PlainText);
                m_laidOut.prepare(QTransform(), font());
                m_laidOutFont = font();
            }
            QPainter painter(this);
            const QRect area = contentsRect().adjusted(indent(), 0, 0, 0);
            painter.setClipRect(area);
            painter.setFont(font());
            painter.setPen(palette().color(isEnabled() ? QPalette::Normal : QPalette::Disabled,
                                           foregroundRole()));
            const qreal top = area.top() + (area.height() - m_laidOut.size().height()) / 2;
            painter.drawStaticText(QPointF(area.left(), top), m_laidOut);
        }
        QPainter painter(this);
        painter.setPen(QApplication::palette(this).color(QPalette::WindowText));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }

private:
    QStaticText m_laidOut;
    QFont m_laidOutFont;
};

} // namespace

QLabel* FormBuilder::borderedLabel(QWidget* parent, const char* name, const QRect& rect) const
{
    auto* label = place(new BorderedLabel(parent), name, rect);
    // A fixed size spares every change of text a layout request to the page.
    label->setFixedSize(rect.size());
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

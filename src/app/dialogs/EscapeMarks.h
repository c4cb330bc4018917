#pragma once

#include <QObject>
#include <QStyledItemDelegate>

class QLineEdit;
class QPainter;

// The escape character (27) shown legibly whatever the fonts of the machine: as a small framed
// "ESC", painted, instead of a glyph that most fonts lack. The symbol U+241B, which the printed
// lines list's model shows for it, is painted the same way.
namespace escape_marks {

bool isEscape(QChar c);
// The width of one mark beside text in font.
int markWidth(const QFont& font);
// One mark, centred vertically in cell, in colour, over background.
void paintMark(QPainter& painter, const QRect& cell, const QFont& font, const QColor& colour,
               const QColor& background);
// text from the left of rect, vertically centred, each escape character as a mark; what does
// not fit is cut at the right edge.
void paintText(QPainter& painter, const QRect& rect, const QString& text, const QFont& font,
               const QColor& colour, const QColor& background);
int textWidth(const QString& text, const QFont& font);

} // namespace escape_marks

// An item delegate that paints texts with escape characters as marks (see escape_marks).
class EscapeTextDelegate : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EscapeTextDelegate)

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// Marks the escape characters of a line edit: each gets the room of a mark in the edit's
// layout and the mark is painted over it. The edit's text keeps the real characters.
class LineEditEscapeMarks : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LineEditEscapeMarks)

public:
    explicit LineEditEscapeMarks(QLineEdit& edit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void makeRoom();
    void paintMarks();

    QLineEdit& m_edit;
    QString m_roomFor; // the text the rooms were made for
    bool m_painting = false;
};

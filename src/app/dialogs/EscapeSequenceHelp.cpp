#include "app/dialogs/EscapeSequenceHelp.h"

#include "app/dialogs/EscapeMarks.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QChar kEsc(0x1b);
constexpr int kSequenceColumn = 0;

} // namespace

const QList<EscapeSequence>& printEscapeSequences()
{
    static const QList<EscapeSequence> sequences{
        {QStringLiteral("|N"), QObject::tr("Normal: every characteristic off"), true, true},
        {QStringLiteral("|bC"), QObject::tr("Bold"), true, true},
        {QStringLiteral("|!bC"), QObject::tr("Bold off"), true, true},
        {QStringLiteral("|uC"), QObject::tr("Underline"), true, true},
        {QStringLiteral("|2uC"), QObject::tr("Underline, 2 dots thick"), true, true},
        {QStringLiteral("|!uC"), QObject::tr("Underline off"), true, true},
        {QStringLiteral("|rvC"), QObject::tr("Reverse video"), false, true},
        {QStringLiteral("|!rvC"), QObject::tr("Reverse video off"), false, true},
        {QStringLiteral("|1C"), QObject::tr("Single size"), true, true},
        {QStringLiteral("|2C"), QObject::tr("Double width"), true, true},
        {QStringLiteral("|3C"), QObject::tr("Double height"), true, true},
        {QStringLiteral("|4C"), QObject::tr("Double width and height"), true, true},
        {QStringLiteral("|lA"), QObject::tr("Align left"), true, true},
        {QStringLiteral("|cA"), QObject::tr("Centre"), true, true},
        {QStringLiteral("|rA"), QObject::tr("Align right"), true, true},
        {QStringLiteral("|3lF"), QObject::tr("Feed 3 lines (any number)"), true, true},
        {QStringLiteral("|P"), QObject::tr("Full cut"), true, true},
        {QStringLiteral("|50P"), QObject::tr("Partial cut (percentage below 100)"), true, true},
        {QStringLiteral("|fP"), QObject::tr("Feed to the cutter and cut"), true, true},
        {QStringLiteral("|1B"), QObject::tr("Print bitmap 1 stored with SetBitmap"), true, true},
        {QStringLiteral("|tL"), QObject::tr("Print the top logo (a placeholder line)"), true,
         false},
        {QStringLiteral("|bL"), QObject::tr("Print the bottom logo (a placeholder line)"), true,
         false},
        {QStringLiteral("|3E"), QObject::tr("Send the next 3 characters to the printer unchanged"),
         false, true},
    };
    return sequences;
}

EscapeSequenceHelp::EscapeSequenceHelp(QLineEdit& target, QWidget* parent)
    : QDialog(parent), m_target(target)
{
    setObjectName(QStringLiteral("dlgEscapeHelp"));
    setWindowTitle(tr("Print data escape sequences"));
    const QList<EscapeSequence>& sequences = printEscapeSequences();
    auto* table = new QTableWidget(int(sequences.size()), 5, this);
    table->setObjectName(QStringLiteral("tblEscapeSequences"));
    table->setHorizontalHeaderLabels(
        {tr("Sequence"), tr("Meaning"), tr("Simulated"), tr("ESC/POS"), QString()});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setItemDelegateForColumn(kSequenceColumn, new EscapeTextDelegate(table));
    const QString yes = QStringLiteral("\u2713");
    const QString no = QStringLiteral("\u2014");
    for (int row = 0; row < sequences.size(); ++row) {
        const EscapeSequence& sequence = sequences[row];
        table->setItem(row, kSequenceColumn, new QTableWidgetItem(kEsc + sequence.body));
        table->setItem(row, 1, new QTableWidgetItem(sequence.meaning));
        table->setItem(row, 2, new QTableWidgetItem(sequence.simulated ? yes : no));
        table->setItem(row, 3, new QTableWidgetItem(sequence.escPos ? yes : no));
        auto* insert = new QPushButton(tr("Insert"));
        insert->setObjectName(QStringLiteral("cmdInsert%1").arg(row));
        // Enter inserts the selected row, not the first button's.
        insert->setAutoDefault(false);
        connect(insert, &QPushButton::clicked, this, [this, row] { insertRow(row); });
        table->setCellWidget(row, 4, insert);
    }
    table->setCurrentCell(0, kSequenceColumn);
    m_table = table;
    table->installEventFilter(this);
    table->viewport()->installEventFilter(this);
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(false);
    auto* note = new QLabel(tr("The framed ESC stands for the escape character (27). Insert, "
                               "Enter or a double click puts the sequence into the line to print "
                               "at its cursor."));
    note->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(table, 1);
    int width = table->verticalScrollBar()->sizeHint().width() + 4;
    for (int col = 0; col < table->columnCount(); ++col)
        width += table->columnWidth(col);
    resize(width + 24, 520);
}

void EscapeSequenceHelp::insertRow(int row)
{
    const QList<EscapeSequence>& sequences = printEscapeSequences();
    if (row < 0 || row >= sequences.size())
        return;
    m_target.insert(kEsc + sequences[row].body);
    emit inserted();
}

bool EscapeSequenceHelp::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_table->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const int row =
            m_table->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint()).row();
        m_table->setCurrentCell(row, kSequenceColumn);
        insertRow(row);
        return true;
    }
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            insertRow(m_table->currentRow());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

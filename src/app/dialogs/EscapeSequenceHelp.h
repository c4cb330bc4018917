#pragma once

#include <QDialog>
#include <QList>

class QLineEdit;
class QTableWidget;

// One print-data escape sequence: what follows ESC, what it does, and which printers obey it.
struct EscapeSequence
{
    QString body; // after ESC, as "|bC"
    QString meaning;
    bool simulated = false;
    bool escPos = false;
};

// The escape sequences the simulated and ESC/POS printers understand.
const QList<EscapeSequence>& printEscapeSequences();

// "Print data escape sequences": each sequence with what it does, which printers obey it, and an
// Insert button that puts it, with a real ESC, into the line to print at its cursor; Enter and
// a double click insert the selected row's.
class EscapeSequenceHelp : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EscapeSequenceHelp)

public:
    EscapeSequenceHelp(QLineEdit& target, QWidget* parent);

signals:
    void inserted();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void insertRow(int row);

    QLineEdit& m_target;
    QTableWidget* m_table = nullptr;
};

#pragma once

#include "printer/PrinterContext.h"

#include <QObject>
#include <QString>

class LineCommands;
class RunningHandlers;
class QCheckBox;
class QLabel;
class QLineEdit;

// The fields of the "File PRINT" page that file printing reads or writes itself; the line and
// cut commands read the page's AsyncMode box and fill its other OutputID labels.
struct FilePrintWidgets
{
    QLineEdit* txtSelection;
    QCheckBox* chkCutPaper;
    QLineEdit* txtCutPaperAtEnd;
    QLabel* lblFileTransPrintOutputID;
};

// Chooses a text file, opens it in the user's editor, and prints it one line per print call,
// normally, immediately or inside a printer transaction, with an optional cut at the end. The
// lines and the cut are printed by the line commands, handed over through the module flags.
// The job yields to the event loop after every line, so the window stays responsive, and ends
// after the current line once the window's handlers are asked to stop.
class FilePrintCommands : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FilePrintCommands)

public:
    FilePrintCommands(const PrinterContext& context, LineCommands& lineCommands,
                      const FilePrintWidgets& widgets, const RunningHandlers& running,
                      QObject* parent = nullptr);

    void Select();
    void Edit();
    void FilePrintNormal();
    void FilePrintImmediate();
    void TransactionPrint();

private:
    enum class LineMethod
    {
        Normal,
        Immediate
    };
    void printFile(LineMethod method);
    void printLines(const QString& path, LineMethod method);
    void cutAtEnd();
    int32_t transactionPrint(int32_t control);
    void endTransaction(); // prints what the transaction collected and logs the outcome

    PrinterContext m_context;
    LineCommands& m_lineCommands;
    FilePrintWidgets m_widgets;
    const RunningHandlers& m_running;
};

#pragma once

#include "printer/PrinterContext.h"

#include <QObject>
#include <QString>
#include <functional>

class LineCommands;
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
// The job yields to the event loop after every line, so the window stays responsive.
class FilePrintCommands : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FilePrintCommands)

public:
    FilePrintCommands(const PrinterContext& context, LineCommands& lineCommands,
                      const FilePrintWidgets& widgets, QObject* parent = nullptr);

    void Select();
    void Edit();
    void FilePrintNormal();
    void FilePrintImmediate();
    void TransactionPrint();

    // Asks a running file job to stop after its current line; once the job has unwound, `then`
    // runs from the event loop. Returns false, keeping nothing, when no job runs.
    bool StopJobThen(std::function<void()> then);

private:
    enum class LineMethod
    {
        Normal,
        Immediate
    };
    class JobScope;

    void printFile(LineMethod method);
    void printLines(const QString& path, LineMethod method);
    void cutAtEnd();
    int32_t transactionPrint(int32_t control);
    void endTransaction(); // prints what the transaction collected and logs the outcome

    PrinterContext m_context;
    LineCommands& m_lineCommands;
    FilePrintWidgets m_widgets;
    bool m_stopRequested = false;
    std::function<void()> m_afterStop;
};

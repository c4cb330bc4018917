#pragma once

#include "printer/PrinterContext.h"

#include <QObject>
#include <QString>
#include <cstdint>

class PrinterListModel;
class QCheckBox;
class QLabel;
class QLineEdit;

// The fields the line and cut commands read or write: those of the "Line PRINT" page, and those
// of the "File PRINT" page used when file printing hands them a line or its final cut.
struct LineCommandWidgets
{
    QLineEdit* txtPrint;
    QCheckBox* chkAsyncMode;
    QLabel* lblPrintOutputID;
    QLineEdit* txtCutPaper;
    QLabel* lblCutOutputID;
    QCheckBox* chkFileAsyncMode;
    QLabel* lblFilePrintOutputID;
    QLineEdit* txtCutPaperAtEnd;
    QLabel* lblFileCutOutputID;
    PrinterListModel* lstPrinter;
};

// Prints one line on the receipt station or cuts the paper. Each attempt is logged; an open cover
// or an empty receipt asks whether to retry, and giving up clears the pending output. File
// printing runs these same commands, handing over its line (FileLinePending, FileLineText) or its
// cut (FileCutPending) through the module flags.
class LineCommands : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LineCommands)

public:
    LineCommands(const PrinterContext& context, const LineCommandWidgets& widgets,
                 QObject* parent = nullptr);

    void PrintNormal();
    void PrintImmediate();
    void CutPaper();

    // The same rules for a caller that brings its own text or percentage and has set AsyncMode:
    // each attempt logged, a printed line echoed, the retry box for an open cover or empty
    // paper. No OutputID is shown. Returns the last code reported; 0 when it was printed.
    int32_t PrintNormalText(const QString& text);
    int32_t CutPaperPercentage(int32_t percentage);

private:
    enum class Outcome
    {
        Done,
        Retry,
        GiveUp
    };
    enum class LineMethod
    {
        Normal,
        Immediate
    };

    void printLine(LineMethod method);
    int32_t printAttempts(LineMethod method, const QString& text, QLabel* outputIdLabel);
    void cutPaper();
    int32_t cutAttempts(int32_t percentage, QLabel* outputIdLabel);
    // Lamps, echo, OutputID, log row and, for an open cover or empty paper, the retry question.
    // code: the result after the extended substitution.
    Outcome finishAttempt(int32_t result, const QString& logText, const QString& echo,
                          QLabel* outputIdLabel, int32_t& code);
    void clearOutput();

    PrinterContext m_context;
    LineCommandWidgets m_widgets;
};

#pragma once

#include "printer/PrinterContext.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

class PrinterListModel;
class QCheckBox;
class QLabel;
class QLineEdit;

// The fields the line and cut commands read or write: those of the "Line PRINT" page, and those
// of the "File PRINT" page used when file printing runs them for a line or its final cut.
struct LineCommandWidgets
{
    QLineEdit* txtPrint;
    QCheckBox* chkAsyncMode;
    QLabel* lblPrintOutputID;
    QLineEdit* txtCutPaper;
    QLabel* lblCutOutputID;
    QCheckBox* chkFileAsyncMode;
    QLabel* lblFilePrintOutputID;
    QLabel* lblFileCutOutputID;
    PrinterListModel* lstPrinter;
};

// Prints one line on the receipt station or cuts the paper. Each attempt is logged; an open cover
// or an empty receipt asks whether to retry, and giving up clears the pending output. File
// printing runs these same commands through their file entry points, which take the line or the
// cut percentage and use the "File PRINT" page's AsyncMode box and OutputID labels.
class LineCommands : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LineCommands)

public:
    enum class LineMethod
    {
        Normal,
        Immediate
    };

    LineCommands(const PrinterContext& context, const LineCommandWidgets& widgets,
                 QObject* parent = nullptr);

    // The buttons of the "Line PRINT" page.
    void PrintNormal();
    void PrintImmediate();
    void CutPaper();

    // The same rules for a caller that brings its own text or percentage and has set AsyncMode:
    // each attempt logged, a printed line echoed, the retry box for an open cover or empty
    // paper. No OutputID is shown. Returns the last code reported; 0 when it was printed.
    int32_t PrintNormalText(const QString& text);
    int32_t CutPaperPercentage(int32_t percentage);
    // Any other print call (a barcode, an image) under the same rules: each attempt logged as
    // logText with its arguments kept, echo() added to the list when it printed, the retry box.
    // Returns the last code.
    int32_t PrintAttempts(const std::function<int32_t()>& call, const QString& logText,
                          const std::function<QString()>& echo, const QString& arguments = {});
    // One line of a file, printed even when empty; sets PrintCancelled as the buttons do. The
    // line is taken over: a line with room for one more character is printed without a copy.
    void PrintFileLine(LineMethod method, QString line);
    // The cut at the end of a file; a percentage that is not a number is a run-time failure.
    void CutAtEndOfFile(const QString& percentage);

private:
    enum class Outcome
    {
        Done,
        Retry,
        GiveUp
    };
    enum class Source
    {
        LinePage,
        File
    };

    void printPageLine(LineMethod method);
    void printLine(LineMethod method, Source source, QString text);
    int32_t printAttempts(LineMethod method, QString text, QLabel* outputIdLabel);
    void cutPaper(Source source, const QString& percentageText);
    int32_t cutAttempts(int32_t percentage, QLabel* outputIdLabel);
    struct LoggedCall
    {
        QString text;      // the log row's method
        QString arguments; // kept with the row
    };
    // Lamps, echo, OutputID, log row and, for an open cover or empty paper, the retry question.
    // code: the result after the extended substitution.
    Outcome finishAttempt(int32_t result, const LoggedCall& call, QStringView echo,
                          QLabel* outputIdLabel, int32_t& code);
    void clearOutput();

    PrinterContext m_context;
    LineCommandWidgets m_widgets;
};

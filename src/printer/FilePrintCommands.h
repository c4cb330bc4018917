#pragma once

#include "printer/LineCommands.h"
#include "printer/PrinterContext.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class BackgroundLineCount;
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
// lines and the cut are printed by the line commands. The file is read a bounded stretch ahead
// on a thread of its own, so memory stays small whatever its size, and the window goes on while
// a line of megabytes is read. The job yields to the event loop after every line, so the
// window stays responsive, and ends after the current line when Stop is asked for or the
// window's handlers are asked to stop; it then ends as a cancelled job does: no cut, and a
// transaction still closed.
class FilePrintCommands : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FilePrintCommands)

public:
    FilePrintCommands(const PrinterContext& context, LineCommands& lineCommands,
                      const FilePrintWidgets& widgets, const RunningHandlers& running,
                      QObject* parent = nullptr);
    ~FilePrintCommands() override;

    void Select();
    void Edit();
    void FilePrintNormal();
    void FilePrintImmediate();
    void TransactionPrint();

    // Ends the running job after its current line; nothing without one.
    void StopJob();

    struct Progress
    {
        bool running = false;
        qint64 line = 0;               // lines handed to the printer so far
        std::optional<qint64> lines;   // the file's length, once counted
        bool waitingForOutput = false; // before closing the transaction
    };
    Progress progress() const;
    // Where the last job ended when Stop ended it (line: the last line printed); empty when it
    // ran to its end, failed or was cancelled otherwise. A new job clears it.
    std::optional<Progress> stoppedAt() const { return m_stoppedAt; }

signals:
    void jobStarted();
    void jobEnded();

private:
    using LineMethod = LineCommands::LineMethod;
    void printFile(LineMethod method);
    void printLines(const QString& path, LineMethod method);
    void cutAtEnd();
    int32_t transactionPrint(int32_t control);
    void endTransaction();       // prints what the transaction collected and logs the outcome
    bool waitForEarlierOutput(); // false when a stop ended the wait first
    // Turns the event loop until done() holds or a stop is asked for, looking every few
    // milliseconds and at once after a wake from another thread (wakeWait).
    void waitWhileWindowGoesOn(const std::function<bool()>& done);
    void wakeWait();
    bool stopRequested() const;

    PrinterContext m_context;
    LineCommands& m_lineCommands;
    FilePrintWidgets m_widgets;
    const RunningHandlers& m_running;
    bool m_stopRequested = false;
    qint64 m_line = 0;
    qint64 m_printedLine = 0;
    std::optional<Progress> m_stoppedAt;
    bool m_waitingForOutput = false;
    std::function<void()> m_checkWait;                // the running wait's look, while one runs
    std::unique_ptr<BackgroundLineCount> m_lineCount; // while a job runs
};

#include "printer/FilePrintCommands.h"

#include "opos/FilePrintLines.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "opos/ReadAheadLines.h"
#include "printer/FilePrintGuard.h"
#include "printer/LineCommands.h"
#include "printer/ResultReporting.h"
#include "services/FailureTrap.h"
#include "services/ModuleFlags.h"
#include "services/Numbers.h"
#include "services/RunningHandlers.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QTimer>
#include <stdexcept>
#include <utility>

namespace {

// How often a job that waits (for earlier output, for a long line) looks whether it is over.
constexpr int kWaitPollMs = 20;
// A job turns the event loop after its first line and then at least this often: the window
// repaints, takes Stop and delivers events, without a turn per line costing more than the line.
constexpr int kYieldEveryMs = 1;

} // namespace

FilePrintCommands::FilePrintCommands(const PrinterContext& context, LineCommands& lineCommands,
                                     const FilePrintWidgets& widgets,
                                     const RunningHandlers& running, QObject* parent)
    : QObject(parent), m_context(context), m_lineCommands(lineCommands), m_widgets(widgets),
      m_running(running)
{}

FilePrintCommands::~FilePrintCommands() = default;

void FilePrintCommands::StopJob()
{
    if (m_context.flags.FileJobRunning)
        m_stopRequested = true;
}

FilePrintCommands::Progress FilePrintCommands::progress() const
{
    Progress now;
    now.running = m_context.flags.FileJobRunning;
    if (!now.running)
        return now;
    now.line = m_line;
    now.lines = m_lineCount ? m_lineCount->result() : std::nullopt;
    now.waitingForOutput = m_waitingForOutput;
    return now;
}

bool FilePrintCommands::stopRequested() const
{
    return m_stopRequested || m_running.stopRequested();
}

void FilePrintCommands::Select()
{
    trapFailures(m_context.dialogs, kErrorMessageTitle, [this] {
        const Dialogs::OpenFileRequest request{
            QStringLiteral("Select TXT File to Print"), QStringLiteral("TXT (*.txt)|*.txt"),
            QCoreApplication::applicationDirPath(), QStringLiteral("*.txt")};
        m_widgets.txtSelection->setText(m_context.dialogs.openFile(request).value_or(QString()));
    });
}

void FilePrintCommands::Edit()
{
    trapFailures(m_context.dialogs, kErrorMessageTitle, [this] {
        const QString path = m_widgets.txtSelection->text();
        if (path.isEmpty()) {
            m_context.dialogs.warning(QStringLiteral("NO FILE selected!"), kErrorMessageTitle);
            return;
        }
        // Whether the file exists is the editor's matter. The path goes as an absolute one, so
        // that a name starting with '-' cannot reach the editor as an option.
        m_context.dialogs.startEditor(QFileInfo(path).absoluteFilePath());
    });
}

void FilePrintCommands::FilePrintNormal()
{
    trapFailures(m_context.dialogs, kErrorMessageTitle, [this] { printFile(LineMethod::Normal); });
}

void FilePrintCommands::FilePrintImmediate()
{
    trapFailures(m_context.dialogs, kErrorMessageTitle,
                 [this] { printFile(LineMethod::Immediate); });
}

void FilePrintCommands::TransactionPrint()
{
    trapFailures(m_context.dialogs, kErrorMessageTitle, [this] {
        if (refusedDuringFileJob(m_context))
            return;
        ModuleFlags& flags = m_context.flags;
        flags.TransactionActive = true;
        // Also after a failure: a transaction flag left set would bracket every later job.
        const auto reset = qScopeGuard([&flags] { flags.TransactionActive = false; });
        printFile(LineMethod::Normal);
    });
}

void FilePrintCommands::printFile(LineMethod method)
{
    if (refusedDuringFileJob(m_context))
        return;
    const QString path = m_widgets.txtSelection->text();
    if (path.isEmpty()) {
        m_context.dialogs.warning(QStringLiteral("NO FILE selected!"), kErrorMessageTitle);
        return;
    }
    // A directory, a pipe or a device is no file to print.
    if (!QFileInfo(path).isFile()) {
        m_context.dialogs.warning(QStringLiteral("NO VALID FILE selected!"), kErrorMessageTitle);
        return;
    }

    ModuleFlags& flags = m_context.flags;
    flags.FileJobRunning = true;
    m_stopRequested = false;
    m_line = 0;
    m_printedLine = 0;
    m_stoppedAt.reset();
    m_lineCount = std::make_unique<BackgroundLineCount>(path);
    emit jobStarted();
    const auto jobEnds = qScopeGuard([this, &flags] {
        if (m_stopRequested)
            m_stoppedAt = Progress{false, m_printedLine, m_lineCount->result(), false};
        flags.FileJobRunning = false;
        m_lineCount.reset();
        emit jobEnded();
    });
    const bool transaction = method == LineMethod::Normal && flags.TransactionActive;
    if (transaction) {
        const int32_t code =
            resolveExtendedResult(m_context, transactionPrint(opos::PTR_TP_TRANSACTION));
        logResult(m_context, QStringLiteral("TransactionPrint(TRANSACTION)"), code);
        if (code != opos::OPOS_SUCCESS)
            return;
    }

    {
        // The PRINTING lamp shows a job in progress: it goes out however the job ends.
        flags.PrintingBusy = true;
        const auto notBusy = qScopeGuard([&flags] { flags.PrintingBusy = false; });
        try {
            printLines(path, method);
            if (!flags.PrintCancelled && !stopRequested())
                cutAtEnd();
        } catch (...) {
            // A printer left inside the transaction would only collect every later print.
            if (transaction)
                endTransaction();
            throw;
        }
    }
    if (transaction)
        endTransaction(); // also after a cancelled line
}

void FilePrintCommands::endTransaction()
{
    // A synchronous TransactionPrint is refused while earlier asynchronous output still prints,
    // which would leave the printer collecting every later print: wait for that output first.
    // When a stop ends the wait, the closing call queues behind that output instead.
    // AsyncMode is switched on for that closing call only: the job leaves it as it found it.
    opos::PosPrinter& printer = m_context.printer;
    const bool wasAsync = printer.AsyncMode();
    if (!wasAsync && !waitForEarlierOutput())
        printer.SetAsyncMode(true);
    int32_t code = transactionPrint(opos::PTR_TP_NORMAL);
    if (code == opos::OPOS_SUCCESS)
        m_widgets.lblFileTransPrintOutputID->setText(QString::number(m_context.printer.OutputID()));
    code = resolveExtendedResult(m_context, code);
    logResult(m_context, QStringLiteral("TransactionPrint(NORMAL)"), code);
    // Only now: the write sets ResultCode, which the row above reports on.
    printer.SetAsyncMode(wasAsync);
}

void FilePrintCommands::printLines(const QString& path, LineMethod method)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("The file cannot be opened: " + file.errorString().toStdString());
    ReadAheadLines lines(file, [this] { wakeWait(); });
    QDeadlineTimer nextYield(0);
    while (!stopRequested()) {
        ReadAheadLines::Next next = lines.take();
        if (next.kind == ReadAheadLines::Kind::Later) {
            // A long line is still being read: the window goes on until it is there.
            waitWhileWindowGoesOn([&lines] { return lines.ready(); });
            continue;
        }
        if (next.kind == ReadAheadLines::Kind::End)
            break;
        ++m_line;
        m_lineCommands.PrintFileLine(method, std::move(next.line));
        if (m_context.flags.PrintCancelled)
            break;
        m_printedLine = m_line;
        if (nextYield.hasExpired()) {
            QCoreApplication::processEvents();
            nextYield.setRemainingTime(kYieldEveryMs);
        }
    }
}

bool FilePrintCommands::waitForEarlierOutput()
{
    const opos::PosPrinter& printer = m_context.printer;
    const auto done = [&printer] {
        const int32_t state = printer.State();
        return state != opos::OPOS_S_BUSY && state != opos::OPOS_S_ERROR;
    };
    if (done())
        return true;
    // The window goes on meanwhile, as in the yields between lines: an error of that output
    // asks its question, and Stop or a close ends the wait.
    m_waitingForOutput = true;
    waitWhileWindowGoesOn(done);
    m_waitingForOutput = false;
    return done();
}

void FilePrintCommands::waitWhileWindowGoesOn(const std::function<bool()>& done)
{
    if (done() || stopRequested())
        return;
    QEventLoop loop;
    QTimer poll;
    const std::function<void()> check = [&] {
        if (done() || stopRequested())
            loop.quit();
    };
    QObject::connect(&poll, &QTimer::timeout, &loop, check);
    poll.start(kWaitPollMs);
    const QScopedValueRollback current(m_checkWait, check);
    loop.exec();
}

void FilePrintCommands::wakeWait()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_checkWait)
                m_checkWait();
        },
        Qt::QueuedConnection);
}

void FilePrintCommands::cutAtEnd()
{
    if (m_widgets.chkCutPaper->checkState() != Qt::Checked)
        return;
    // An empty or non-numeric percentage skips the cut without a message.
    if (!numbers::IsNumeric(m_widgets.txtCutPaperAtEnd->text()))
        return;
    m_lineCommands.CutAtEndOfFile(m_widgets.txtCutPaperAtEnd->text());
}

int32_t FilePrintCommands::transactionPrint(int32_t control)
{
    return m_context.printer.TransactionPrint(opos::PTR_S_RECEIPT, control);
}

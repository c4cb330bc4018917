#include "printer/FilePrintCommands.h"

#include "opos/FilePrintLines.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "printer/FilePrintGuard.h"
#include "printer/LineCommands.h"
#include "printer/ResultReporting.h"
#include "services/FailureTrap.h"
#include "services/ModuleFlags.h"
#include "services/Numbers.h"
#include "services/RunningHandlers.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <stdexcept>
#include <utility>

FilePrintCommands::FilePrintCommands(const PrinterContext& context, LineCommands& lineCommands,
                                     const FilePrintWidgets& widgets,
                                     const RunningHandlers& running, QObject* parent)
    : QObject(parent), m_context(context), m_lineCommands(lineCommands), m_widgets(widgets),
      m_running(running)
{}

void FilePrintCommands::Select()
{
    TrapFailures(m_context.dialogs, kErrorMessageTitle, [this] {
        const Dialogs::OpenFileRequest request{
            QStringLiteral("Select TXT File to Print"), QStringLiteral("TXT (*.txt)|*.txt"),
            QCoreApplication::applicationDirPath(), QStringLiteral("*.txt")};
        m_widgets.txtSelection->setText(m_context.dialogs.openFile(request).value_or(QString()));
    });
}

void FilePrintCommands::Edit()
{
    TrapFailures(m_context.dialogs, kErrorMessageTitle, [this] {
        const QString path = m_widgets.txtSelection->text();
        if (path.isEmpty()) {
            m_context.dialogs.warning(QStringLiteral("NO FILE selected!"), kErrorMessageTitle);
            return;
        }
        // The path goes to the editor as typed; whether the file exists is the editor's matter.
        if (!m_context.dialogs.startEditor(path))
            throw std::runtime_error("The text editor could not be started for " +
                                     path.toStdString());
    });
}

void FilePrintCommands::FilePrintNormal()
{
    TrapFailures(m_context.dialogs, kErrorMessageTitle, [this] { printFile(LineMethod::Normal); });
}

void FilePrintCommands::FilePrintImmediate()
{
    TrapFailures(m_context.dialogs, kErrorMessageTitle,
                 [this] { printFile(LineMethod::Immediate); });
}

void FilePrintCommands::TransactionPrint()
{
    TrapFailures(m_context.dialogs, kErrorMessageTitle, [this] {
        if (RefusedDuringFileJob(m_context))
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
    if (RefusedDuringFileJob(m_context))
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
    const auto jobEnds = qScopeGuard([&flags] { flags.FileJobRunning = false; });
    const bool transaction = method == LineMethod::Normal && flags.TransactionActive;
    if (transaction) {
        const int32_t code =
            ResolveExtendedResult(m_context, transactionPrint(opos::PTR_TP_TRANSACTION));
        LogResult(m_context.log, QStringLiteral("TransactionPrint(TRANSACTION)"), code);
        if (code != opos::OPOS_SUCCESS)
            return;
    }

    flags.PrintingBusy = true;
    try {
        printLines(path, method);
        if (!flags.PrintCancelled && !m_running.stopRequested())
            cutAtEnd();
    } catch (...) {
        // A printer left inside the transaction would only collect every later print.
        if (transaction)
            endTransaction();
        throw;
    }
    flags.PrintingBusy = false;
    if (transaction)
        endTransaction(); // also after a cancelled line
}

void FilePrintCommands::endTransaction()
{
    int32_t code = transactionPrint(opos::PTR_TP_NORMAL);
    if (code == opos::OPOS_SUCCESS)
        m_widgets.lblFileTransPrintOutputID->setText(QString::number(m_context.printer.OutputID()));
    code = ResolveExtendedResult(m_context, code);
    LogResult(m_context.log, QStringLiteral("TransactionPrint(NORMAL)"), code);
}

void FilePrintCommands::printLines(const QString& path, LineMethod method)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("The file cannot be opened: " + file.errorString().toStdString());
    TextFileLines lines(file);
    ModuleFlags& flags = m_context.flags;
    while (!m_running.stopRequested()) {
        std::optional<QString> line = lines.next();
        if (!line)
            break;
        flags.FileLineText = std::move(*line);
        flags.FileLinePending = true;
        if (method == LineMethod::Normal)
            m_lineCommands.PrintNormal();
        else
            m_lineCommands.PrintImmediate();
        if (flags.PrintCancelled)
            break;
        QCoreApplication::processEvents();
    }
}

void FilePrintCommands::cutAtEnd()
{
    if (m_widgets.chkCutPaper->checkState() != Qt::Checked)
        return;
    // An empty or non-numeric percentage skips the cut without a message.
    if (!numbers::IsNumeric(m_widgets.txtCutPaperAtEnd->text()))
        return;
    m_context.flags.FileCutPending = true;
    m_lineCommands.CutPaper();
}

int32_t FilePrintCommands::transactionPrint(int32_t control)
{
    return m_context.printer.TransactionPrint(opos::PTR_S_RECEIPT, control);
}

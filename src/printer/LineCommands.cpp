#include "printer/LineCommands.h"

#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "printer/FilePrintGuard.h"
#include "printer/ResultReporting.h"
#include "services/CallOutcome.h"
#include "services/ErrorLamps.h"
#include "services/FailureTrap.h"
#include "services/FrameRateLabel.h"
#include "services/ModuleFlags.h"
#include "services/Numbers.h"
#include "services/PrinterListModel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <stdexcept>
#include <utility>

namespace {

// What a successful cut adds to the list of printed output.
const QString kCutMarker = QStringLiteral("/\\").repeated(28);

bool isChecked(const QCheckBox* box)
{
    return box->checkState() == Qt::Checked;
}

} // namespace

LineCommands::LineCommands(const PrinterContext& context, const LineCommandWidgets& widgets,
                           QObject* parent)
    : QObject(parent), m_context(context), m_widgets(widgets)
{}

void LineCommands::PrintNormal()
{
    trapFailures(m_context.dialogs, kErrorMessageTitle,
                 [this] { printPageLine(LineMethod::Normal); });
}

void LineCommands::PrintImmediate()
{
    trapFailures(m_context.dialogs, kErrorMessageTitle,
                 [this] { printPageLine(LineMethod::Immediate); });
}

void LineCommands::CutPaper()
{
    trapFailures(m_context.dialogs, kErrorMessageTitle, [this] {
        if (refusedDuringFileJob(m_context))
            return;
        const QString percentageText = m_widgets.txtCutPaper->text();
        if (!numbers::IsNumeric(percentageText)) {
            m_context.dialogs.warning(QStringLiteral("PARAMETER PERCENTAGE Missing or invalid!"),
                                      kErrorMessageTitle);
            return;
        }
        cutPaper(Source::LinePage, percentageText);
    });
}

void LineCommands::PrintFileLine(LineMethod method, QString line)
{
    trapFailures(m_context.dialogs, kErrorMessageTitle,
                 [&] { printLine(method, Source::File, std::move(line)); });
}

void LineCommands::CutAtEndOfFile(const QString& percentage)
{
    trapFailures(m_context.dialogs, kErrorMessageTitle, [&] {
        // File printing checked the field just before; a text that is still not a number is a
        // run-time failure rather than a cut of 0 %.
        if (!numbers::IsNumeric(percentage))
            throw std::invalid_argument("Invalid cut percentage: " + percentage.toStdString());
        cutPaper(Source::File, percentage);
    });
}

void LineCommands::printPageLine(LineMethod method)
{
    if (refusedDuringFileJob(m_context))
        return;
    QString text = m_widgets.txtPrint->text();
    if (text.isEmpty()) {
        m_context.dialogs.warning(QStringLiteral("PRINT LINE Missing!"), kErrorMessageTitle);
        return;
    }
    printLine(method, Source::LinePage, std::move(text));
}

void LineCommands::printLine(LineMethod method, Source source, QString text)
{
    const bool fromFile = source == Source::File;
    opos::PosPrinter& printer = m_context.printer;
    QLabel* outputIdLabel = nullptr; // PrintImmediate is always synchronous: no OutputID
    if (method == LineMethod::Normal) {
        printer.SetAsyncMode(
            isChecked(fromFile ? m_widgets.chkFileAsyncMode : m_widgets.chkAsyncMode));
        outputIdLabel = fromFile ? m_widgets.lblFilePrintOutputID : m_widgets.lblPrintOutputID;
    }
    printAttempts(method, std::move(text), outputIdLabel);
}

int32_t LineCommands::PrintNormalText(const QString& text)
{
    return printAttempts(LineMethod::Normal, text, nullptr);
}

int32_t LineCommands::printAttempts(LineMethod method, QString text, QLabel* outputIdLabel)
{
    ModuleFlags& flags = m_context.flags;
    opos::PosPrinter& printer = m_context.printer;
    const QString logText = method == LineMethod::Normal ? QStringLiteral("PrintNormal()")
                                                         : QStringLiteral("PrintImmediate()");
    // The text becomes the data: a line of megabytes is not copied to end it.
    QString data = std::move(text);
    data.append(QLatin1Char('\n'));
    const QStringView echo = QStringView(data).chopped(1);

    Outcome outcome = Outcome::Retry;
    int32_t code = 0;
    while (outcome == Outcome::Retry) {
        flags.PrintCancelled = false;
        const int32_t result = method == LineMethod::Normal
                                   ? printer.PrintNormal(opos::PTR_S_RECEIPT, data)
                                   : printer.PrintImmediate(opos::PTR_S_RECEIPT, data);
        outcome =
            finishAttempt(result, {logText, printedDataArgument(data)}, echo, outputIdLabel, code);
    }
    if (outcome == Outcome::GiveUp) {
        flags.PrintCancelled = true;
        clearOutput();
    }
    return code;
}

void LineCommands::cutPaper(Source source, const QString& percentageText)
{
    const bool fromFile = source == Source::File;
    opos::PosPrinter& printer = m_context.printer;
    printer.SetAsyncMode(isChecked(fromFile ? m_widgets.chkFileAsyncMode : m_widgets.chkAsyncMode));
    QLabel* outputIdLabel = fromFile ? m_widgets.lblFileCutOutputID : m_widgets.lblCutOutputID;

    // No range check: the device answers for a percentage it does not accept.
    cutAttempts(numbers::toLong(numbers::toDouble(percentageText)), outputIdLabel);
}

int32_t LineCommands::CutPaperPercentage(int32_t percentage)
{
    return cutAttempts(percentage, nullptr);
}

int32_t LineCommands::cutAttempts(int32_t percentage, QLabel* outputIdLabel)
{
    Outcome outcome = Outcome::Retry;
    int32_t code = 0;
    while (outcome == Outcome::Retry) {
        const int32_t result = m_context.printer.CutPaper(percentage);
        outcome = finishAttempt(
            result, {QStringLiteral("CutPaper()"), QStringLiteral("%1 %").arg(percentage)},
            kCutMarker, outputIdLabel, code);
    }
    if (outcome == Outcome::GiveUp)
        clearOutput(); // a cut never touches PrintCancelled
    return code;
}

int32_t LineCommands::PrintAttempts(const std::function<int32_t()>& call, const QString& logText,
                                    const std::function<QString()>& echo, const QString& arguments)
{
    Outcome outcome = Outcome::Retry;
    int32_t code = 0;
    while (outcome == Outcome::Retry) {
        const int32_t result = call();
        outcome = finishAttempt(result, {logText, arguments},
                                result == opos::OPOS_SUCCESS ? echo() : QString(), nullptr, code);
    }
    if (outcome == Outcome::GiveUp)
        clearOutput();
    return code;
}

LineCommands::Outcome LineCommands::finishAttempt(int32_t result, const LoggedCall& call,
                                                  QStringView echo, QLabel* outputIdLabel,
                                                  int32_t& code)
{
    code = result;
    if (code != opos::OPOS_SUCCESS) {
        if (code == opos::OPOS_E_EXTENDED)
            code = resolveExtendedResult(m_context, code);
        else
            m_context.lamps.ResetErrorLamps(code);
    }
    if (code == opos::OPOS_SUCCESS) {
        PrinterListModel& list = *m_widgets.lstPrinter;
        list.AddItem(echo);
        list.SetListIndex(list.ListCount() - 1);
        // Inside a transaction only the closing TransactionPrint has an OutputID worth showing.
        if (outputIdLabel && !m_context.flags.TransactionActive)
            showAtFrameRate(*outputIdLabel, QString::number(m_context.printer.OutputID()));
    }
    logResult(m_context, call.text, code, call.arguments);

    QString prompt;
    if (code == opos::OPOS_EPTR_COVER_OPEN)
        prompt = QStringLiteral("PRINTER COVER IS OPEN!, retry?");
    else if (code == opos::OPOS_EPTR_REC_EMPTY)
        prompt = QStringLiteral("PRINTER IS OUT OF PAPER!, retry?");
    else
        return Outcome::Done;
    return m_context.dialogs.question(prompt, kErrorMessageTitle) == Dialogs::Answer::Ok
               ? Outcome::Retry
               : Outcome::GiveUp;
}

void LineCommands::clearOutput()
{
    logResult(m_context, QStringLiteral("ClearOutput()"), m_context.printer.ClearOutput(), {},
              OnSuccess::KeepNote);
}

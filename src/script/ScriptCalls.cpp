// The statements that act: control-object calls, property reads and writes, file printing and
// the simulated devices' controls.
#include "backends/netprinter/NetworkPrinter.h"
#include "backends/sim/ReceiptImage.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/CashDrawer.h"
#include "opos/FilePrintLines.h"
#include "opos/LineDisplay.h"
#include "opos/OposConstants.h"
#include "opos/OposNames.h"
#include "opos/PosPrinter.h"
#include "opos/PrinterPropertyIndex.h"
#include "script/ScriptLexer.h"
#include "script/ScriptProperties.h"
#include "script/ScriptRunner.h"
#include "script/TextWriter.h"
#include "script/TranscriptText.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <stdexcept>

namespace script {

namespace {

int32_t argument(const Step& step, int position, int32_t otherwise)
{
    return step.arguments.number(position, otherwise);
}

} // namespace

// The text a call gives the control object, in a string whose room serves every call; one a
// callee kept is left to it. Lines written alike share their text, which is then in the string
// already, unless a callee kept it or holds it still.
const QString& ScriptRunner::textArgument(const Step& step, int position)
{
    static const QString none;
    static const QString empty = QStringLiteral("");
    const TextSpan span = step.arguments.textSpan(position);
    if (span.length < 0)
        return none;
    if (span.length == 0)
        return empty;
    const bool detached = m_callText.isDetached();
    if (detached && span.start == m_callTextSpan.start && span.length == m_callTextSpan.length)
        return m_callText;
    if (!detached)
        m_callText = QString();
    const QStringView text = m_script->argumentText(step, position);
    m_callText.resize(text.size());
    std::copy_n(text.data(), text.size(), m_callText.data());
    m_callTextSpan = span;
    return m_callText;
}

// A file named in a script, found beside the script; an empty name stays empty.
QString ScriptRunner::scriptFile(const Step& step, int position) const
{
    const QString name = m_script->argumentText(step, position).toString();
    return name.isEmpty() ? name : QDir(m_folder).filePath(name);
}

void ScriptRunner::call(const Step& step)
{
    try {
        switch (step.kind) {
        case Step::Kind::Call: {
            const int32_t result = step.device == DeviceClass::Printer
                                       ? callPrinter(step)
                                       : callCompanion(step, companion(step.device));
            const int32_t extended = step.device == DeviceClass::Printer
                                         ? m_printer->ResultCodeExtended()
                                         : companion(step.device).ResultCodeExtended();
            recordCall(step, result, extended);
            break;
        }
        case Step::Kind::PrintFile:
            printFile(step);
            break;
        case Step::Kind::SetProperty:
            setProperty(step);
            break;
        case Step::Kind::GetProperty:
            readAndShow(step);
            break;
        case Step::Kind::Sim:
            simulate(step);
            writeLine(u"sim", [this, &step](TextWriter& line) { putStatementCall(line, step); },
                      {});
            break;
        default:
            break;
        }
    } catch (const std::exception& failure) {
        recordFailure(step, QString::fromUtf8(failure.what()));
    }
}

int32_t ScriptRunner::callPrinter(const Step& step)
{
    opos::PosPrinter& p = *m_printer;
    switch (step.member) {
    case Member::Open:
        return p.Open(step.arguments.isEmpty() ? m_names[0] : textArgument(step, 0));
    case Member::ClaimDevice:
        return p.ClaimDevice(argument(step, 0, 0));
    case Member::ReleaseDevice:
        return p.ReleaseDevice();
    case Member::Close:
        return p.Close();
    case Member::Claim:
    case Member::Release:
        return p.CallByName(step.name(), m_script->argumentList(step));
    case Member::PrintNormal:
        return p.PrintNormal(argument(step, 0, opos::PTR_S_RECEIPT), textArgument(step, 1));
    case Member::PrintImmediate:
        return p.PrintImmediate(argument(step, 0, opos::PTR_S_RECEIPT), textArgument(step, 1));
    case Member::CutPaper:
        return p.CutPaper(argument(step, 0, 100));
    case Member::TransactionPrint:
        return p.TransactionPrint(argument(step, 0, opos::PTR_S_RECEIPT), argument(step, 1, 0));
    case Member::ClearOutput:
        return p.ClearOutput();
    case Member::DirectIO: {
        int32_t data = argument(step, 1, 0);
        QString text = textArgument(step, 2);
        return p.DirectIO(argument(step, 0, 0), &data, &text);
    }
    case Member::CheckHealth:
        return p.CheckHealth(argument(step, 0, 1));
    case Member::PrintBarCode:
        return p.PrintBarCode(argument(step, 0, opos::PTR_S_RECEIPT), textArgument(step, 1),
                              argument(step, 2, 0), argument(step, 3, 0), argument(step, 4, 0),
                              argument(step, 5, 0), argument(step, 6, 0));
    case Member::PrintBitmap:
        return p.PrintBitmap(argument(step, 0, opos::PTR_S_RECEIPT), scriptFile(step, 1),
                             argument(step, 2, 0), argument(step, 3, 0));
    case Member::SetBitmap:
        return p.SetBitmap(argument(step, 0, 0), argument(step, 1, opos::PTR_S_RECEIPT),
                           scriptFile(step, 2), argument(step, 3, 0), argument(step, 4, 0));
    case Member::PrintMemoryBitmap:
        return p.PrintMemoryBitmap(argument(step, 0, opos::PTR_S_RECEIPT), textArgument(step, 1),
                                   argument(step, 2, 0), argument(step, 3, 0),
                                   argument(step, 4, 0));
    default:
        break;
    }
    throw std::logic_error("the printer has no member " + step.name().toStdString());
}

int32_t ScriptRunner::callCompanion(const Step& step, opos::CompanionDevice& device)
{
    switch (step.member) {
    case Member::Open:
        return device.Open(step.arguments.isEmpty() ? m_names[static_cast<int>(step.device)]
                                                    : textArgument(step, 0));
    case Member::ClaimDevice:
        return device.ClaimDevice(argument(step, 0, 0));
    case Member::ReleaseDevice:
        return device.ReleaseDevice();
    case Member::Close:
        return device.Close();
    case Member::OpenDrawer:
        return m_drawer->OpenDrawer();
    case Member::ClearText:
        return m_display->ClearText();
    case Member::DisplayText:
        return m_display->DisplayText(textArgument(step, 0), argument(step, 1, 0));
    default:
        break;
    }
    throw std::logic_error("no member " + step.name().toStdString());
}

void ScriptRunner::printFile(const Step& step)
{
    QFile file(QDir(m_folder).filePath(step.value().toString()));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("cannot read %1: %2")
                                     .arg(file.fileName(), file.errorString())
                                     .toStdString());
    if (step.member == Member::PrintMemoryBitmap) {
        // The file's bytes are the data, one character each.
        const int32_t result = m_printer->PrintMemoryBitmap(
            argument(step, 0, opos::PTR_S_RECEIPT), QString::fromLatin1(file.readAll()),
            argument(step, 1, 0), argument(step, 2, 0), argument(step, 3, 0));
        recordCall(step, result, m_printer->ResultCodeExtended());
        return;
    }
    TextFileLines lines(file);
    const int32_t station = argument(step, 0, opos::PTR_S_RECEIPT);
    while (const auto line = lines.next()) {
        const QString data = *line + QLatin1Char('\n');
        const int32_t result = step.member == Member::PrintImmediate
                                   ? m_printer->PrintImmediate(station, data)
                                   : m_printer->PrintNormal(station, data);
        writeLine(
            deviceWord(step.device),
            [&](TextWriter& call) { putPrintCallText(call, step.name(), station, data); },
            callDetail(step, result, m_printer->ResultCodeExtended()));
        if (result != opos::OPOS_SUCCESS)
            return; // the rest of the file would fail the same way
    }
}

void ScriptRunner::setProperty(const Step& step)
{
    int32_t result = 0;
    int32_t extended = 0;
    if (step.device == DeviceClass::Printer) {
        const auto property = findProperty(step.device, step.name());
        switch (property ? property->kind : opos::PropertyKind::Number) {
        case opos::PropertyKind::Flag:
            m_printer->SetPropertyFlag(step.name(), step.value().toBool());
            break;
        case opos::PropertyKind::Number:
            m_printer->SetPropertyNumber(step.name(), step.value().toInt());
            break;
        case opos::PropertyKind::Text:
            m_printer->SetPropertyString(step.name(), step.value().toString());
            break;
        }
        result = m_printer->ResultCode();
        extended = m_printer->ResultCodeExtended();
    } else {
        opos::CompanionDevice& device = companion(step.device);
        device.SetDeviceEnabled(step.value().toBool());
        result = device.ResultCode();
        extended = device.ResultCodeExtended();
    }
    recordCall(step, result, extended);
}

QVariant ScriptRunner::readProperty(DeviceClass device, const QString& name) const
{
    if (device == DeviceClass::Printer) {
        const auto property = findProperty(device, name);
        switch (property ? property->kind : opos::PropertyKind::Number) {
        case opos::PropertyKind::Flag:
            return m_printer->GetPropertyFlag(name);
        case opos::PropertyKind::Number:
            return m_printer->GetPropertyNumber(name);
        case opos::PropertyKind::Text:
            return m_printer->GetPropertyString(name);
        }
    }
    const opos::CompanionDevice& common = companion(device);
    if (name == u"DeviceEnabled")
        return common.DeviceEnabled();
    if (name == u"Claimed")
        return common.Claimed();
    if (name == u"State")
        return common.State();
    if (name == u"ResultCode")
        return common.ResultCode();
    if (name == u"ResultCodeExtended")
        return common.ResultCodeExtended();
    if (name == u"ControlObjectVersion")
        return common.ControlObjectVersion();
    if (name == u"DrawerOpened")
        return m_drawer->DrawerOpened();
    if (name == u"DeviceRows")
        return m_display->DeviceRows();
    if (name == u"DeviceColumns")
        return m_display->DeviceColumns();
    throw std::logic_error("no property " + name.toStdString());
}

ScriptRunner::PropertyRead ScriptRunner::checkedRead(DeviceClass device, const QString& name) const
{
    PropertyRead read{readProperty(device, name), opos::OPOS_SUCCESS, {}};
    const ReadNeeds needs = readNeeds(name);
    const bool opened = device == DeviceClass::Printer
                            ? m_printer->State() != opos::OPOS_S_CLOSED
                            : companion(device).State() != opos::OPOS_S_CLOSED;
    const bool enabled = device == DeviceClass::Printer ? m_printer->DeviceEnabled()
                                                        : companion(device).DeviceEnabled();
    if (needs != ReadNeeds::Nothing && !opened) {
        read.result = opos::OPOS_E_CLOSED;
        read.reason = QStringLiteral("the %1 is not open").arg(deviceWord(device));
        // After a failed Open, ErrorString says why it failed.
        if (const QString why = errorString(device); !why.isEmpty())
            read.reason += QStringLiteral(" (ErrorString: %1)").arg(why);
    } else if (needs == ReadNeeds::Enabled && !enabled) {
        read.result = opos::OPOS_E_DISABLED;
        read.reason = QStringLiteral("the %1 is not enabled").arg(deviceWord(device));
    }
    return read;
}

void ScriptRunner::readAndShow(const Step& step)
{
    const PropertyRead read = checkedRead(step.device, step.name());
    QString detail = propertyValueText(step.name(), read.value);
    if (read.result != opos::OPOS_SUCCESS)
        detail += QStringLiteral("  %1  %2").arg(DecodeResultCode(read.result), read.reason);
    writeLine(deviceWord(step.device), step.name(), detail);
}

QString ScriptRunner::errorString(DeviceClass device) const
{
    // Only the printer's control object offers ErrorString. Read by index: by name, every read
    // would look the name up again.
    if (device != DeviceClass::Printer)
        return {};
    return m_printer->GetPropertyByIndex(opos::pidx::ErrorString).toString();
}

void ScriptRunner::simulate(const Step& step)
{
    sim::SimulatedDevices& devices = simulated();
    if (step.device == DeviceClass::Drawer) {
        devices.cashDrawer().closeByHand();
        return;
    }
    sim::SimulatedPrinter& printer = devices.printer();
    const QString setting = step.value().toString();
    if (step.name() == u"cover") {
        printer.setCoverOpen(setting == u"open");
    } else if (step.name() == u"paper") {
        printer.setPaper(setting == u"ok"         ? opos::PaperState::Ok
                         : setting == u"near-end" ? opos::PaperState::NearEnd
                                                  : opos::PaperState::Empty);
    } else if (step.name() == u"power") {
        printer.setPower(setting == u"online"    ? opos::PowerState::Online
                         : setting == u"off"     ? opos::PowerState::Off
                         : setting == u"offline" ? opos::PowerState::Offline
                                                 : opos::PowerState::OffOffline);
    } else if (step.name() == u"held-elsewhere") {
        printer.setHeldElsewhere(step.value().toBool());
    } else if (step.name() == u"speed") {
        printer.setOutputSpeed(setting == u"instant" ? sim::OutputSpeed::Instant
                                                     : sim::OutputSpeed::Realistic);
    } else if (step.name() == u"save-receipt") {
        // Written where the run was started, like the report; read files sit by the script.
        receipt_image::savePng(receipt_image::render(printer.receipt()), setting);
    } else if (step.name() == u"listen") {
        if (!m_networkPrinter)
            m_networkPrinter =
                std::make_unique<netprinter::NetworkPrinter>(printer, devices.cashDrawer());
        if (const QString error = m_networkPrinter->listen(setting); !error.isEmpty())
            throw std::runtime_error(error.toStdString());
    } else if (step.name() == u"fail-next-call") {
        sim::InjectedFailure failure;
        failure.runTimeFailure = step.arguments.isEmpty();
        failure.resultCode = argument(step, 0, 0);
        failure.extended = argument(step, 1, 0);
        printer.failNextCall(failure);
    }
}

bool ScriptRunner::simulatedStateHolds(const Step& step) const
{
    sim::SimulatedDevices& devices = simulated();
    if (step.name() == u"drawer")
        return devices.cashDrawer().isOpen() == step.value().toBool();
    const QString text = step.value().toString();
    if (step.name() == u"display") {
        const QStringList rows = devices.lineDisplay().rows();
        return std::any_of(rows.cbegin(), rows.cend(),
                           [&text](const QString& row) { return row.contains(text); });
    }
    const auto receipt = devices.printer().receipt();
    return std::any_of(receipt.cbegin(), receipt.cend(), [&text](const sim::ReceiptItem& item) {
        return item.kind == sim::ReceiptItem::Kind::Line && item.text.contains(text);
    });
}

// What the simulated device shows when an expectation on it failed: the drawer's state, the
// display's rows, the receipt's last lines.
QString ScriptRunner::simulatedState(const Step& step) const
{
    constexpr qsizetype kShownLines = 5;
    sim::SimulatedDevices& devices = simulated();
    if (step.name() == u"drawer")
        return devices.cashDrawer().isOpen() ? QStringLiteral("the simulated drawer is open")
                                             : QStringLiteral("the simulated drawer is closed");
    QStringList shown;
    if (step.name() == u"display") {
        shown = devices.lineDisplay().rows();
    } else {
        for (const sim::ReceiptItem& item : devices.printer().receipt())
            if (item.kind == sim::ReceiptItem::Kind::Line)
                shown.append(item.text);
    }
    for (QString& line : shown)
        line = line.trimmed();
    shown.removeAll(QString());
    if (shown.isEmpty())
        return QStringLiteral("the simulated %1 shows nothing").arg(step.name());
    const qsizetype first = std::max<qsizetype>(0, shown.size() - kShownLines);
    QStringList quoted;
    for (qsizetype i = first; i < shown.size(); ++i)
        quoted << quotedString(shown.at(i), kShownDataLength);
    return QStringLiteral("the simulated %1 shows %2%3")
        .arg(step.name(),
             first > 0 ? QStringLiteral("(last %1 lines) ").arg(kShownLines) : QString(),
             quoted.join(QStringLiteral(" | ")));
}

opos::CompanionDevice& ScriptRunner::companion(DeviceClass device) const
{
    if (device == DeviceClass::Drawer)
        return *m_drawer;
    return *m_display;
}

sim::SimulatedDevices& ScriptRunner::simulated() const
{
    if (!m_simulated)
        throw std::runtime_error("this run has no simulated devices");
    return *m_simulated;
}

} // namespace script

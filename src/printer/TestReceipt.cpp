#include "printer/TestReceipt.h"

#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "opos/TextEncoder.h"
#include "printer/DeviceCommands.h"
#include "printer/FilePrintGuard.h"
#include "printer/LineCommands.h"
#include "services/FailureTrap.h"

#include <QLineEdit>
#include <stdexcept>

namespace {

constexpr int kColumns = 48;
const QString kEsc = QStringLiteral("\x1b|");

QString sequence(const char* body)
{
    return kEsc + QLatin1String(body);
}

// Columns counted in tens, with a mark at every fifth.
QString ruler()
{
    QString text;
    for (int column = 1; column <= kColumns; ++column) {
        if (column % 10 == 0)
            text += QChar(u'0' + (column / 10) % 10);
        else
            text += column % 5 == 0 ? u'+' : u'-';
    }
    return text;
}

// Splits text into lines of at most the paper's columns.
QStringList wrapped(const QString& text)
{
    QStringList lines;
    for (qsizetype at = 0; at < text.size(); at += kColumns)
        lines.append(text.mid(at, kColumns));
    return lines;
}

const QString kCandidates =
    QStringLiteral(u"ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÑÒÓÔÕÖØÙÚÛÜÝàáâãäåæçèéêëìíîïñòóôõöøùúûüýÿßẞ"
                   u"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя"
                   u"€£¥¢");

} // namespace

QString codePageCharacters(int characterSet)
{
    if (!opos::TextEncoder::supports(characterSet))
        return kCandidates;
    opos::TextEncoder encoder(characterSet);
    QString characters;
    for (const QChar c : kCandidates) {
        if (encoder.encode(QStringView(&c, 1)) != QByteArrayLiteral("?"))
            characters += c;
    }
    return characters;
}

QStringList testReceiptLines(const TestReceiptFacts& facts)
{
    QStringList lines{
        sequence("cA") + sequence("4C") + QStringLiteral("TEST RECEIPT"),
        QString(),
        sequence("bC") + QStringLiteral("Bold text"),
        sequence("uC") + QStringLiteral("Underlined text"),
        sequence("bC") + sequence("uC") + QStringLiteral("Bold and underlined"),
        QString(),
        QStringLiteral("Code page %1:").arg(facts.characterSet),
    };
    const QString characters = codePageCharacters(facts.characterSet);
    if (characters.isEmpty())
        lines.append(QStringLiteral("(no accented letters)"));
    lines.append(wrapped(characters));
    lines.append(QString());
    lines.append(ruler());
    lines.append(QStringLiteral("Printed: %1")
                     .arg(facts.printedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
    lines.append(QStringLiteral("Device:  %1").arg(facts.deviceName));
    lines.append(QStringLiteral("Address: %1").arg(facts.address));
    lines.append(QString());
    // Each line starts from the normal characteristics, whatever the printer kept from the
    // line before.
    for (QString& line : lines)
        line.prepend(sequence("N"));
    return lines;
}

QList<BarcodeParameters> testReceiptSymbols(const TestReceiptFacts& facts, int32_t lineWidth)
{
    const QString stamp = facts.printedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QString digits = facts.printedAt.toString(QStringLiteral("yyyyMMddHHmmss"));
    return {
        {opos::PTR_BCS_Code128, digits, lineWidth / 8, lineWidth * 2 / 3, opos::PTR_BC_CENTER,
         opos::PTR_BC_TEXT_BELOW},
        {opos::PTR_BCS_QRCODE, QStringLiteral("%1 %2").arg(facts.deviceName, stamp), lineWidth / 3,
         lineWidth / 3, opos::PTR_BC_CENTER, opos::PTR_BC_TEXT_NONE},
    };
}

TestReceipt::TestReceipt(const PrinterContext& context, DeviceCommands& device, LineCommands& line,
                         QLineEdit& txtDevice, std::function<QString(const QString&)> addressOf,
                         QObject* parent)
    : QObject(parent), m_context(context), m_device(device), m_line(line), m_txtDevice(txtDevice),
      m_addressOf(std::move(addressOf)), m_clock([] { return QDateTime::currentDateTime(); })
{}

void TestReceipt::Print()
{
    trapFailures(m_context.dialogs, kErrorMessageTitle, [this] { print(); });
}

void TestReceipt::print()
{
    if (refusedDuringFileJob(m_context))
        return;
    opos::PosPrinter& printer = m_context.printer;
    const QString name = m_txtDevice.text();
    bool opened = false;
    bool claimed = false;
    bool enabled = false;
    // Whatever happens, the printer is left as it was found.
    auto restore = [&] {
        if (enabled)
            printer.SetDeviceEnabled(false);
        if (claimed)
            m_device.Release();
        if (opened)
            m_device.Close();
    };
    try {
        if (printer.State() == opos::OPOS_S_CLOSED) {
            m_device.Open();
            opened = printer.State() != opos::OPOS_S_CLOSED;
            if (!opened)
                return;
        }
        if (!printer.Claimed()) {
            m_device.Claim();
            claimed = printer.Claimed();
            if (!claimed)
                return restore();
        }
        if (!printer.DeviceEnabled()) {
            printer.SetDeviceEnabled(true);
            enabled = printer.DeviceEnabled();
            if (!enabled)
                throw std::runtime_error("The printer could not be enabled");
        }
        printReceipt(name);
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void TestReceipt::printReceipt(const QString& name)
{
    opos::PosPrinter& printer = m_context.printer;
    const bool wasAsync = printer.AsyncMode();
    printer.SetAsyncMode(false);
    const TestReceiptFacts facts{name, m_addressOf(name), m_clock(),
                                 printer.GetPropertyNumber(QStringLiteral("CharacterSet"))};
    bool printed = true;
    for (const QString& line : testReceiptLines(facts)) {
        printed = m_line.PrintNormalText(line) == opos::OPOS_SUCCESS;
        if (!printed)
            break;
    }
    if (printed && printer.GetPropertyFlag(QStringLiteral("CapRecBarCode"))) {
        const int32_t lineWidth = printer.GetPropertyNumber(QStringLiteral("RecLineWidth"));
        for (const BarcodeParameters& symbol : testReceiptSymbols(facts, lineWidth)) {
            printed = printBarCode(m_context, m_line, symbol) == opos::OPOS_SUCCESS;
            if (!printed)
                break;
        }
    }
    if (printed)
        m_line.CutPaperPercentage(100);
    printer.SetAsyncMode(wasAsync);
}

#include "properties/PrinterPropertyReader.h"

#include "opos/PosPrinter.h"
#include "opos/PrinterPropertyTable.h"
#include "services/FailureTrap.h"

namespace properties {

namespace {

const QString kUnknown = QStringLiteral("UNKNOWN!");
constexpr int32_t kBinaryConversion = 11;

} // namespace

PrinterPropertyReader::PrinterPropertyReader(const opos::PosPrinter& printer, Dialogs& dialogs)
    : m_printer(printer), m_dialogs(dialogs)
{}

PropertyText PrinterPropertyReader::GetPrinterProperty(int32_t index) const
{
    PropertyText result{kUnknown, kUnknown};
    const opos::PrinterPropertyInfo* info = opos::findPrinterProperty(index);
    if (!info)
        return result;
    result.name = QString(info->name);
    trapFailures(m_dialogs, kErrorMessageTitle,
                 [this, info, &result] { result.value = readValue(*info); });
    return result;
}

QString PrinterPropertyReader::readValue(const opos::PrinterPropertyInfo& info) const
{
    const QString name(info.name);
    switch (info.kind) {
    case opos::PropertyKind::Flag:
        return m_printer.GetPropertyFlag(name) ? QStringLiteral("1") : QStringLiteral("0");
    case opos::PropertyKind::Number: {
        const int32_t number = m_printer.GetPropertyNumber(name);
        // BinaryConversion shows -1 as "1", like a flag.
        if (info.index == kBinaryConversion && number == -1)
            return QStringLiteral("1");
        return QString::number(number);
    }
    case opos::PropertyKind::Text:
        return m_printer.GetPropertyString(name);
    }
    return kUnknown;
}

} // namespace properties

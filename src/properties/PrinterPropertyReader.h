#pragma once

#include <QString>
#include <cstdint>

class Dialogs;
namespace opos {
class PosPrinter;
struct PrinterPropertyInfo;
} // namespace opos

namespace properties {

// A property's catalogue name and its current value as the grid shows it.
struct PropertyText
{
    QString name;
    QString value;
};

// Reads one printer property by OPOS index and turns it into text: numbers in decimal, flags
// as "1" or "0", strings unchanged. Every call reads the printer afresh.
class PrinterPropertyReader
{
public:
    PrinterPropertyReader(const opos::PosPrinter& printer, Dialogs& dialogs);
    virtual ~PrinterPropertyReader() = default;
    PrinterPropertyReader(const PrinterPropertyReader&) = delete;
    PrinterPropertyReader& operator=(const PrinterPropertyReader&) = delete;

    // An index outside the catalogue gives "UNKNOWN!" for both texts, silently. A failed read
    // shows one warning box and gives the catalogue name with the value "UNKNOWN!".
    PropertyText GetPrinterProperty(int32_t index) const;

protected:
    // The value as text; a run-time failure throws. Tests override it to make a read fail.
    virtual QString readValue(const opos::PrinterPropertyInfo& info) const;

private:
    const opos::PosPrinter& m_printer;
    Dialogs& m_dialogs;
};

} // namespace properties

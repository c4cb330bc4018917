#pragma once

#include <QString>
#include <cstdint>

class Dialogs;
namespace opos {
class PosPrinter;
}

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

    // An index outside the catalogue gives "UNKNOWN!" for both texts, silently. A failed read
    // shows one warning box and gives the catalogue name with the value "UNKNOWN!".
    PropertyText GetPrinterProperty(int32_t index) const;

private:
    const opos::PosPrinter& m_printer;
    Dialogs& m_dialogs;
};

} // namespace properties

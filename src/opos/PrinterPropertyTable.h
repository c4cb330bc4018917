#pragma once

#include <QLatin1String>
#include <QStringView>
#include <cstdint>
#include <span>

namespace opos {

// How a property's value is read and written.
enum class PropertyKind
{
    Number,
    Flag,
    Text
};

// When a property may be written. Everything else refuses the write with E_ILLEGAL (read-only),
// E_CLOSED (not open) or E_DISABLED (not enabled).
enum class Writability
{
    ReadOnly,
    WhenOpen,         // any time the device is open
    WhenOpenDisabled, // open and not enabled (PowerNotify)
    WhenEnabled,      // only while the device is enabled
};

// One POS Printer property: its OPOS property index, its name letter for letter, its kind and
// when it may be written.
struct PrinterPropertyInfo
{
    int32_t index;
    QLatin1String name;
    PropertyKind kind;
    Writability writability;

    bool writable() const { return writability != Writability::ReadOnly; }
};

// The 131 POS Printer properties in catalogue order (ascending index): common numbers,
// common capabilities, printer numbers, printer capabilities, common and printer strings.
std::span<const PrinterPropertyInfo> printerProperties();

// nullptr when the index or name is not a POS Printer property. Names match ignoring case, as
// a late-bound call does.
const PrinterPropertyInfo* findPrinterProperty(int32_t index);
const PrinterPropertyInfo* findPrinterProperty(QStringView name);

} // namespace opos

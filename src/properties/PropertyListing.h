#pragma once

class FlexGridModel;
struct FormState;
class QAbstractButton;
class QLabel;
class Dialogs;
namespace opos {
class PosPrinter;
}

namespace properties {

class PrinterPropertyReader;

// Fills the property grid with every printer property the control object version knows: name,
// value and (in the hidden third column) the index; writable rows in green.
class PropertyListing
{
public:
    PropertyListing(const opos::PosPrinter& printer, const PrinterPropertyReader& reader,
                    FlexGridModel& grid, FormState& state, QAbstractButton& cmdWriteProp,
                    QLabel& Label15, Dialogs& dialogs);

    void cmdReadProp_Click();

private:
    void list();
    int listGroup(int first, int last);

    const opos::PosPrinter& m_printer;
    const PrinterPropertyReader& m_reader;
    FlexGridModel& m_grid;
    FormState& m_state;
    QAbstractButton& m_cmdWriteProp;
    QLabel& m_label15;
    Dialogs& m_dialogs;
};

} // namespace properties

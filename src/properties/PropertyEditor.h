#pragma once

#include <QString>
#include <cstdint>

class FlexGridModel;
struct FormState;
class QAbstractButton;
class Dialogs;
class StatusNote;
namespace opos {
class PosPrinter;
}

namespace properties {

// In-place editing of the writable properties in the property grid: a click selects a cell of
// a writable row, released keys type into it, and the write button sends the typed value to
// the printer. The value is not read back; the next listing shows what the printer holds, and the
// status bar says at once whether the printer took it.
class PropertyEditor
{
public:
    PropertyEditor(opos::PosPrinter& printer, FlexGridModel& grid, FormState& state,
                   QAbstractButton& cmdWriteProp, Dialogs& dialogs, StatusNote& note);

    // The grid's current cell is the clicked cell.
    void MSFlexGrid2_Click();
    // key is a Qt::Key; text is what the key typed (it tells the letter's case).
    void MSFlexGrid2_KeyUp(int key, const QString& text);
    void cmdWriteProp_Click();

    // Whether a key does something in the grid while a cell is selected.
    static bool isEditingKey(int key, const QString& text);

private:
    void select();
    void type(int key, const QString& text);
    void write();
    void deselect();
    int32_t rowIndex(int row) const;
    void showEditText();

    opos::PosPrinter& m_printer;
    FlexGridModel& m_grid;
    FormState& m_state;
    QAbstractButton& m_cmdWriteProp;
    Dialogs& m_dialogs;
    StatusNote& m_note;
};

} // namespace properties

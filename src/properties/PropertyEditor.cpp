#include "properties/PropertyEditor.h"

#include "opos/PosPrinter.h"
#include "opos/PrinterPropertyTable.h"
#include "properties/WritableProperties.h"
#include "services/CallOutcome.h"
#include "services/Colours.h"
#include "services/FailureTrap.h"
#include "services/FlexGridModel.h"
#include "services/FormState.h"
#include "services/Numbers.h"
#include "services/StatusNote.h"

#include <QAbstractButton>
#include <cmath>
#include <stdexcept>

namespace properties {

namespace {

constexpr int kIndexColumn = 2;

bool isTypedCharacter(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// The character a released key typed; a key event without text (synthesised ones) falls back
// to the key code, which names digits and upper-case letters by their character.
QChar typedCharacter(int key, const QString& text)
{
    if (text.size() == 1)
        return text.front();
    if (text.isEmpty() && (key == Qt::Key_Minus || (key >= Qt::Key_0 && key <= Qt::Key_Z)))
        return QChar(key);
    return {};
}

// Paints one cell's background; the grid's current cell stays where it was.
void setCellBackColor(FlexGridModel& grid, int row, int col, const QColor& colour)
{
    const int currentRow = grid.Row();
    const int currentCol = grid.Col();
    grid.SetRow(row);
    grid.SetCol(col);
    grid.SetCellBackColor(colour);
    grid.SetRow(currentRow);
    grid.SetCol(currentCol);
}

bool hasSelection(const FormState& state)
{
    return state.PropSelRow != -1 && state.PropSelCol != -1;
}

} // namespace

PropertyEditor::PropertyEditor(opos::PosPrinter& printer, FlexGridModel& grid, FormState& state,
                               QAbstractButton& cmdWriteProp, Dialogs& dialogs, StatusNote& note)
    : m_printer(printer), m_grid(grid), m_state(state), m_cmdWriteProp(cmdWriteProp),
      m_dialogs(dialogs), m_note(note)
{}

bool PropertyEditor::isEditingKey(int key, const QString& text)
{
    if (key == Qt::Key_Escape || key == Qt::Key_Backspace)
        return true;
    const QChar typed = typedCharacter(key, text);
    return typed == u'-' || isTypedCharacter(typed);
}

void PropertyEditor::MSFlexGrid2_Click()
{
    trapFailures(m_dialogs, kErrorMessageTitle, [this] { select(); });
}

void PropertyEditor::MSFlexGrid2_KeyUp(int key, const QString& text)
{
    trapFailures(m_dialogs, kErrorMessageTitle, [this, key, &text] { type(key, text); });
}

void PropertyEditor::cmdWriteProp_Click()
{
    trapFailures(m_dialogs, kErrorMessageTitle, [this] { write(); });
}

// The property index a grid row holds in its hidden column. A row without one (a spare row
// at the end, or the grid before the first listing) is a run-time failure.
int32_t PropertyEditor::rowIndex(int row) const
{
    const QString text = m_grid.TextMatrix(row, kIndexColumn);
    if (!numbers::IsNumeric(text))
        throw std::invalid_argument("Type mismatch");
    return numbers::toLong(numbers::toDouble(text));
}

void PropertyEditor::deselect()
{
    setCellBackColor(m_grid, m_state.PropSelRow, m_state.PropSelCol, QColor());
}

void PropertyEditor::select()
{
    const int row = m_grid.Row();
    const int col = m_grid.Col();
    if (!isWritableProperty(rowIndex(row))) {
        if (hasSelection(m_state)) {
            deselect();
            m_state.PropSelRow = -1;
            m_state.PropSelCol = -1;
        }
        m_cmdWriteProp.setEnabled(false);
        return;
    }

    if (hasSelection(m_state)) {
        deselect();
        if (m_state.PropEdited)
            m_grid.SetTextMatrix(m_state.PropSelRow, m_state.PropSelCol, m_state.PropOldText);
    }
    m_state.PropSelRow = row;
    m_state.PropSelCol = col;
    m_state.PropOldText = m_grid.TextMatrix(row, col);
    m_state.PropEditText.clear();
    setCellBackColor(m_grid, row, col, colours::Blue);
    m_state.PropEdited = false;
    m_cmdWriteProp.setEnabled(true);
}

void PropertyEditor::type(int key, const QString& text)
{
    if (!m_cmdWriteProp.isEnabled())
        return;

    if (key == Qt::Key_Escape) {
        m_state.PropEdited = false;
        m_state.PropEditText.clear();
        m_grid.SetTextMatrix(m_state.PropSelRow, m_state.PropSelCol, m_state.PropOldText);
        return;
    }
    if (key == Qt::Key_Backspace) {
        if (m_state.PropEditText.isEmpty())
            return;
        m_state.PropEditText.chop(1);
    } else if (const QChar typed = typedCharacter(key, text); typed == u'-') {
        m_state.PropEdited = true;
        m_state.PropEditText.prepend(typed);
    } else if (isTypedCharacter(typed)) {
        m_state.PropEdited = true;
        m_state.PropEditText.append(typed);
    } else {
        return;
    }
    showEditText();
}

void PropertyEditor::showEditText()
{
    m_grid.SetTextMatrix(m_state.PropSelRow, m_state.PropSelCol, m_state.PropEditText);
}

void PropertyEditor::write()
{
    const QString text = m_grid.Text();
    if (!numbers::IsNumeric(text)) {
        m_dialogs.warning(QStringLiteral("Property Value MUST BE Numeric!"), kErrorMessageTitle);
        return;
    }

    const int32_t index = rowIndex(m_grid.Row());
    if (isWritableProperty(index)) {
        const opos::PrinterPropertyInfo* info = opos::findPrinterProperty(index);
        if (!info)
            throw std::logic_error("Writable property missing from the catalogue");
        const QString name(info->name);
        const double value = numbers::toDouble(text);
        QString written;
        if (info->kind == opos::PropertyKind::Flag) {
            const bool flag = std::round(value) != 0.0;
            m_printer.SetPropertyFlag(name, flag);
            written = flag ? QStringLiteral("True") : QStringLiteral("False");
        } else {
            const int32_t number = numbers::toLong(value);
            m_printer.SetPropertyNumber(name, number);
            written = QString::number(number);
        }
        // The grid keeps the typed text either way; the status bar says what became of it.
        const CallOutcome outcome = CallOutcome::of(m_printer);
        const QString said = propertyWriteText(name, written, outcome);
        if (outcome.ok())
            m_note.succeeded(said);
        else
            m_note.failed(said, outcome.shownCode());
    }
    m_state.PropEdited = false;
}

} // namespace properties

#include "properties/PropertyPage.h"

#include "services/FlexGridModel.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QKeyEvent>

namespace properties {

PropertyPage::PropertyPage(opos::PosPrinter& printer, FlexGridModel& grid, FormState& state,
                           Widgets widgets, Dialogs& dialogs, StatusNote& note, QObject* parent)
    : QObject(parent), m_grid(grid), m_view(widgets.MSFlexGrid2), m_reader(printer, dialogs),
      m_listing(printer, m_reader, grid, state, widgets.cmdWriteProp, widgets.Label15, dialogs),
      m_editor(printer, grid, state, widgets.cmdWriteProp, dialogs, note)
{
    // The selected cell shows as a blue background; the view's own highlight and editors would
    // hide it or take the typed keys.
    m_view.setSelectionMode(QAbstractItemView::NoSelection);
    m_view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(&widgets.cmdReadProp, &QAbstractButton::clicked, this,
            [this] { m_listing.cmdReadProp_Click(); });
    connect(&widgets.cmdWriteProp, &QAbstractButton::clicked, this,
            [this] { m_editor.cmdWriteProp_Click(); });
    connect(&m_view, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        makeCurrent(index);
        m_editor.MSFlexGrid2_Click();
    });
    // The keyboard moves the grid's current cell too; a write takes the cell it lands on.
    if (QItemSelectionModel* selection = m_view.selectionModel())
        connect(selection, &QItemSelectionModel::currentChanged, this,
                [this](const QModelIndex& index) { makeCurrent(index); });
    m_view.installEventFilter(this);
}

void PropertyPage::makeCurrent(const QModelIndex& viewIndex)
{
    if (!viewIndex.isValid())
        return;
    m_grid.SetRow(viewIndex.row() + 1);
    m_grid.SetCol(viewIndex.column());
}

bool PropertyPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &m_view)
        return false;
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!PropertyEditor::isEditingKey(key->key(), key->text()))
        return false;
    // Editing keys act once, on release; the view must not search or move on their press. A
    // key pressed with Ctrl, Alt or Meta is a shortcut (Ctrl+C, Ctrl+A), and one whose press a
    // shortcut took never reached the view: their releases type nothing, whatever their text.
    constexpr Qt::KeyboardModifiers commands =
        Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (event->type() == QEvent::KeyPress) {
        if (key->modifiers() & commands)
            return false;
        m_typing.insert(key->key());
        return true;
    }
    if (!key->isAutoRepeat() && m_typing.remove(key->key()))
        m_editor.MSFlexGrid2_KeyUp(key->key(), key->text());
    return true;
}

} // namespace properties

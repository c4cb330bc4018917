#pragma once

#include "properties/PrinterPropertyReader.h"
#include "properties/PropertyEditor.h"
#include "properties/PropertyListing.h"

#include <QObject>
#include <QSet>

class QAbstractItemView;
class QModelIndex;

namespace properties {

// The "Properties" page: connects the property grid's view and the two buttons to the listing
// and the editor. The view already shows the grid model, model row r + 1 as its row r (model
// row 0 is the header).
class PropertyPage : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PropertyPage)

public:
    struct Widgets
    {
        QAbstractItemView& MSFlexGrid2;
        QAbstractButton& cmdReadProp;
        QAbstractButton& cmdWriteProp;
        QLabel& Label15;
    };

    PropertyPage(opos::PosPrinter& printer, FlexGridModel& grid, FormState& state, Widgets widgets,
                 Dialogs& dialogs, StatusNote& note, QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void makeCurrent(const QModelIndex& viewIndex);

    FlexGridModel& m_grid;
    QAbstractItemView& m_view;
    PrinterPropertyReader m_reader;
    PropertyListing m_listing;
    PropertyEditor m_editor;
    QSet<int> m_typing; // editing keys pressed without a command modifier, not yet released
};

} // namespace properties

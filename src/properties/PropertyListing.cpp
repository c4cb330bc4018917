#include "properties/PropertyListing.h"

#include "opos/PosPrinter.h"
#include "opos/PrinterPropertyTable.h"
#include "properties/PrinterPropertyReader.h"
#include "properties/WritableProperties.h"
#include "services/Colours.h"
#include "services/FailureTrap.h"
#include "services/FlexGridModel.h"
#include "services/FormState.h"

#include <QAbstractButton>
#include <QLabel>
#include <array>

namespace properties {

namespace {

// The listing order: each group lists the catalogue's indices from first to last. Gated groups
// came with control object version 1.5 and are left out for older control objects.
struct ListingGroup
{
    int32_t first;
    int32_t last;
    bool gated;
};

constexpr std::array kListingOrder = std::to_array<ListingGroup>({
    {1, 501, false},
    {502, 503, true},
    {1000001, 1000004, false},
    {8001, 8036, false},
    {8037, 8045, true},
    {8501, 8549, false},
    {8550, 8558, true},
    {1008001, 1008008, false},
    {1008009, 1008010, true},
});

constexpr int32_t kVersion1_5 = 1005000;

} // namespace

PropertyListing::PropertyListing(const opos::PosPrinter& printer,
                                 const PrinterPropertyReader& reader, FlexGridModel& grid,
                                 FormState& state, QAbstractButton& cmdWriteProp, QLabel& Label15,
                                 Dialogs& dialogs)
    : m_printer(printer), m_reader(reader), m_grid(grid), m_state(state),
      m_cmdWriteProp(cmdWriteProp), m_label15(Label15), m_dialogs(dialogs)
{}

void PropertyListing::cmdReadProp_Click()
{
    trapFailures(m_dialogs, kErrorMessageTitle, [this] { list(); });
}

void PropertyListing::list()
{
    m_state.PropRow = 1;
    m_grid.Clear();
    m_grid.SetTextMatrix(0, 0, QStringLiteral("PROPERTY"));
    m_grid.SetTextMatrix(0, 1, QStringLiteral("VALUE"));
    m_label15.setText(QString());

    int listed = 0;
    for (const ListingGroup& group : kListingOrder) {
        if (group.gated && m_printer.ControlObjectVersion() < kVersion1_5)
            continue;
        listed += listGroup(group.first, group.last);
    }

    m_state.PropSelRow = -1;
    m_state.PropSelCol = -1;
    m_cmdWriteProp.setEnabled(false);
    m_label15.setText(QStringLiteral("N.Properties: ") + QString::number(listed));
}

int PropertyListing::listGroup(int first, int last)
{
    const auto catalogue = opos::printerProperties();
    int listed = 0;
    for (const opos::PrinterPropertyInfo& info : catalogue) {
        if (info.index < first || info.index > last)
            continue;
        const PropertyText property = m_reader.GetPrinterProperty(info.index);
        const int row = m_state.PropRow;
        const std::array texts = {property.name, property.value, QString::number(info.index)};
        const bool writable = isWritableProperty(info.index);
        for (int col = 0; col < 3; ++col) {
            if (writable) {
                m_grid.SetRow(row);
                m_grid.SetCol(col);
                m_grid.SetCellForeColor(colours::Green);
            }
            m_grid.SetTextMatrix(row, col, texts[col]);
        }
        ++listed;
        ++m_state.PropRow;
        if (m_state.PropRow >= m_grid.Rows())
            m_grid.AddItem(QString());
    }
    return listed;
}

} // namespace properties

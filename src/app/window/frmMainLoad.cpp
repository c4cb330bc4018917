#include "app/pages/Twips.h"
#include "app/window/frmMain.h"
#include "app/window/frmMainParts.h"
#include "printer/DeviceCommands.h"
#include "services/FailureTrap.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTabWidget>
#include <cmath>
#include <initializer_list>

namespace {

constexpr int kRefreshIntervalMs = 500;

// Each visible column of a grid gets half of the grid's width less 350 twips for the scroll bar
// and borders, rounded to the nearest twip, halves to even: 8085 twips give 3868.
int halfColumnWidth(int gridTwips)
{
    return int(std::nearbyint((gridTwips - 350) * 50 / 100.0));
}

// Column widths first, then the cells are cleared, the headers written and empty rows added.
void prepareGrid(FlexGridModel& grid, const QWidget& view, std::initializer_list<QString> headers,
                 int visibleColumns, int extraRows)
{
    const int width = halfColumnWidth(view.width() * kTwipsPerPixel);
    for (int col = 0; col < grid.Cols(); ++col)
        grid.SetColWidth(col, col < visibleColumns ? width : 0);
    grid.Clear();
    int col = 0;
    for (const QString& header : headers)
        grid.SetTextMatrix(0, col++, header);
    for (int i = 0; i < extraRows; ++i)
        grid.AddItem(QString());
}

} // namespace

void frmMain::Form_Load()
{
    trapFailures(d->dialogs, kErrorMessageTitle, [this] {
        // The window manager adds its frame around the window; the menu and status bars sit
        // around this client area.
        control<QWidget>("clientArea").setFixedSize(twipsToPixels(14985), twipsToPixels(9510));
        d->Timer1.setInterval(kRefreshIntervalMs);
        d->Timer1.start();
        control<QTabWidget>("SSTab1").setCurrentIndex(0);

        d->form.LogRow = 1;
        prepareGrid(d->logGrid, control<QWidget>("MSFlexGrid1"),
                    {QStringLiteral("METHOD/EVENT"), QStringLiteral("RESULT/PARAMETERS")}, 2, 7);
        d->form.PropRow = 1;
        prepareGrid(
            d->propertyGrid, control<QWidget>("MSFlexGrid2"),
            {QStringLiteral("PROPERTY"), QStringLiteral("VALUE"), QStringLiteral("OPOSIDX")}, 2,
            14);
        d->form.PropSelRow = -1;
        d->form.PropSelCol = -1;
        control<QAbstractButton>("cmdReadProp").setEnabled(true);
        control<QAbstractButton>("cmdWriteProp").setEnabled(false);
        d->printerList.Clear();

        ModuleFlags& flags = d->flags;
        flags.DeviceOpened = false;
        flags.DeviceClaimed = false;
        flags.PrintingBusy = false;
        flags.CoverOpenAlarm = false;
        flags.PaperEmptyAlarm = false;
        flags.TransactionActive = false;
        d->form.PropOldText.clear();
        d->form.PropEditText.clear();
        d->form.PropEdited = false;

        control<QLineEdit>("txtDevice").setText(QStringLiteral("Quenta POS Printer"));
        control<QLineEdit>("cdDevice").setText(QStringLiteral("Quenta Cash Drawer"));
        control<QLineEdit>("ldDevice").setText(QStringLiteral("Quenta Line Display"));
        control<QAbstractButton>("cmdSetDeviceEnable").setText(QStringLiteral("SetDeviceEnable"));

        // Read without opening the printer: the version is the control object's own.
        const int32_t version = d->OPOSPOSPrinter1.ControlObjectVersion();
        control<QAbstractButton>("cmdClaim").setText(claimMemberText(version));
        control<QAbstractButton>("cmdRelease").setText(releaseMemberText(version));
    });
    // The start rows are shown at once rather than on the next frame.
    d->logGrid.flush();
    d->propertyGrid.flush();
}

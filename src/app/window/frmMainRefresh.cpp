#include "app/window/frmMain.h"
#include "app/window/frmMainParts.h"
#include "services/Colours.h"
#include "services/FailureTrap.h"
#include "services/Lamp.h"
#include "services/NameTables.h"

#include <QLabel>
#include <QScopedValueRollback>

namespace {

void setTextColour(QLabel& label, const QColor& colour)
{
    QPalette palette = label.palette();
    if (palette.color(QPalette::WindowText) == colour)
        return;
    palette.setColor(QPalette::WindowText, colour);
    label.setPalette(palette);
}

// Red with the first text while the condition holds, green with the second otherwise.
void showCondition(QLabel& label, bool present, const QString& presentText,
                   const QString& absentText)
{
    setTextColour(label, present ? colours::Red : colours::Green);
    label.setText(present ? presentText : absentText);
}

} // namespace

void frmMain::Timer1_Timer()
{
    // A tick that comes while an earlier one waits in its warning box is skipped, so a lasting
    // failure shows one box at a time instead of piling them up.
    if (d->refreshing)
        return;
    const QScopedValueRollback busy(d->refreshing, true);
    trapFailures(d->dialogs, kErrorMessageTitle, [this] {
        const ModuleFlags& flags = d->flags;
        const Parts::StatusPanel& panel = d->status;
        showCondition(*panel.lblStatus, flags.DeviceOpened, QStringLiteral("OPENED!"),
                      QStringLiteral("NOT OPENED!"));
        showCondition(*panel.lblAdditional, flags.DeviceClaimed, QStringLiteral("CLAIMED!"),
                      QStringLiteral("NOT CLAIMED!"));
        panel.shpPrinting->SetFillColor(flags.PrintingBusy ? colours::Red : colours::Green);
        panel.shpCover->SetFillColor(flags.CoverOpenAlarm ? colours::Red : colours::Green);
        panel.shpPaper->SetFillColor(flags.PaperEmptyAlarm     ? colours::Red
                                     : flags.PaperNearEndAlarm ? colours::Yellow
                                                               : colours::Green);
        // Once closed, the label keeps the last state it showed.
        if (flags.DeviceOpened) {
            setTextColour(*panel.lblServiceState, colours::Blue);
            panel.lblServiceState->setText(DecodeState(d->OPOSPOSPrinter1, d->dialogs));
        }
    });
}

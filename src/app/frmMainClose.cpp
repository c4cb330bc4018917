#include "app/frmMain.h"
#include "app/frmMainParts.h"
#include "opos/OposConstants.h"
#include "services/FailureTrap.h"

#include <QCloseEvent>

bool frmMain::Form_QueryUnload()
{
    bool cancel = false;
    TrapFailures(d->dialogs, kErrorMessageTitle, [this, &cancel] {
        if (!d->flags.DeviceOpened && !d->flags.DeviceClaimed)
            return;
        const auto answer = d->dialogs.question(
            QStringLiteral("Printer still CLAIMED or OPENED... Proceed with CLOSE?"),
            kErrorMessageTitle);
        if (answer != Dialogs::Answer::Ok) {
            cancel = true;
            return;
        }
        // The outcome does not matter any more: the window closes either way.
        opos::PosPrinter& printer = d->OPOSPOSPrinter1;
        if (printer.ControlObjectVersion() >= opos::kVersionWithClaimDevice)
            printer.ReleaseDevice();
        printer.Close();
    });
    return cancel;
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // A handler that yields to the event loop (a file job between its lines, a claim waiting
    // for another holder) is below this one on the stack and uses the window: let it stop and
    // unwind, then close as usual.
    if (d->running.stopThen(this, [this] { close(); })) {
        d->OPOSPOSPrinter1.StopWaiting();
        event->ignore();
        return;
    }
    if (Form_QueryUnload()) {
        event->ignore();
        return;
    }
    d->Timer1.stop();
    event->accept();
    emit closed();
}

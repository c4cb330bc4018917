#include "app/frmMain.h"
#include "app/frmMainParts.h"
#include "opos/OposConstants.h"
#include "printer/FilePrintCommands.h"
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
    // A file job yields inside this handler's caller: let it stop after its line and unwind,
    // then close as usual.
    if (d->filePrint && d->filePrint->StopJobThen([this] { close(); })) {
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

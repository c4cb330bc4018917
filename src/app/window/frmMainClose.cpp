#include "app/window/frmMain.h"
#include "app/window/frmMainParts.h"
#include "opos/OposConstants.h"
#include "services/FailureTrap.h"

#include <QCloseEvent>

namespace {

// True when the user agrees to close, or when there is nothing to ask about.
bool agreesToClose(const ModuleFlags& flags, Dialogs& dialogs)
{
    if (!flags.DeviceOpened && !flags.DeviceClaimed)
        return true;
    return dialogs.question(
               QStringLiteral("Printer still CLAIMED or OPENED... Proceed with CLOSE?"),
               kErrorMessageTitle) == Dialogs::Answer::Ok;
}

} // namespace

bool frmMain::Form_QueryUnload()
{
    bool cancel = false;
    trapFailures(d->dialogs, kErrorMessageTitle, [this, &cancel] {
        if (!d->flags.DeviceOpened && !d->flags.DeviceClaimed)
            return;
        // Asked already while a running handler was stopping.
        if (!d->closeAgreed && !agreesToClose(d->flags, d->dialogs)) {
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
    // for another holder) is below this one on the stack and uses the window. Ask first, while
    // it waits untouched; only once the user agrees let it stop after its current step and
    // unwind, then close as usual.
    if (d->running.active()) {
        event->ignore();
        if (d->askingToClose || d->closeAgreed)
            return; // the answer is awaited, or the stop is on its way
        bool agreed = true;
        d->askingToClose = true;
        trapFailures(d->dialogs, kErrorMessageTitle,
                     [this, &agreed] { agreed = agreesToClose(d->flags, d->dialogs); });
        d->askingToClose = false;
        if (!agreed)
            return;
        d->closeAgreed = true;
        if (d->running.stopThen(this, [this] { close(); }))
            d->OPOSPOSPrinter1.StopWaiting();
        else
            QTimer::singleShot(0, this, [this] { close(); });
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

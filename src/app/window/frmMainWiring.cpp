#include "app/window/JobStatusBar.h"
#include "app/window/MainMenu.h"
#include "app/window/PowerStatusField.h"
#include "app/window/frmMain.h"
#include "app/window/frmMainParts.h"
#include "devices/CashDrawerCommands.h"
#include "devices/LineDisplayCommands.h"
#include "printer/DeviceCommands.h"
#include "printer/DirectIOCommands.h"
#include "printer/FilePrintCommands.h"
#include "printer/LineCommands.h"
#include "printer/PrinterEventHandlers.h"
#include "printer/ResultReporting.h"
#include "properties/PropertyPage.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>

// Creates the handler objects of the pages and connects the buttons and the printer's events
// to them. Each handler gets only what it works with.
void frmMain::wireHandlers()
{
    const PrinterContext printer{d->OPOSPOSPrinter1, d->flags,   d->log,
                                 *d->lamps,          d->dialogs, d->note};
    // Every click runs as a handler the window waits for before it closes; afterwards the
    // status bar shows how it went.
    auto onClick = [this](const char* button, auto handler) {
        connect(&control<QAbstractButton>(button), &QAbstractButton::clicked, this,
                [parts = d.get(), handler] {
                    {
                        const RunningHandlers::Scope scope(parts->running);
                        handler();
                    }
                    if (parts->jobStatus)
                        parts->jobStatus->refresh();
                });
    };

    d->deviceCommands = std::make_unique<DeviceCommands>(
        printer,
        DeviceCommandWidgets{&control<QLineEdit>("txtDevice"), &control<QLineEdit>("txtTimeout"),
                             &control<QAbstractButton>("cmdSetDeviceEnable")});
    DeviceCommands* device = d->deviceCommands.get();
    onClick("cmdOpen", [device] { device->Open(); });
    onClick("cmdClaim", [device] { device->Claim(); });
    onClick("cmdSetDeviceEnable", [device] { device->SetDeviceEnable(); });
    onClick("cmdRelease", [device] { device->Release(); });
    onClick("cmdClose", [device] { device->Close(); });

    d->lineCommands = std::make_unique<LineCommands>(
        printer, LineCommandWidgets{
                     &control<QLineEdit>("txtPrint"), &control<QCheckBox>("chkAsyncMode"),
                     &control<QLabel>("lblPrintOutputID"), &control<QLineEdit>("txtCutPaper"),
                     &control<QLabel>("lblCutOutputID"), &control<QCheckBox>("chkFileAsyncMode"),
                     &control<QLabel>("lblFilePrintOutputID"),
                     &control<QLabel>("lblFileCutOutputID"), &d->printerList});
    LineCommands* line = d->lineCommands.get();
    onClick("cmdPrintNormal", [line] { line->PrintNormal(); });
    onClick("cmdPrintImmediate", [line] { line->PrintImmediate(); });
    onClick("cmdCutPaper", [line] { line->CutPaper(); });

    d->filePrint = std::make_unique<FilePrintCommands>(
        printer, *line,
        FilePrintWidgets{&control<QLineEdit>("txtSelection"), &control<QCheckBox>("chkCutPaper"),
                         &control<QLineEdit>("txtCutPaperAtEnd"),
                         &control<QLabel>("lblFileTransPrintOutputID")},
        d->running);
    FilePrintCommands* file = d->filePrint.get();
    onClick("cmdSelect", [file] { file->Select(); });
    onClick("cmdEdit", [file] { file->Edit(); });
    onClick("cmdFilePrintNormal", [file] { file->FilePrintNormal(); });
    onClick("cmdFilePrintImmediate", [file] { file->FilePrintImmediate(); });
    onClick("cmdTransactionPrint", [file] { file->TransactionPrint(); });
    // The power field comes first, so that a job's Stop button appears right of it.
    d->power =
        std::make_unique<PowerStatusField>(control<QStatusBar>("statusBar"), d->OPOSPOSPrinter1);
    connect(&d->Timer1, &QTimer::timeout, d->power.get(), &PowerStatusField::refresh);
    d->jobStatus = std::make_unique<JobStatusBar>(control<QStatusBar>("statusBar"), *file, d->note);
    connect(&d->Timer1, &QTimer::timeout, d->jobStatus.get(), &JobStatusBar::refresh);

    d->directIO = std::make_unique<DirectIOCommands>(
        printer,
        DirectIOWidgets{&control<QLineEdit>("txtCommand"), &control<QLineEdit>("txtData")});
    DirectIOCommands* direct = d->directIO.get();
    onClick("cmdDirectIO", [direct] { direct->DirectIO(); });
    onClick("cmdSetFlagWhenIdle", [direct] { direct->SetFlagWhenIdle(); });

    d->cashDrawer = std::make_unique<CashDrawerCommands>(
        d->OPOSCashDrawer1, control<QLineEdit>("cdDevice"), d->dialogs, d->log);
    CashDrawerCommands* drawer = d->cashDrawer.get();
    onClick("cmdCashDrawerOpen", [drawer] { drawer->CashDrawerOpen(); });
    d->lineDisplay = std::make_unique<LineDisplayCommands>(
        d->OPOSLineDisplay1, control<QLineEdit>("ldDevice"), control<QLineEdit>("txtLDDisplay"),
        d->dialogs, d->log);
    LineDisplayCommands* display = d->lineDisplay.get();
    onClick("cmdDisplayText", [display] { display->DisplayText(); });

    d->printerEvents = std::make_unique<PrinterEventHandlers>(d->flags, d->log, d->dialogs);
    PrinterEventHandlers* events = d->printerEvents.get();
    opos::PosPrinter* pos = &d->OPOSPOSPrinter1;
    connect(pos, &opos::PosPrinter::DirectIOEvent, events, &PrinterEventHandlers::OnDirectIOEvent);
    connect(pos, &opos::PosPrinter::ErrorEvent, events, &PrinterEventHandlers::OnErrorEvent);
    connect(pos, &opos::PosPrinter::OutputCompleteEvent, events,
            &PrinterEventHandlers::OnOutputCompleteEvent);
    connect(pos, &opos::PosPrinter::StatusUpdateEvent, events,
            &PrinterEventHandlers::OnStatusUpdateEvent);
    connect(pos, &opos::PosPrinter::StatusChangesNotShown, events,
            &PrinterEventHandlers::OnStatusChangesNotShown);
    followPrinterEvents(*pos, d->note); // after the handlers: their rows and boxes come first

    d->propertyPage = std::make_unique<properties::PropertyPage>(
        d->OPOSPOSPrinter1, d->propertyGrid, d->form,
        properties::PropertyPage::Widgets{
            control<QAbstractItemView>("MSFlexGrid2"), control<QAbstractButton>("cmdReadProp"),
            control<QAbstractButton>("cmdWriteProp"), control<QLabel>("Label15")},
        d->dialogs, d->note);

    d->menu = std::make_unique<MainMenu>(
        MainMenu::Parts{*this, control<QMenuBar>("menuBar"), printer, *device, *line, d->running});
}

#pragma once

#include "app/window/frmMain.h"
#include "opos/CashDrawer.h"
#include "opos/LineDisplay.h"
#include "opos/PosPrinter.h"
#include "services/ErrorLamps.h"
#include "services/FlexGridModel.h"
#include "services/FormState.h"
#include "services/LogRecord.h"
#include "services/ModuleFlags.h"
#include "services/OperationLog.h"
#include "services/PrinterListModel.h"
#include "services/RunningHandlers.h"
#include "services/StatusNote.h"

#include <QTimer>
#include <memory>

class Lamp;
class QLabel;
class DeviceCommands;
class LineCommands;
class FilePrintCommands;
class JobStatusBar;
class PowerStatusField;
class DirectIOCommands;
class CashDrawerCommands;
class LineDisplayCommands;
class PrinterEventHandlers;
class MainMenu;
namespace properties {
class PropertyPage;
}

// What the window owns besides its widgets. The handler objects of the pages live at the end,
// so they go first when the window is destroyed.
struct frmMain::Parts
{
    Parts(const opos::DeviceRegistry& registry, const opos::ControlOptions& options,
          Dialogs& dialogs);
    ~Parts();

    Dialogs& dialogs;
    opos::PosPrinter OPOSPOSPrinter1;
    opos::CashDrawer OPOSCashDrawer1;
    opos::LineDisplay OPOSLineDisplay1;
    ModuleFlags flags;
    FormState form;
    FlexGridModel logGrid{2, kLogNotes};
    FlexGridModel propertyGrid{3};
    PrinterListModel printerList;
    QTimer Timer1;
    OperationLog log{logGrid, form};
    StatusNote note;                   // what the status bar says about the printer's last call
    std::unique_ptr<ErrorLamps> lamps; // made once the lamps exist

    // The status panel, as the 500 ms refresh paints it.
    struct StatusPanel
    {
        QLabel* lblStatus = nullptr;
        QLabel* lblAdditional = nullptr;
        QLabel* lblServiceState = nullptr;
        Lamp* shpPrinting = nullptr;
        Lamp* shpPaper = nullptr;
        Lamp* shpCover = nullptr;
    } status;
    bool refreshing = false;    // a tick is running, possibly inside its own warning box
    RunningHandlers running;    // the button handlers on the stack
    bool askingToClose = false; // the close question is open over a running handler
    bool closeAgreed = false;   // the user agreed to close while a handler was running

    std::unique_ptr<DeviceCommands> deviceCommands;
    std::unique_ptr<LineCommands> lineCommands;
    std::unique_ptr<PrinterEventHandlers> printerEvents;
    std::unique_ptr<properties::PropertyPage> propertyPage;
    std::unique_ptr<FilePrintCommands> filePrint; // runs lineCommands: declared after it
    std::unique_ptr<DirectIOCommands> directIO;
    std::unique_ptr<CashDrawerCommands> cashDrawer;
    std::unique_ptr<LineDisplayCommands> lineDisplay;
    std::unique_ptr<MainMenu> menu; // runs deviceCommands and lineCommands: declared after them
    std::unique_ptr<JobStatusBar> jobStatus; // shows filePrint's jobs: declared after it
    std::unique_ptr<PowerStatusField> power;
};

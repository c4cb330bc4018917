#include "app/window/frmMain.h"

#include "app/pages/EnterKeyClicks.h"
#include "app/window/JobStatusBar.h"
#include "app/window/Logo.h"
#include "app/window/MainMenu.h"
#include "app/window/PowerStatusField.h"
#include "app/window/frmMainParts.h"
#include "devices/CashDrawerCommands.h"
#include "devices/LineDisplayCommands.h"
#include "printer/DeviceCommands.h"
#include "printer/DirectIOCommands.h"
#include "printer/FilePrintCommands.h"
#include "printer/LineCommands.h"
#include "printer/PrinterEventHandlers.h"
#include "properties/PropertyPage.h"
#include "services/Lamp.h"

#include <QLabel>

frmMain::Parts::Parts(const opos::DeviceRegistry& registry, const opos::ControlOptions& options,
                      Dialogs& dialogs)
    : dialogs(dialogs), OPOSPOSPrinter1(registry, options), OPOSCashDrawer1(registry, options),
      OPOSLineDisplay1(registry, options)
{
    OPOSPOSPrinter1.setObjectName(QStringLiteral("OPOSPOSPrinter1"));
    OPOSCashDrawer1.setObjectName(QStringLiteral("OPOSCashDrawer1"));
    OPOSLineDisplay1.setObjectName(QStringLiteral("OPOSLineDisplay1"));
    Timer1.setObjectName(QStringLiteral("Timer1"));
}

frmMain::Parts::~Parts() = default;

frmMain::frmMain(const opos::DeviceRegistry& registry, const opos::ControlOptions& options,
                 Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), d(std::make_unique<Parts>(registry, options, dialogs))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Quenta Engineering OPOS Application for Printer"));
    setWindowIcon(makeWindowIcon());
    buildWindow();
    makeEnterClickButtons(*this);
    d->status = {&control<QLabel>("lblStatus"),       &control<QLabel>("lblAdditional"),
                 &control<QLabel>("lblServiceState"), &control<Lamp>("shpPrinting"),
                 &control<Lamp>("shpPaper"),          &control<Lamp>("shpCover")};
    d->lamps = std::make_unique<ErrorLamps>(d->flags, control<Lamp>("shpCover"),
                                            control<Lamp>("shpPaper"), dialogs);
    connect(&d->Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    wireHandlers();
    Form_Load();
}

frmMain::~frmMain()
{
    d->Timer1.stop();
    // The views and handlers refer to the models and control objects: they go first.
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

opos::PosPrinter& frmMain::OPOSPOSPrinter1() const
{
    return d->OPOSPOSPrinter1;
}

opos::CashDrawer& frmMain::OPOSCashDrawer1() const
{
    return d->OPOSCashDrawer1;
}

opos::LineDisplay& frmMain::OPOSLineDisplay1() const
{
    return d->OPOSLineDisplay1;
}

ModuleFlags& frmMain::flags() const
{
    return d->flags;
}

FormState& frmMain::form() const
{
    return d->form;
}

FlexGridModel& frmMain::logGrid() const
{
    return d->logGrid;
}

FlexGridModel& frmMain::propertyGrid() const
{
    return d->propertyGrid;
}

PrinterListModel& frmMain::printerList() const
{
    return d->printerList;
}

OperationLog& frmMain::log() const
{
    return d->log;
}

ErrorLamps& frmMain::lamps() const
{
    return *d->lamps;
}

Dialogs& frmMain::dialogs() const
{
    return d->dialogs;
}

QTimer& frmMain::Timer1() const
{
    return d->Timer1;
}

MainMenu& frmMain::menu() const
{
    return *d->menu;
}

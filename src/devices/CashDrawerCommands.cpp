#include "devices/CashDrawerCommands.h"

#include "devices/DeviceSequence.h"
#include "opos/CashDrawer.h"

#include <QLineEdit>

CashDrawerCommands::CashDrawerCommands(opos::CashDrawer& drawer, QLineEdit& cdDevice,
                                       Dialogs& dialogs, OperationLog& log, QObject* parent)
    : QObject(parent), m_drawer(drawer), m_cdDevice(cdDevice), m_dialogs(dialogs), m_log(log)
{}

void CashDrawerCommands::CashDrawerOpen()
{
    opos::CashDrawer& drawer = m_drawer;
    runCompanionTest(drawer, QStringLiteral("CashDrawer"), m_cdDevice.text(), m_dialogs, m_log,
                     {{QStringLiteral("OpenDrawer()"), [&drawer] { return drawer.OpenDrawer(); }}});
}

#include "devices/CashDrawerCommands.h"

#include "devices/DeviceSequence.h"
#include "opos/CashDrawer.h"

#include <QLineEdit>

CashDrawerCommands::CashDrawerCommands(opos::CashDrawer& drawer, QLineEdit& cdDevice,
                                       Dialogs& dialogs, QObject* parent)
    : QObject(parent), m_drawer(drawer), m_cdDevice(cdDevice), m_dialogs(dialogs)
{}

void CashDrawerCommands::CashDrawerOpen()
{
    opos::CashDrawer* drawer = &m_drawer;
    const QString name = m_cdDevice.text();
    RunDeviceSequence(name, m_dialogs,
                      {[drawer, name] { drawer->Open(name); },
                       [drawer] { drawer->ClaimDevice(kCompanionClaimTimeoutMs); },
                       [drawer] { drawer->SetDeviceEnabled(true); },
                       [drawer] { drawer->OpenDrawer(); }},
                      {[drawer] { drawer->SetDeviceEnabled(false); },
                       [drawer] { drawer->ReleaseDevice(); }, [drawer] { drawer->Close(); }});
}

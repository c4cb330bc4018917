#include "devices/LineDisplayCommands.h"

#include "devices/DeviceSequence.h"
#include "opos/LineDisplay.h"
#include "opos/OposConstants.h"

#include <QLineEdit>

LineDisplayCommands::LineDisplayCommands(opos::LineDisplay& display, QLineEdit& ldDevice,
                                         QLineEdit& txtLDDisplay, Dialogs& dialogs, QObject* parent)
    : QObject(parent), m_display(display), m_ldDevice(ldDevice), m_txtLDDisplay(txtLDDisplay),
      m_dialogs(dialogs)
{}

void LineDisplayCommands::DisplayText()
{
    opos::LineDisplay* display = &m_display;
    const QString name = m_ldDevice.text();
    const QString text = m_txtLDDisplay.text();
    RunDeviceSequence(name, m_dialogs,
                      {[display, name] { display->Open(name); },
                       [display] { display->ClaimDevice(kCompanionClaimTimeoutMs); },
                       [display] { display->SetDeviceEnabled(true); },
                       [display] { display->ClearText(); },
                       [display, text] { display->DisplayText(text, opos::DISP_DT_NORMAL); }},
                      {[display] { display->SetDeviceEnabled(false); },
                       [display] { display->ReleaseDevice(); }, [display] { display->Close(); }});
}

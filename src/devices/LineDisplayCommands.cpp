#include "devices/LineDisplayCommands.h"

#include "devices/DeviceSequence.h"
#include "opos/LineDisplay.h"
#include "opos/OposConstants.h"

#include <QLineEdit>

LineDisplayCommands::LineDisplayCommands(opos::LineDisplay& display, QLineEdit& ldDevice,
                                         QLineEdit& txtLDDisplay, Dialogs& dialogs,
                                         OperationLog& log, QObject* parent)
    : QObject(parent), m_display(display), m_ldDevice(ldDevice), m_txtLDDisplay(txtLDDisplay),
      m_dialogs(dialogs), m_log(log)
{}

void LineDisplayCommands::DisplayText()
{
    opos::LineDisplay& display = m_display;
    const QString text = m_txtLDDisplay.text();
    runCompanionTest(display, QStringLiteral("LineDisplay"), m_ldDevice.text(), m_dialogs, m_log,
                     {{QStringLiteral("ClearText()"), [&display] { return display.ClearText(); }},
                      {QStringLiteral("DisplayText()"), [&display, text] {
                           return display.DisplayText(text, opos::DISP_DT_NORMAL);
                       }}});
}

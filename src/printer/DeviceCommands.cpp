#include "printer/DeviceCommands.h"

#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "printer/ResultReporting.h"
#include "services/CallOutcome.h"
#include "services/FailureTrap.h"
#include "services/ModuleFlags.h"
#include "services/NameTables.h"
#include "services/Numbers.h"
#include "services/StatusNote.h"

#include <QAbstractButton>
#include <QLineEdit>

namespace {

constexpr QLatin1String kEnableCaption("SetDeviceEnable");
constexpr QLatin1String kDisableCaption("SetDeviceDisable");

bool hasDeviceMemberNames(int32_t controlObjectVersion)
{
    return controlObjectVersion >= opos::kVersionWithClaimDevice;
}

} // namespace

QString claimMemberText(int32_t controlObjectVersion)
{
    return hasDeviceMemberNames(controlObjectVersion) ? QStringLiteral("ClaimDevice()")
                                                      : QStringLiteral("Claim()");
}

QString releaseMemberText(int32_t controlObjectVersion)
{
    return hasDeviceMemberNames(controlObjectVersion) ? QStringLiteral("ReleaseDevice()")
                                                      : QStringLiteral("Release()");
}

DeviceCommands::DeviceCommands(const PrinterContext& context, const DeviceCommandWidgets& widgets,
                               QObject* parent)
    : QObject(parent), m_context(context), m_widgets(widgets)
{}

void DeviceCommands::Open()
{
    trapFailures(m_context.dialogs, kErrorMessageTitle, [this] {
        const QString deviceName = m_widgets.txtDevice->text();
        if (deviceName.isEmpty()) {
            m_context.dialogs.warning(QStringLiteral("DEVICE NAME Missing!"), kErrorMessageTitle);
            return;
        }
        const int32_t result = m_context.printer.Open(deviceName);
        if (result == opos::OPOS_SUCCESS)
            m_context.flags.DeviceOpened = true;
        logResult(m_context, QStringLiteral("Open()"), resolveExtendedResult(m_context, result),
                  deviceName);
    });
}

void DeviceCommands::Claim()
{
    trapFailures(m_context.dialogs, kErrorMessageTitle, [this] {
        const QString timeoutText = m_widgets.txtTimeout->text();
        if (!numbers::IsNumeric(timeoutText)) {
            m_context.dialogs.warning(QStringLiteral("PARAMETER TIMEOUT Missing or invalid!"),
                                      kErrorMessageTitle);
            return;
        }
        opos::PosPrinter& printer = m_context.printer;
        const int32_t version = printer.ControlObjectVersion();
        // The field holds seconds.
        const int32_t seconds = numbers::toLong(numbers::toDouble(timeoutText));
        const int32_t timeoutMs = numbers::toLong(static_cast<double>(seconds) * 1000.0);
        const int32_t result = hasDeviceMemberNames(version) ? printer.ClaimDevice(timeoutMs)
                                                             : printer.Claim(timeoutMs);
        if (result == opos::OPOS_SUCCESS)
            m_context.flags.DeviceClaimed = true;
        logResult(m_context, claimMemberText(printer.ControlObjectVersion()),
                  resolveExtendedResult(m_context, result), QStringLiteral("%1 ms").arg(timeoutMs));
    });
}

void DeviceCommands::SetDeviceEnable()
{
    trapFailures(m_context.dialogs, kErrorMessageTitle, [this] {
        // The caption alone records which value goes to the device next.
        const bool enable = m_widgets.cmdSetDeviceEnable->text() == kEnableCaption;
        m_context.printer.SetDeviceEnabled(enable);
        m_widgets.cmdSetDeviceEnable->setText(enable ? kDisableCaption : kEnableCaption);
        // The caption flips either way; the status bar says whether the printer took the value.
        const CallOutcome outcome = CallOutcome::of(m_context.printer);
        const QString said =
            propertyWriteText(QStringLiteral("DeviceEnabled"),
                              enable ? QStringLiteral("True") : QStringLiteral("False"), outcome);
        if (outcome.ok())
            m_context.note.succeeded(said);
        else
            m_context.note.failed(said, resolveExtendedResult(m_context, outcome.resultCode));
    });
}

void DeviceCommands::Release()
{
    trapFailures(m_context.dialogs, kErrorMessageTitle, [this] {
        opos::PosPrinter& printer = m_context.printer;
        const int32_t result = hasDeviceMemberNames(printer.ControlObjectVersion())
                                   ? printer.ReleaseDevice()
                                   : printer.Release();
        if (result == opos::OPOS_SUCCESS)
            m_context.flags.DeviceClaimed = false;
        logResult(m_context, releaseMemberText(printer.ControlObjectVersion()),
                  resolveExtendedResult(m_context, result));
    });
}

void DeviceCommands::Close()
{
    trapFailures(m_context.dialogs, kErrorMessageTitle, [this] {
        const int32_t result = m_context.printer.Close();
        if (result == opos::OPOS_SUCCESS) {
            m_context.flags.DeviceOpened = false;
            m_context.flags.DeviceClaimed = false;
        }
        logResult(m_context, QStringLiteral("Close()"), resolveExtendedResult(m_context, result));
    });
}

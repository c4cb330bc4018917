#include "devices/DeviceSequence.h"

#include "opos/CompanionDevice.h"
#include "services/FailureTrap.h"
#include "services/NameTables.h"
#include "services/OperationLog.h"

#include <vector>

namespace {

// DeviceEnabled is a property: its result is the ResultCode the write left.
DeviceStep enableStep(opos::CompanionDevice& device, bool enabled)
{
    return {QStringLiteral("DeviceEnabled"), [&device, enabled] {
                device.SetDeviceEnabled(enabled);
                return device.ResultCode();
            }};
}

} // namespace

void runCompanionTest(opos::CompanionDevice& device, const QString& className,
                      const QString& deviceName, Dialogs& dialogs, OperationLog& log,
                      std::initializer_list<DeviceStep> actions)
{
    if (deviceName.isEmpty()) {
        dialogs.warning(QStringLiteral("DEVICE NAME Missing!"), kErrorMessageTitle);
        return;
    }
    std::vector<DeviceStep> opening{
        {QStringLiteral("Open()"), [&device, deviceName] { return device.Open(deviceName); }},
        {QStringLiteral("ClaimDevice()"),
         [&device] { return device.ClaimDevice(kCompanionClaimTimeoutMs); }},
        enableStep(device, true)};
    opening.insert(opening.end(), actions.begin(), actions.end());
    const std::vector<DeviceStep> closing{
        enableStep(device, false),
        {QStringLiteral("ReleaseDevice()"), [&device] { return device.ReleaseDevice(); }},
        {QStringLiteral("Close()"), [&device] { return device.Close(); }}};

    auto run = [&className, &log](const DeviceStep& step) {
        const int32_t result = step.call();
        log.AppendLogRow(className + QLatin1Char('.') + step.member, DecodeResultCode(result));
    };
    trapFailures(dialogs, kErrorMessageTitle, [&opening, &run] {
        for (const DeviceStep& step : opening)
            run(step);
    });
    for (const DeviceStep& step : closing)
        trapFailures(dialogs, kErrorMessageTitle, [&step, &run] { run(step); });
}

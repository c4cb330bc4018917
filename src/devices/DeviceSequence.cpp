#include "devices/DeviceSequence.h"

#include "services/FailureTrap.h"

void RunDeviceSequence(const QString& deviceName, Dialogs& dialogs,
                       std::initializer_list<DeviceStep> actionSteps,
                       std::initializer_list<DeviceStep> closingSteps)
{
    if (deviceName.isEmpty()) {
        dialogs.warning(QStringLiteral("DEVICE NAME Missing!"), kErrorMessageTitle);
        return;
    }
    TrapFailures(dialogs, kErrorMessageTitle, [actionSteps] {
        for (const DeviceStep& step : actionSteps)
            step();
    });
    for (const DeviceStep& step : closingSteps)
        TrapFailures(dialogs, kErrorMessageTitle, step);
}

#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <initializer_list>

class Dialogs;
class OperationLog;
namespace opos {
class CompanionDevice;
}

// One call of a companion device's test: the member its log row names ("OpenDrawer()") and the
// call, which answers its result code.
struct DeviceStep
{
    QString member;
    std::function<int32_t()> call;
};

// How long the companion tests wait to claim their device.
inline constexpr int32_t kCompanionClaimTimeoutMs = 1000;

// Runs a companion device's open-to-close test: Open, ClaimDevice, enable, the actions, disable,
// ReleaseDevice, Close. An empty device name is refused with a warning box and nothing is
// called. Otherwise every call's result is logged as its own row in the standard colour, under
// the device's class name ("CashDrawer.Open()"), and a failing result does not stop the next
// call. The calls up to the actions stop at the first run-time failure, and the closing calls
// are made whatever happened, so the next run does not find the device claimed. A run-time
// failure is shown in an "ERROR MESSAGE" box when it happens and logs no row.
void runCompanionTest(opos::CompanionDevice& device, const QString& className,
                      const QString& deviceName, Dialogs& dialogs, OperationLog& log,
                      std::initializer_list<DeviceStep> actions);

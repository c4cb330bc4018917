#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>

class Dialogs;
class QString;

using DeviceStep = std::function<void()>;

// How long the companion tests wait to claim their device.
inline constexpr int32_t kCompanionClaimTimeoutMs = 1000;

// Runs a companion device's open-to-close test. An empty device name is refused with a warning
// box and nothing is called. Otherwise the steps up to the action stop at the first run-time
// failure, and the closing steps (disable, release, close) are made whatever happened, so the
// next run does not find the device claimed. Every failure is shown in an "ERROR MESSAGE" box
// when it happens. Result codes are not looked at.
void RunDeviceSequence(const QString& deviceName, Dialogs& dialogs,
                       std::initializer_list<DeviceStep> actionSteps,
                       std::initializer_list<DeviceStep> closingSteps);

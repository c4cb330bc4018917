#pragma once

#include "opos/ControlOptions.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

namespace opos {

class DeviceRegistry;

// The Line Display control object. Exclusive: enable needs a claim.
class LineDisplay : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LineDisplay)

public:
    LineDisplay(const DeviceRegistry& registry, ControlOptions options, QObject* parent = nullptr);
    ~LineDisplay() override;

    int32_t Open(const QString& deviceName);
    int32_t ClaimDevice(int32_t timeoutMs);
    int32_t ReleaseDevice();
    int32_t Close();
    int32_t ClearText();
    int32_t DisplayText(const QString& data, int32_t attribute);

    int32_t ControlObjectVersion() const;
    int32_t ResultCode() const;
    int32_t ResultCodeExtended() const;
    int32_t State() const;
    bool Claimed() const;
    bool DeviceEnabled() const;
    void SetDeviceEnabled(bool enabled);
    int32_t DeviceRows() const;
    int32_t DeviceColumns() const;

private:
    class Impl;
    std::unique_ptr<Impl> d;
};

} // namespace opos

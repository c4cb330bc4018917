#pragma once

#include "opos/ControlOptions.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

namespace opos {

class DeviceRegistry;

// The Cash Drawer control object. Sharable: a claim is optional.
class CashDrawer : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CashDrawer)

public:
    CashDrawer(const DeviceRegistry& registry, ControlOptions options, QObject* parent = nullptr);
    ~CashDrawer() override;

    int32_t Open(const QString& deviceName);
    int32_t ClaimDevice(int32_t timeoutMs);
    int32_t ReleaseDevice();
    int32_t Close();
    int32_t OpenDrawer();

    int32_t ControlObjectVersion() const;
    int32_t ResultCode() const;
    int32_t ResultCodeExtended() const;
    int32_t State() const;
    bool Claimed() const;
    bool DeviceEnabled() const;
    void SetDeviceEnabled(bool enabled);
    bool DrawerOpened() const;

signals:
    void StatusUpdateEvent(int32_t data);

private:
    class Impl;
    std::unique_ptr<Impl> d;
};

} // namespace opos

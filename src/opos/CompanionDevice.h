#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

namespace opos {

class CompanionCore;

// The life-cycle members and properties the Cash Drawer and Line Display control objects share.
class CompanionDevice : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CompanionDevice)

public:
    ~CompanionDevice() override;

    int32_t Open(const QString& deviceName);
    int32_t ClaimDevice(int32_t timeoutMs);
    int32_t ReleaseDevice();
    int32_t Close();

    int32_t ControlObjectVersion() const;
    int32_t ResultCode() const;
    int32_t ResultCodeExtended() const;
    int32_t State() const;
    bool Claimed() const;
    bool DeviceEnabled() const;
    void SetDeviceEnabled(bool enabled);

protected:
    CompanionDevice(std::unique_ptr<CompanionCore> core, QObject* parent);
    CompanionCore& core() const { return *m_core; }

private:
    std::unique_ptr<CompanionCore> m_core;
};

} // namespace opos

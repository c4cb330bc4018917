#include "opos/CompanionDevice.h"

#include "opos/CompanionControl.h"
#include "opos/DeviceCall.h"

namespace opos {

CompanionDevice::CompanionDevice(std::unique_ptr<CompanionCore> core, QObject* parent)
    : QObject(parent), m_core(std::move(core))
{}

CompanionDevice::~CompanionDevice() = default;

int32_t CompanionDevice::Open(const QString& deviceName)
{
    const DeviceCall call(m_core->registry, deviceName, QStringLiteral("the connection"));
    if (!m_core->life.opened)
        m_core->deviceName = deviceName;
    return m_core->open(deviceName);
}

int32_t CompanionDevice::ClaimDevice(int32_t timeoutMs)
{
    const DeviceCall call(m_core->registry, m_core->deviceName, QStringLiteral("the claim"));
    return m_core->claim(timeoutMs);
}

int32_t CompanionDevice::ReleaseDevice()
{
    const DeviceCall call(m_core->registry);
    return m_core->release();
}

int32_t CompanionDevice::Close()
{
    const DeviceCall call(m_core->registry);
    return m_core->close();
}

int32_t CompanionDevice::ControlObjectVersion() const
{
    return m_core->options.controlObjectVersion;
}

int32_t CompanionDevice::ResultCode() const
{
    return m_core->life.resultCode;
}

int32_t CompanionDevice::ResultCodeExtended() const
{
    return m_core->life.resultCodeExtended;
}

int32_t CompanionDevice::State() const
{
    return m_core->life.state();
}

bool CompanionDevice::Claimed() const
{
    return m_core->life.claimed;
}

bool CompanionDevice::DeviceEnabled() const
{
    return m_core->life.enabled;
}

void CompanionDevice::SetDeviceEnabled(bool enabled)
{
    const DeviceCall call(m_core->registry);
    m_core->setEnabled(enabled);
}

} // namespace opos

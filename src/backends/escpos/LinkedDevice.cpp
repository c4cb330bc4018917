#include "backends/escpos/LinkedDevice.h"

#include "backends/escpos/LinkPool.h"
#include "opos/OposConstants.h"

namespace escpos {

LinkedDevice::LinkedDevice(QString name, DeviceSettings settings, std::shared_ptr<LinkPool> pool)
    : m_name(std::move(name)), m_settings(std::move(settings)), m_pool(std::move(pool))
{}

LinkedDevice::~LinkedDevice()
{
    close();
}

void LinkedDevice::open(const LinkOptions& options)
{
    if (!m_link)
        m_link = m_pool->acquire(m_settings.address, options);
}

void LinkedDevice::close()
{
    detach();
    m_link.reset();
}

opos::DeviceResult LinkedDevice::attach(int32_t claimTimeoutMs)
{
    if (!m_link)
        return notOpen();
    if (m_attached)
        return connected(QDeadlineTimer(m_settings.timeouts.connectMs), CallMode::Synchronous);
    // A claim time-out of 0 means one try: one connect within connectTimeout.
    const int connectMs = m_settings.timeouts.connectMs;
    const int ms = claimTimeoutMs > 0 ? std::min(claimTimeoutMs, connectMs) : connectMs;
    const opos::DeviceResult result =
        m_link->attach(QDeadlineTimer(ms), waiter(CallMode::Synchronous));
    m_attached = result.ok();
    return result;
}

void LinkedDevice::detach()
{
    if (m_attached && m_link)
        m_link->detach();
    m_attached = false;
}

opos::DeviceResult LinkedDevice::connected(QDeadlineTimer deadline, CallMode mode)
{
    if (!m_link)
        return notOpen();
    if (m_link->isConnected())
        return {};
    return m_link->reconnect(deadline, waiter(mode));
}

opos::Waiter& LinkedDevice::waiter(CallMode mode) const
{
    return m_link->waiter(mode == CallMode::Synchronous);
}

QString LinkedDevice::noStatus(const QueryResult& reply) const
{
    if (!reply.silent())
        return reply.text;
    // A name from devices.ini is set up in its section there, an address typed as the name in
    // the address itself.
    const QString remedy =
        isAddress(m_name)
            ? QStringLiteral("add ?status=none to its address")
            : QStringLiteral("add status=none to its section [%1] in devices.ini").arg(m_name);
    return QStringLiteral("no answer to a status request within %1 ms: if this printer is "
                          "one-way, %2")
        .arg(m_settings.timeouts.statusMs)
        .arg(remedy);
}

opos::DeviceResult LinkedDevice::notOpen() const
{
    return {opos::OPOS_E_CLOSED, 0, QStringLiteral("%1 is not open").arg(m_name)};
}

} // namespace escpos

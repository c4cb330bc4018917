#include "backends/escpos/EscPosCashDrawer.h"

#include "backends/escpos/EscPosTranslator.h"
#include "backends/escpos/Link.h"
#include "backends/escpos/LinkPool.h"
#include "opos/OposConstants.h"

namespace escpos {

using opos::DeviceResult;

EscPosCashDrawer::EscPosCashDrawer(QString name, DeviceSettings settings,
                                   std::shared_ptr<LinkPool> pool)
    : m_name(std::move(name)), m_settings(std::move(settings)), m_pool(std::move(pool))
{}

EscPosCashDrawer::~EscPosCashDrawer()
{
    close();
}

void EscPosCashDrawer::setListener(opos::CashDrawerBackendListener* listener)
{
    std::lock_guard lock(m_mutex);
    m_listener = listener;
}

DeviceResult EscPosCashDrawer::open()
{
    if (!m_link) {
        const Timeouts& t = m_settings.timeouts;
        m_link =
            m_pool->acquire(m_settings.address, {m_settings.printer.watch, t.pollMs, t.statusMs});
    }
    return {};
}

void EscPosCashDrawer::close()
{
    disable();
    release();
    m_link.reset();
}

// The drawer is sharable: enabling works without a claim, so either one connects.
DeviceResult EscPosCashDrawer::attach()
{
    if (!m_link)
        return {opos::OPOS_E_CLOSED, 0, QStringLiteral("The cash drawer is not open")};
    if (m_attached) {
        if (m_link->isConnected())
            return {};
        return m_link->reconnect(m_settings.timeouts.connectMs);
    }
    const DeviceResult result = m_link->attach(m_settings.timeouts.connectMs);
    m_attached = result.ok();
    return result;
}

void EscPosCashDrawer::detachUnlessUsed()
{
    if (m_attached && !m_claimed && !m_enabled && m_link) {
        m_link->detach();
        m_attached = false;
    }
}

DeviceResult EscPosCashDrawer::claim(int32_t)
{
    const DeviceResult result = attach();
    m_claimed = result.ok();
    return result;
}

void EscPosCashDrawer::release()
{
    m_claimed = false;
    detachUnlessUsed();
}

DeviceResult EscPosCashDrawer::enable()
{
    const DeviceResult attached = attach();
    if (!attached.ok())
        return attached;
    if (m_settings.printer.watch != StatusWatch::None) {
        const QueryResult reply = m_link->query(cmd::realTimeStatus(1), ReplyKind::RealTime, 1,
                                                m_settings.timeouts.statusMs);
        if (!reply.ok())
            return {
                opos::OPOS_E_OFFLINE, 0,
                QStringLiteral("The printer did not answer a status request: %1").arg(reply.text)};
        DeviceStatus status;
        status.answered = true;
        status.drawerHigh = (static_cast<uint8_t>(reply.replies[0]) & 0x04) != 0;
        applyStatus(status, false);
        if (m_watcher == 0)
            m_watcher = m_link->addWatcher([this](const DeviceStatus& s) { applyStatus(s, true); });
    }
    m_enabled = true;
    return {};
}

void EscPosCashDrawer::disable()
{
    m_enabled = false;
    if (m_watcher != 0 && m_link)
        m_link->removeWatcher(m_watcher);
    m_watcher = 0;
    detachUnlessUsed();
}

DeviceResult EscPosCashDrawer::openDrawer()
{
    if (!m_link || !m_link->isConnected())
        return {opos::OPOS_E_OFFLINE, 0,
                QStringLiteral("The printer of the cash drawer is not connected")};
    const DrawerSettings& d = m_settings.drawer;
    const int jobMs = m_settings.timeouts.jobMs;
    const DeviceResult written = m_link->write(cmd::drawerPulse(d.pin, d.onMs, d.offMs), jobMs);
    return written.ok() ? m_link->flush(jobMs) : written;
}

bool EscPosCashDrawer::drawerOpened()
{
    std::lock_guard lock(m_mutex);
    return m_open;
}

QVariantMap EscPosCashDrawer::deviceProperties()
{
    const bool sensor = m_settings.printer.watch != StatusWatch::None;
    return {
        {QStringLiteral("DeviceName"), m_name},
        {QStringLiteral("DeviceDescription"),
         QStringLiteral("Cash drawer on the ESC/POS printer at %1, pin %2")
             .arg(m_settings.address.key())
             .arg(m_settings.drawer.pin)},
        {QStringLiteral("CapStatus"), sensor},
        {QStringLiteral("CapPowerReporting"), opos::OPOS_PR_NONE},
    };
}

void EscPosCashDrawer::applyStatus(const DeviceStatus& status, bool notify)
{
    if (!status.answered)
        return;
    const bool open = status.drawerHigh == m_settings.drawer.openWhenHigh;
    std::lock_guard lock(m_mutex);
    if (open == m_open)
        return;
    m_open = open;
    if (notify && m_enabled && m_listener)
        m_listener->drawerChanged(open);
}

} // namespace escpos

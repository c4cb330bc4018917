#include "backends/escpos/EscPosCashDrawer.h"

#include "backends/escpos/EscPosTranslator.h"
#include "backends/escpos/Link.h"
#include "opos/OposConstants.h"

namespace escpos {

using opos::DeviceResult;

EscPosCashDrawer::EscPosCashDrawer(QString name, DeviceSettings settings,
                                   std::shared_ptr<LinkPool> pool)
    : m_device(std::move(name), std::move(settings), std::move(pool)),
      m_settings(m_device.settings())
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
    const Timeouts& t = m_settings.timeouts;
    m_device.open({m_settings.printer.watch, t.pollMs, t.statusMs, t.connectMs});
    return {};
}

void EscPosCashDrawer::close()
{
    disable();
    release();
    m_device.close();
}

// The drawer is sharable: enabling works without a claim, so either one connects.
DeviceResult EscPosCashDrawer::attach()
{
    return m_device.attach(0);
}

void EscPosCashDrawer::detachUnlessUsed()
{
    if (!m_claimed && !m_enabled)
        m_device.detach();
}

DeviceResult EscPosCashDrawer::claim(int32_t timeoutMs)
{
    const DeviceResult result = m_device.attach(timeoutMs);
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
    Link& link = *m_device.link();
    if (m_settings.printer.watch != StatusWatch::None) {
        const QueryResult reply =
            link.query(cmd::realTimeStatus(1), {1, 0}, QDeadlineTimer(m_settings.timeouts.statusMs),
                       m_device.waiter(CallMode::Synchronous));
        if (!reply.ok())
            return {reply.code, 0, m_device.noStatus(reply)};
        DeviceStatus status;
        status.answered = true;
        status.drawerHigh = (static_cast<uint8_t>(reply.realTime[0]) & 0x04) != 0;
        applyStatus(status, false);
        if (m_watcher == 0)
            m_watcher = link.addWatcher([this](const DeviceStatus& s) { applyStatus(s, true); });
    }
    m_enabled = true;
    return {};
}

void EscPosCashDrawer::disable()
{
    m_enabled = false;
    if (m_watcher != 0 && m_device.link())
        m_device.link()->removeWatcher(m_watcher);
    m_watcher = 0;
    detachUnlessUsed();
}

DeviceResult EscPosCashDrawer::openDrawer()
{
    const DrawerSettings& d = m_settings.drawer;
    const QDeadlineTimer deadline(m_settings.timeouts.jobMs);
    if (const DeviceResult up = m_device.connected(deadline, CallMode::Synchronous); !up.ok())
        return {
            up.code == opos::OPOS_E_TIMEOUT ? up.code : opos::OPOS_E_OFFLINE, 0,
            QStringLiteral("the printer of the cash drawer cannot be reached: %1").arg(up.text)};
    Link& link = *m_device.link();
    opos::Waiter& waiter = m_device.waiter(CallMode::Synchronous);
    const QByteArray pulse = cmd::drawerPulse(d.pin, d.onMs, d.offMs);
    if (m_settings.printer.watch == StatusWatch::None)
        return link.send(pulse, deadline, waiter);
    // A two-way printer answers a transmit-status request only after the bytes before it, so
    // its answer says the pulse reached the printer, not just the system's send buffer.
    const QueryResult reply =
        link.query(pulse + cmd::transmitPaperStatus(), {0, 1}, deadline, waiter);
    if (reply.ok())
        return {};
    return {reply.code, 0, QStringLiteral("%1; the drawer may not have opened").arg(reply.text)};
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
        {QStringLiteral("DeviceName"), m_device.name()},
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

#include "backends/escpos/EscPosLineDisplay.h"

#include "backends/escpos/Link.h"
#include "backends/escpos/LinkPool.h"
#include "opos/OposConstants.h"

namespace escpos {

using opos::DeviceResult;

EscPosLineDisplay::EscPosLineDisplay(QString name, DeviceSettings settings,
                                     std::shared_ptr<LinkPool> pool)
    : m_name(std::move(name)), m_settings(std::move(settings)), m_pool(std::move(pool)),
      m_commands(m_settings.display)
{}

EscPosLineDisplay::~EscPosLineDisplay()
{
    close();
}

DeviceResult EscPosLineDisplay::open()
{
    if (!m_link) {
        // A display only listens: nothing to watch.
        m_link = m_pool->acquire(m_settings.address, {StatusWatch::None, 0, 0});
    }
    return {};
}

void EscPosLineDisplay::close()
{
    release();
    m_link.reset();
}

DeviceResult EscPosLineDisplay::claim(int32_t)
{
    if (!m_link)
        return {opos::OPOS_E_CLOSED, 0, QStringLiteral("The line display is not open")};
    if (m_claimed)
        return {};
    const DeviceResult result = m_link->attach(m_settings.timeouts.connectMs);
    m_claimed = result.ok();
    return result;
}

void EscPosLineDisplay::release()
{
    if (m_claimed && m_link)
        m_link->detach();
    m_claimed = false;
}

DeviceResult EscPosLineDisplay::enable()
{
    if (!m_claimed)
        return {opos::OPOS_E_NOTCLAIMED, 0, QStringLiteral("The line display is not claimed")};
    if (!m_link->isConnected()) {
        const DeviceResult reconnected = m_link->reconnect(m_settings.timeouts.connectMs);
        if (!reconnected.ok())
            return reconnected;
    }
    return send(m_commands.initialise());
}

void EscPosLineDisplay::disable() {}

DeviceResult EscPosLineDisplay::show(const QStringList& window, int32_t attribute)
{
    return send(m_commands.showWindow(window, attribute));
}

QVariantMap EscPosLineDisplay::deviceProperties()
{
    return {
        {QStringLiteral("DeviceName"), m_name},
        {QStringLiteral("DeviceDescription"),
         QStringLiteral("%1 customer display at %2")
             .arg(m_settings.display.commands == DisplayCommandSet::Epson
                      ? QStringLiteral("Epson-style")
                      : QStringLiteral("CD5220-style"),
                  m_settings.address.key())},
        {QStringLiteral("DeviceRows"), m_settings.display.rows},
        {QStringLiteral("DeviceColumns"), m_settings.display.columns},
        {QStringLiteral("CharacterSet"), m_settings.display.characterSet},
    };
}

DeviceResult EscPosLineDisplay::send(const QByteArray& bytes)
{
    if (!m_link || !m_link->isConnected())
        return {opos::OPOS_E_OFFLINE, 0, QStringLiteral("The line display is not connected")};
    const int jobMs = m_settings.timeouts.jobMs;
    const DeviceResult written = m_link->write(bytes, jobMs);
    return written.ok() ? m_link->flush(jobMs) : written;
}

} // namespace escpos

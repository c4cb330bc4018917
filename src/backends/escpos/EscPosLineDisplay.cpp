#include "backends/escpos/EscPosLineDisplay.h"

#include "backends/escpos/Link.h"
#include "opos/OposConstants.h"

namespace escpos {

using opos::DeviceResult;

EscPosLineDisplay::EscPosLineDisplay(QString name, DeviceSettings settings,
                                     std::shared_ptr<LinkPool> pool)
    : m_device(std::move(name), std::move(settings), std::move(pool)),
      m_settings(m_device.settings()), m_commands(m_settings.display)
{}

EscPosLineDisplay::~EscPosLineDisplay()
{
    close();
}

DeviceResult EscPosLineDisplay::open()
{
    // A display only listens: nothing to watch.
    m_device.open({StatusWatch::None, 0, 0, m_settings.timeouts.connectMs});
    return {};
}

void EscPosLineDisplay::close()
{
    m_device.close();
}

DeviceResult EscPosLineDisplay::claim(int32_t timeoutMs)
{
    return m_device.attach(timeoutMs);
}

void EscPosLineDisplay::release()
{
    m_device.detach();
}

DeviceResult EscPosLineDisplay::enable()
{
    if (!m_device.attached())
        return {opos::OPOS_E_NOTCLAIMED, 0, QStringLiteral("The line display is not claimed")};
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
        {QStringLiteral("DeviceName"), m_device.name()},
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
    const QDeadlineTimer deadline(m_settings.timeouts.jobMs);
    if (const DeviceResult up = m_device.connected(deadline, CallMode::Synchronous); !up.ok())
        return {up.code == opos::OPOS_E_TIMEOUT ? up.code : opos::OPOS_E_OFFLINE, 0,
                QStringLiteral("the line display cannot be reached: %1").arg(up.text)};
    return m_device.link()->send(bytes, deadline, m_device.waiter(CallMode::Synchronous));
}

} // namespace escpos

#pragma once

#include "backends/escpos/DisplayCommands.h"
#include "backends/escpos/LinkedDevice.h"
#include "opos/CompanionBackends.h"

#include <memory>

namespace escpos {

// A customer display on a serial port (or any address) speaking the Epson-style or CD5220-style
// command set.
class EscPosLineDisplay : public opos::LineDisplayBackend
{
public:
    EscPosLineDisplay(QString name, DeviceSettings settings, std::shared_ptr<LinkPool> pool);
    ~EscPosLineDisplay() override;

    opos::DeviceResult open() override;
    void close() override;
    opos::DeviceResult claim(int32_t timeoutMs) override;
    void release() override;
    opos::DeviceResult enable() override;
    void disable() override;
    int32_t rows() const override { return m_settings.display.rows; }
    int32_t columns() const override { return m_settings.display.columns; }
    opos::DeviceResult show(const QStringList& window, int32_t attribute) override;
    QVariantMap deviceProperties() override;

private:
    opos::DeviceResult send(const QByteArray& bytes);

    LinkedDevice m_device;
    const DeviceSettings& m_settings;
    DisplayCommands m_commands;
};

} // namespace escpos

#pragma once

#include "backends/escpos/DeviceSettings.h"

#include <QString>
#include <optional>

namespace escpos {

// The user's file of real devices: one section per logical name with its class, address and
// settings. Read afresh on every look-up, so an edited file counts at the next Open.
class DeviceFile
{
public:
    explicit DeviceFile(QString path);

    // Where the file normally is: $XDG_CONFIG_HOME/opos-printer-test/devices.ini.
    static QString defaultPath();

    const QString& path() const { return m_path; }

    // The entry for a logical name (exact, else ignoring case), or nothing when the file or the
    // name is missing. A malformed file or entry throws SettingsError with the reason.
    std::optional<DeviceSettings> find(const QString& name) const;

private:
    QString m_path;
};

} // namespace escpos

#pragma once

#include "backends/escpos/DeviceSettings.h"

#include <QString>
#include <optional>
#include <vector>

namespace escpos {

// The user's file of real devices: one [logical name] section per device with its class,
// address and settings. Read afresh and whole on every look-up, so an edited file counts at the
// next Open and the same file always gives the same answer.
class DeviceFile
{
public:
    struct Entry
    {
        QString name;
        QString address; // as the file writes it
        DeviceSettings settings;
    };

    explicit DeviceFile(QString path);

    // Where the file normally is: $XDG_CONFIG_HOME/opos-printer-test/devices.ini.
    static QString defaultPath();

    const QString& path() const { return m_path; }

    // Every entry in the order of the file; none when there is no file. Any fault of the file
    // or of one of its entries throws SettingsError naming the file, the line and the fault.
    std::vector<Entry> entries() const;

    // The entry for a logical name (exact, else ignoring case), or nothing when the file or the
    // name is missing. Throws as entries() does.
    std::optional<DeviceSettings> find(const QString& name) const;

private:
    QString m_path;
};

} // namespace escpos

#include "backends/escpos/DeviceFile.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace escpos {

namespace {

[[noreturn]] void fail(const QString& message)
{
    throw SettingsError(message.toStdString());
}

DeviceClass parseClass(const QString& text)
{
    const QString lower = text.trimmed().toLower();
    if (lower == QLatin1String("posprinter"))
        return DeviceClass::PosPrinter;
    if (lower == QLatin1String("cashdrawer"))
        return DeviceClass::CashDrawer;
    if (lower == QLatin1String("linedisplay"))
        return DeviceClass::LineDisplay;
    fail(QStringLiteral(
             "Setting \"class\" must be PosPrinter, CashDrawer or LineDisplay, not \"%1\"")
             .arg(text));
}

// QSettings reads "48,64" as a list; the settings parser wants the text back.
QString valueText(const QVariant& value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

} // namespace

DeviceFile::DeviceFile(QString path) : m_path(std::move(path)) {}

QString DeviceFile::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/opos-printer-test/devices.ini");
}

std::optional<DeviceSettings> DeviceFile::find(const QString& name) const
{
    if (m_path.isEmpty() || !QFileInfo::exists(m_path))
        return std::nullopt;
    QSettings file(m_path, QSettings::IniFormat);
    if (file.status() != QSettings::NoError)
        fail(QStringLiteral("The device file %1 cannot be read (syntax error)").arg(m_path));
    const QStringList groups = file.childGroups();
    QString group;
    if (groups.contains(name)) {
        group = name;
    } else {
        for (const QString& candidate : groups) {
            if (candidate.compare(name, Qt::CaseInsensitive) == 0)
                group = candidate;
        }
    }
    if (group.isEmpty() || name.trimmed().isEmpty())
        return std::nullopt;

    file.beginGroup(group);
    const auto where = [&](const QString& why) {
        return QStringLiteral("Device \"%1\" in %2: %3").arg(group, m_path, why);
    };
    try {
        const QString address = valueText(file.value(QStringLiteral("address")));
        if (address.isEmpty())
            fail(QStringLiteral("no address"));
        if (!isAddress(address))
            fail(QStringLiteral("\"%1\" is not a tcp://, file:// or serial:// address")
                     .arg(address));
        DeviceSettings settings = parseAddress(address);
        settings.deviceClass = parseClass(valueText(file.value(QStringLiteral("class"))));
        QMap<QString, QString> values;
        for (const QString& key : file.childKeys()) {
            if (key != QLatin1String("class") && key != QLatin1String("address"))
                values.insert(key, valueText(file.value(key)));
        }
        applySettings(settings, values);
        return settings;
    } catch (const SettingsError& error) {
        fail(where(QString::fromStdString(error.what())));
    }
}

} // namespace escpos

#include "backends/escpos/DeviceFile.h"

#include "backends/escpos/ConfiguredDevices.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QStandardPaths>
#include <QStringDecoder>
#include <cerrno>
#include <cstring>
#include <ini.h>
#include <sys/stat.h>

namespace escpos {

namespace {

// A devices.ini is a few hundred bytes; a site's generated list of every till may hold a few
// hundred thousand entries. Anything larger is the wrong file.
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

DeviceClass parseClass(const QString& text)
{
    for (const DeviceClass candidate :
         {DeviceClass::PosPrinter, DeviceClass::CashDrawer, DeviceClass::LineDisplay}) {
        if (text.trimmed().compare(deviceClassName(candidate), Qt::CaseInsensitive) == 0)
            return candidate;
    }
    SettingsError::raise(
        QStringLiteral(
            "Setting \"class\" must be PosPrinter, CashDrawer or LineDisplay, not \"%1\"")
            .arg(text));
}

struct Setting
{
    QString key;
    QString value;
    int line = 0;
};

struct Section
{
    QString name;
    int line = 0;
    QList<Setting> settings;
};

// The file's bytes, refused with the reason when it is no readable text file of sane size.
QByteArray readWhole(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        SettingsError::raise(
            QStringLiteral("The device file %1 is a folder, not a file").arg(path));
    if (!info.isFile())
        SettingsError::raise(QStringLiteral("The device file %1 is not a regular file").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        SettingsError::raise(
            QStringLiteral("The device file %1 cannot be read: %2").arg(path, file.errorString()));
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        SettingsError::raise(
            QStringLiteral("The device file %1 cannot be read: %2").arg(path, file.errorString()));
    if (bytes.size() > kMaxFileSize)
        SettingsError::raise(
            QStringLiteral("The device file %1 is larger than %2 MB; it cannot be a device list")
                .arg(path)
                .arg(kMaxFileSize / (1024 * 1024)));
    return bytes;
}

// Reads an INI text strictly with inih: sections, name=value lines and comments only; each
// line is checked before inih sees it, so every fault is reported with its line. Lines reach
// inih without their indentation, which turns its continuation lines off.
class StrictIni
{
public:
    StrictIni(QString path, const QByteArray& bytes) : m_path(std::move(path))
    {
        QByteArray text = bytes;
        if (text.startsWith("\xEF\xBB\xBF"))
            text.remove(0, 3);
        m_lines = text.split('\n');
    }

    std::vector<Section> parse()
    {
        const int result = ini_parse_stream(&StrictIni::readLine, this, &StrictIni::handle, this);
        if (!m_error.isEmpty())
            SettingsError::raise(m_error);
        if (result > 0)
            SettingsError::raise(
                at(result,
                   QStringLiteral("syntax error: expected [device name], name=value or a comment "
                                  "starting with ; or #")));
        if (result < 0)
            SettingsError::raise(QStringLiteral("The device file %1 cannot be read").arg(m_path));
        return std::move(m_sections);
    }

private:
    QString at(int line, const QString& why) const
    {
        return QStringLiteral("%1, line %2: %3").arg(m_path).arg(line).arg(why);
    }

    bool refuse(const QString& why)
    {
        if (m_error.isEmpty())
            m_error = at(m_line, why);
        return false;
    }

    // Checks one line and notes a section header; false when the line is refused.
    bool accept(const QByteArray& line)
    {
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString text = decoder(line);
        if (decoder.hasError())
            return refuse(QStringLiteral("the text is not UTF-8"));
        if (const QString control = describeControlCharacter(text, true); !control.isEmpty())
            return refuse(QStringLiteral("the line holds %1").arg(control));
        if (!text.startsWith(u'['))
            return true;
        const qsizetype close = text.indexOf(u']');
        const QString rest = close < 0 ? QString() : text.sliced(close + 1).trimmed();
        if (close < 0 || !(rest.isEmpty() || rest.startsWith(u';') || rest.startsWith(u'#')))
            return refuse(QStringLiteral(
                "syntax error: a section header is [device name] alone on its line"));
        const QString name = text.sliced(1, close - 1).trimmed();
        if (name.isEmpty())
            return refuse(QStringLiteral("the section has no device name"));
        // Names are told apart ignoring case; a hash keeps a file of many devices linear.
        const QString folded = name.toCaseFolded();
        if (const auto earlier = m_lineOfName.constFind(folded); earlier != m_lineOfName.cend())
            return refuse(QStringLiteral("device \"%1\" is already defined on line %2")
                              .arg(name)
                              .arg(*earlier));
        m_lineOfName.insert(folded, m_line);
        m_sections.push_back({name, m_line, {}});
        return true;
    }

    static char* readLine(char* buffer, int size, void* user)
    {
        auto& self = *static_cast<StrictIni*>(user);
        if (!self.m_error.isEmpty() || self.m_line >= self.m_lines.size())
            return nullptr;
        const QByteArray line = self.m_lines[self.m_line++].trimmed();
        if (!self.accept(line))
            return nullptr;
        if (line.size() + 2 > size) {
            self.refuse(QStringLiteral("the line is longer than %1 characters").arg(size - 2));
            return nullptr;
        }
        std::copy(line.begin(), line.end(), buffer);
        buffer[line.size()] = '\n';
        buffer[line.size() + 1] = '\0';
        return buffer;
    }

    static int handle(void* user, const char*, const char* name, const char* value)
    {
        auto& self = *static_cast<StrictIni*>(user);
        const QString key = QString::fromUtf8(name);
        if (self.m_sections.empty())
            return self.refuse(
                QStringLiteral("\"%1\" comes before the first [device name] section").arg(key));
        Section& section = self.m_sections.back();
        if (key.isEmpty())
            return self.refuse(QStringLiteral("a setting without a name"));
        for (const Setting& earlier : section.settings) {
            if (earlier.key == key)
                return self.refuse(QStringLiteral("\"%1\" is given twice for device \"%2\" "
                                                  "(first on line %3)")
                                       .arg(key, section.name)
                                       .arg(earlier.line));
        }
        section.settings.append({key, QString::fromUtf8(value), self.m_line});
        return 1;
    }

    QString m_path;
    QList<QByteArray> m_lines;
    int m_line = 0; // the line inih is working on, from 1
    QString m_error;
    std::vector<Section> m_sections;
    QHash<QString, int> m_lineOfName; // case-folded section name -> its line
};

// The line of the setting a fault is about; the section's header when it is about none.
int lineOf(const Section& section, const QString& key)
{
    for (const Setting& setting : section.settings)
        if (setting.key == key)
            return setting.line;
    return section.line;
}

// False when there is no device file; a path that cannot be followed (a link to itself, a loop,
// a link to nothing, a folder that cannot be searched) is refused with the system's reason
// instead of passing for a missing file.
bool deviceFileExists(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info = {};
    if (::stat(native.constData(), &info) == 0)
        return true;
    const int reason = errno;
    const bool isLink = ::lstat(native.constData(), &info) == 0;
    if (reason == ENOENT && !isLink)
        return false;
    if (reason == ENOENT)
        SettingsError::raise(
            QStringLiteral("The device file %1 is a link to %2, which does not exist")
                .arg(path, QFileInfo(path).symLinkTarget()));
    SettingsError::raise(QStringLiteral("The device file %1 cannot be read: %2")
                             .arg(path, QString::fromLocal8Bit(std::strerror(reason))));
}

QString addressOf(const Section& section)
{
    for (const Setting& setting : section.settings)
        if (setting.key == QLatin1String("address"))
            return setting.value;
    return {};
}

DeviceSettings toSettings(const Section& section)
{
    const QString address = addressOf(section);
    QString className;
    QMap<QString, QString> values;
    for (const Setting& setting : section.settings) {
        if (setting.key == QLatin1String("address"))
            continue;
        if (setting.key == QLatin1String("class"))
            className = setting.value;
        else
            values.insert(setting.key, setting.value);
    }
    if (address.isEmpty())
        SettingsError::raise(QStringLiteral("no address"));
    // Each fault names the setting it is about, so that the message can point at its line.
    const auto about = [](const QString& setting, const auto& step) {
        try {
            return step();
        } catch (const SettingsError& error) {
            throw SettingsError(error.what(),
                                error.setting().isEmpty() ? setting : error.setting());
        }
    };
    DeviceSettings settings = about(QStringLiteral("address"), [&] {
        if (!isAddress(address))
            SettingsError::raise(
                QStringLiteral("\"%1\" is not a tcp://, file:// or serial:// address")
                    .arg(address));
        return parseAddress(address);
    });
    settings.deviceClass = about(QStringLiteral("class"), [&] { return parseClass(className); });
    applySettings(settings, values);
    return settings;
}

} // namespace

DeviceFile::DeviceFile(QString path) : m_path(std::move(path)) {}

QString DeviceFile::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/opos-printer-test/devices.ini");
}

std::vector<DeviceFile::Entry> DeviceFile::entries() const
{
    if (m_path.isEmpty() || !deviceFileExists(m_path))
        return {};
    std::vector<Entry> entries;
    for (const Section& section : StrictIni(m_path, readWhole(m_path)).parse()) {
        try {
            entries.push_back({section.name, addressOf(section), toSettings(section)});
        } catch (const SettingsError& error) {
            SettingsError::raise(QStringLiteral("%1, line %2, device \"%3\": %4")
                                     .arg(m_path)
                                     .arg(lineOf(section, error.setting()))
                                     .arg(section.name, QString::fromUtf8(error.what())));
        }
    }
    return entries;
}

std::optional<DeviceSettings> DeviceFile::find(const QString& name) const
{
    std::vector<Entry> all = entries();
    if (name.trimmed().isEmpty())
        return std::nullopt;
    // Names are unique ignoring case, so an exact match and a match ignoring case agree.
    for (Entry& entry : all) {
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0)
            return std::move(entry.settings);
    }
    return std::nullopt;
}

} // namespace escpos

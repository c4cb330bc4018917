#include "backends/escpos/DeviceSettings.h"

#include "opos/TextEncoder.h"

#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>
#include <functional>

namespace escpos {

namespace {

int toInt(const QString& key, const QString& text, int low, int high)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < low || value > high)
        SettingsError::raise(
            QStringLiteral("Setting \"%1\" must be a whole number from %2 to %3, not \"%4\"")
                .arg(key)
                .arg(low)
                .arg(high)
                .arg(text));
    return value;
}

template <typename T>
T choose(const QString& key, const QString& text, const QMap<QString, T>& choices)
{
    const auto found = choices.constFind(text.trimmed().toLower());
    if (found == choices.constEnd())
        SettingsError::raise(QStringLiteral("Setting \"%1\" must be one of %2, not \"%3\"")
                                 .arg(key, choices.keys().join(QStringLiteral(", ")), text));
    return *found;
}

QList<int> toIntList(const QString& key, const QString& text, int low, int high)
{
    if (text.trimmed().isEmpty())
        SettingsError::raise(QStringLiteral("Setting \"%1\" needs at least one number").arg(key));
    QList<int> values;
    for (const QString& part : text.split(QLatin1Char(',')))
        values.append(toInt(key, part, low, high));
    return values;
}

// "437:0,850:2" -> {437: 0, 850: 2}
QMap<int, int> toCodeTables(const QString& key, const QString& text, QMap<int, int> tables)
{
    for (const QString& pair : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList parts = pair.split(QLatin1Char(':'));
        if (parts.size() != 2)
            SettingsError::raise(
                QStringLiteral("Setting \"%1\" needs CHARACTERSET:TABLE pairs, not \"%2\"")
                    .arg(key, pair));
        tables.insert(toInt(key, parts[0], 1, 9999), toInt(key, parts[1], 0, 255));
    }
    return tables;
}

void checkCharacterSet(const QString& key, int characterSet, const QMap<int, int>& tables)
{
    if (!tables.contains(characterSet))
        SettingsError::raise(QStringLiteral("Setting \"%1\": character set %2 has no code table")
                                 .arg(key)
                                 .arg(characterSet));
    if (!opos::TextEncoder::supports(characterSet))
        SettingsError::raise(
            QStringLiteral("Setting \"%1\": character set %2 cannot be encoded (437, 850, 858, "
                           "866, 1252 or 998)")
                .arg(key)
                .arg(characterSet));
}

using Setter = std::function<void(DeviceSettings&, const QString& key, const QString& value)>;

const QMap<QString, Setter>& setters()
{
    static const QMap<QString, Setter> table{
        {QStringLiteral("baud"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.address.serial.baud = toInt(k, v, 50, 4000000);
         }},
        {QStringLiteral("parity"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.address.serial.parity =
                 choose<QSerialPort::Parity>(k, v,
                                             {{QStringLiteral("none"), QSerialPort::NoParity},
                                              {QStringLiteral("even"), QSerialPort::EvenParity},
                                              {QStringLiteral("odd"), QSerialPort::OddParity},
                                              {QStringLiteral("mark"), QSerialPort::MarkParity},
                                              {QStringLiteral("space"), QSerialPort::SpaceParity}});
         }},
        {QStringLiteral("data"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.address.serial.dataBits = static_cast<QSerialPort::DataBits>(toInt(k, v, 5, 8));
         }},
        {QStringLiteral("stop"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.address.serial.stopBits = choose<QSerialPort::StopBits>(
                 k, v,
                 {{QStringLiteral("1"), QSerialPort::OneStop},
                  {QStringLiteral("1.5"), QSerialPort::OneAndHalfStop},
                  {QStringLiteral("2"), QSerialPort::TwoStop}});
         }},
        {QStringLiteral("flow"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.address.serial.flow = choose<QSerialPort::FlowControl>(
                 k, v,
                 {{QStringLiteral("none"), QSerialPort::NoFlowControl},
                  {QStringLiteral("rtscts"), QSerialPort::HardwareControl},
                  {QStringLiteral("xonxoff"), QSerialPort::SoftwareControl}});
         }},
        {QStringLiteral("connectTimeout"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.timeouts.connectMs = toInt(k, v, 1, 600000);
         }},
        {QStringLiteral("statusTimeout"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.timeouts.statusMs = toInt(k, v, 1, 600000);
         }},
        {QStringLiteral("jobTimeout"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.timeouts.jobMs = toInt(k, v, 1, 600000);
         }},
        {QStringLiteral("pollInterval"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.timeouts.pollMs = toInt(k, v, 10, 600000);
         }},
        {QStringLiteral("status"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.printer.watch =
                 choose<StatusWatch>(k, v,
                                     {{QStringLiteral("poll"), StatusWatch::Poll},
                                      {QStringLiteral("asb"), StatusWatch::AutoStatusBack},
                                      {QStringLiteral("none"), StatusWatch::None}});
         }},
        {QStringLiteral("codeTables"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.printer.codeTables = toCodeTables(k, v, s.printer.codeTables);
             s.display.codeTables = toCodeTables(k, v, s.display.codeTables);
         }},
        {QStringLiteral("characterSet"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.printer.characterSet = toInt(k, v, 1, 9999);
             s.display.characterSet = s.printer.characterSet;
         }},
        {QStringLiteral("lineChars"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.printer.lineCharsList = toIntList(k, v, 1, 255);
         }},
        {QStringLiteral("lineWidth"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.printer.lineWidth = toInt(k, v, 1, 65535);
         }},
        {QStringLiteral("cutFeed"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.printer.cutFeed = toInt(k, v, 0, 255);
         }},
        {QStringLiteral("drawerPin"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.drawer.pin = choose<int>(k, v, {{QStringLiteral("2"), 2}, {QStringLiteral("5"), 5}});
         }},
        {QStringLiteral("drawerOnTime"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.drawer.onMs = toInt(k, v, 2, 510);
         }},
        {QStringLiteral("drawerOffTime"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.drawer.offMs = toInt(k, v, 2, 510);
         }},
        {QStringLiteral("drawerOpenLevel"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.drawer.openWhenHigh = choose<bool>(
                 k, v, {{QStringLiteral("high"), true}, {QStringLiteral("low"), false}});
         }},
        {QStringLiteral("commandSet"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.display.commands =
                 choose<DisplayCommandSet>(k, v,
                                           {{QStringLiteral("epson"), DisplayCommandSet::Epson},
                                            {QStringLiteral("cd5220"), DisplayCommandSet::Cd5220}});
         }},
        {QStringLiteral("rows"), [](DeviceSettings& s, const QString& k,
                                    const QString& v) { s.display.rows = toInt(k, v, 1, 4); }},
        {QStringLiteral("columns"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.display.columns = toInt(k, v, 1, 80);
         }},
        {QStringLiteral("brightness"),
         [](DeviceSettings& s, const QString& k, const QString& v) {
             s.display.brightness = toInt(k, v, 1, 4);
         }},
    };
    return table;
}

} // namespace

QString Address::key() const
{
    switch (transport) {
    case Transport::Tcp:
        return QStringLiteral("tcp://%1:%2").arg(host.toLower()).arg(port);
    case Transport::File:
        return QStringLiteral("file://") + path;
    case Transport::Serial:
        return QStringLiteral("serial://") + path;
    }
    return {};
}

bool isAddress(const QString& name)
{
    const QString trimmed = name.trimmed();
    for (const char* scheme : {"tcp://", "file://", "serial://"}) {
        if (trimmed.startsWith(QLatin1String(scheme), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

namespace {

// "1B" for ESC: the character's code in hexadecimal, as %-encoding writes it.
QString hexCode(QChar c)
{
    return QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0');
}

} // namespace

QString describeControlCharacter(QStringView text, bool tabAllowed)
{
    for (const QChar c : text) {
        if (c.category() != QChar::Other_Control || (tabAllowed && c == u'\t'))
            continue;
        if (c.isNull())
            return QStringLiteral("a NUL character");
        return QStringLiteral("the control character 0x%1").arg(hexCode(c));
    }
    return {};
}

namespace {

// The address as a message quotes it: control characters written %XX.
QString quoted(const QString& name)
{
    QString out;
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control)
            out += u'%' + hexCode(c);
        else
            out += c;
    }
    return u'"' + out + u'"';
}

[[noreturn]] void refuseAddress(const QString& name, const QString& why)
{
    SettingsError::raise(
        QStringLiteral("%1 is not a usable device address: %2").arg(quoted(name), why));
}

// Says in plain words why an address is not a well-formed URL.
QString malformedReason(const QString& text)
{
    static const QString mustBeEncoded = QStringLiteral(" \"<>\\^`{|}");
    for (const QChar c : text) {
        if (mustBeEncoded.contains(c))
            return QStringLiteral("the character '%1' must be written %%2").arg(c, hexCode(c));
    }
    const qsizetype start = text.indexOf(QStringLiteral("://"));
    if (start >= 0) {
        const QString rest = text.sliced(start + 3);
        const QString authority =
            rest.left(rest.indexOf(QRegularExpression(QStringLiteral("[/?#]"))));
        const qsizetype colon = authority.lastIndexOf(u':');
        if (colon >= 0 && colon > authority.lastIndexOf(u']')) {
            const QString port = authority.sliced(colon + 1);
            bool number = false;
            const int value = port.toInt(&number);
            if (!number || value < 1 || value > 65535 || port.startsWith(u'+'))
                return QStringLiteral("the port must be a number from 1 to 65535, not \"%1\"")
                    .arg(port);
        }
        if (!authority.isEmpty())
            return QStringLiteral("\"%1\" is not a valid host name or IP address").arg(authority);
    }
    return QStringLiteral("write it as tcp://HOST[:PORT], file:///dev/DEVICE or "
                          "serial:///dev/DEVICE");
}

} // namespace

DeviceSettings parseAddress(const QString& name)
{
    if (const QString control = describeControlCharacter(name); !control.isEmpty())
        refuseAddress(name, QStringLiteral("it holds %1").arg(control));
    const QUrl url(name.trimmed(), QUrl::StrictMode);
    if (!url.isValid())
        refuseAddress(name, malformedReason(name.trimmed()));
    for (const auto& [part, text] : {std::pair{QStringLiteral("host name"), url.host()},
                                     std::pair{QStringLiteral("device path"), url.path()}}) {
        if (const QString control = describeControlCharacter(text); !control.isEmpty())
            refuseAddress(name, QStringLiteral("its %1 holds %2").arg(part, control));
    }
    if (url.hasFragment() || !url.userInfo().isEmpty())
        refuseAddress(name, QStringLiteral("a device address has no user name and no #part"));
    DeviceSettings settings;
    Address& address = settings.address;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("tcp")) {
        address.transport = Transport::Tcp;
        address.host = url.host();
        if (address.host.isEmpty())
            refuseAddress(name, QStringLiteral("it names no host"));
        const int port = url.port(9100);
        if (port < 1 || port > 65535)
            refuseAddress(name, QStringLiteral("the port must be a number from 1 to 65535"));
        address.port = static_cast<quint16>(port);
        if (!url.path().isEmpty() && url.path() != QLatin1String("/"))
            refuseAddress(name, QStringLiteral("a network address has no path"));
    } else {
        address.transport = scheme == QLatin1String("file") ? Transport::File : Transport::Serial;
        if (!url.host().isEmpty() || url.port() != -1)
            refuseAddress(
                name,
                QStringLiteral("it must name a local device, as in %1:///dev/...").arg(scheme));
        address.path = url.path();
        if (!address.path.startsWith(QLatin1Char('/')) || address.path.size() < 2)
            refuseAddress(name, QStringLiteral("it names no device path"));
    }
    QMap<QString, QString> values;
    const auto items = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
    for (const auto& [key, value] : items) {
        if (values.contains(key))
            refuseAddress(name, QStringLiteral("setting \"%1\" is given twice").arg(key));
        values.insert(key, value);
    }
    applySettings(settings, values);
    return settings;
}

void applySettings(DeviceSettings& settings, const QMap<QString, QString>& values)
{
    static const QStringList serialOnly{QStringLiteral("baud"), QStringLiteral("parity"),
                                        QStringLiteral("data"), QStringLiteral("stop"),
                                        QStringLiteral("flow")};
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        try {
            for (const QString& text : {it.key(), it.value()}) {
                if (const QString control = describeControlCharacter(text); !control.isEmpty())
                    SettingsError::raise(
                        QStringLiteral("Setting %1 holds %2").arg(quoted(it.key()), control));
            }
            const auto setter = setters().constFind(it.key());
            if (setter == setters().constEnd())
                SettingsError::raise(QStringLiteral("Unknown setting \"%1\"").arg(it.key()));
            if (serialOnly.contains(it.key()) && settings.address.transport != Transport::Serial)
                SettingsError::raise(
                    QStringLiteral("Setting \"%1\" is for serial ports only").arg(it.key()));
            (*setter)(settings, it.key(), it.value());
        } catch (const SettingsError& error) {
            throw SettingsError(error.what(), it.key());
        }
    }
    const QString characterSet = QStringLiteral("characterSet");
    try {
        checkCharacterSet(characterSet, settings.printer.characterSet, settings.printer.codeTables);
    } catch (const SettingsError& error) {
        throw SettingsError(error.what(), characterSet);
    }
}

} // namespace escpos

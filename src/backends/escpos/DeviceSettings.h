#pragma once

#include <QList>
#include <QMap>
#include <QSerialPort>
#include <QString>
#include <stdexcept>

namespace escpos {

// A device entry or address that cannot be used; what() says which setting and why, setting()
// names the setting at fault when one is (so that a file can point at its line).
class SettingsError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
    SettingsError(const char* what, QString setting)
        : std::runtime_error(what), m_setting(std::move(setting))
    {}
    const QString& setting() const { return m_setting; }
    [[noreturn]] static void raise(const QString& message)
    {
        throw SettingsError(message.toStdString());
    }

private:
    QString m_setting;
};

enum class Transport
{
    Tcp,
    File,
    Serial
};

struct SerialSettings
{
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    QSerialPort::FlowControl flow = QSerialPort::NoFlowControl;
};

// Where a device is reached: tcp://HOST[:PORT], file:///dev/usb/lp0 or serial:///dev/ttyUSB0.
struct Address
{
    Transport transport = Transport::Tcp;
    QString host;
    quint16 port = 9100;
    QString path;
    SerialSettings serial;

    // The same physical device gives the same key, whatever its settings.
    QString key() const;
};

struct Timeouts
{
    int connectMs = 3000;
    int statusMs = 1000; // one status reply
    int jobMs = 10000;   // output reaching the device and being confirmed
    int pollMs = 500;    // status polling while enabled
};

// How the printer's status is watched while enabled: real-time status polling, automatic
// status back, or not at all (a one-way device that cannot answer).
enum class StatusWatch
{
    Poll,
    AutoStatusBack,
    None
};

struct PrinterSettings
{
    // CharacterSet -> the printer's code table number for ESC t n.
    QMap<int, int> codeTables{{437, 0}, {850, 2}, {858, 19}, {866, 17}, {1252, 16}, {998, 0}};
    int characterSet = 437;
    QList<int> lineCharsList{48, 64};
    int lineWidth = 576;
    int cutFeed = 0; // extra feed after the blade position, in motion units
    StatusWatch watch = StatusWatch::Poll;
};

struct DrawerSettings
{
    int pin = 2;
    int onMs = 100;
    int offMs = 100;
    bool openWhenHigh = true; // the level of the drawer sensor that means open
};

enum class DisplayCommandSet
{
    Epson,
    Cd5220
};

struct DisplaySettings
{
    DisplayCommandSet commands = DisplayCommandSet::Epson;
    int rows = 2;
    int columns = 20;
    int characterSet = 437;
    QMap<int, int> codeTables{{437, 0}, {850, 2}, {858, 19}, {866, 17}, {1252, 16}, {998, 0}};
    int brightness = 0; // 1..4, 0 leaves the display's own
};

enum class DeviceClass
{
    PosPrinter,
    CashDrawer,
    LineDisplay
};

// Everything needed to reach and drive one real device.
struct DeviceSettings
{
    DeviceClass deviceClass = DeviceClass::PosPrinter;
    Address address;
    Timeouts timeouts;
    PrinterSettings printer;
    DrawerSettings drawer;
    DisplaySettings display;
};

// The first control character of text for a message ("a NUL character", "the control character
// 0x1B"), or an empty string when there is none. Device names, addresses and settings never hold
// one; a tab is let through when tabAllowed.
QString describeControlCharacter(QStringView text, bool tabAllowed = false);

// True for names that are device addresses (tcp://, file://, serial://).
bool isAddress(const QString& name);

// Parses an address; its query part may carry any setting of applySettings. Throws SettingsError.
DeviceSettings parseAddress(const QString& name);

// Applies named settings (as in the device file and address queries) over `settings`.
// Unknown names and bad values throw SettingsError.
void applySettings(DeviceSettings& settings, const QMap<QString, QString>& values);

} // namespace escpos

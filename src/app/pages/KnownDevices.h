#pragma once

#include <QList>
#include <QString>
#include <functional>

// The devices a technician can pick instead of typing a name or an address: the names in the
// user's device file, the USB printer device files present, the serial ports, and the simulated
// devices. Nothing is remembered or written.

enum class DeviceKind
{
    Printer,
    CashDrawer,
    LineDisplay,
    Unknown // a port that may have any device behind it
};

struct KnownDevice
{
    enum class Source
    {
        DeviceFile,
        UsbPrinter,
        SerialPort,
        Simulated
    };
    Source source = Source::Simulated;
    DeviceKind kind = DeviceKind::Printer;
    QString value;   // what goes into the device name box: a logical name or an address
    QString label;   // how the list shows it
    QString address; // where the device is reached
};

struct SerialPortEntry
{
    QString path; // /dev/ttyUSB0
    QString description;
};

struct KnownDeviceSources
{
    QString deviceFile; // devices.ini
    QString devRoot;    // where /dev/usb/lp* is looked for: "/dev" normally
    std::function<QList<SerialPortEntry>()> serialPorts;
};

// Where the program looks: the user's devices.ini, the real /dev and the system's serial ports.
KnownDeviceSources defaultKnownDeviceSources();

// One entry of the device file: its section name, class and address.
struct ConfiguredDevice
{
    QString name;
    DeviceKind kind = DeviceKind::Unknown;
    QString address;
};

// The entries of the device file by name; none when it is missing or unreadable.
QList<ConfiguredDevice> readConfiguredDevices(const QString& deviceFile);

QList<KnownDevice> listKnownDevices(const KnownDeviceSources& sources);

// Where a name typed as a device name is reached: its address in the device file, the address
// itself when it is one, "simulated" for a simulated device, else empty.
QString deviceAddressOf(const QString& name, const KnownDeviceSources& sources);

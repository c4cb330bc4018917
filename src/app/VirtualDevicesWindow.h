#pragma once

#include <QPointer>
#include <QWidget>

class VirtualDevicesPrinterPanel;
class VirtualDevicesReceiptPanel;
class VirtualDevicesDrawerPanel;
class VirtualDevicesDisplayPanel;
namespace sim {
class SimulatedDevices;
}

// "Virtual devices": a second top-level window in which a person works the simulated printer,
// cash drawer and line display by hand and watches what they do. It uses only the simulated
// devices, never the control objects.
class VirtualDevicesWindow : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VirtualDevicesWindow)

public:
    explicit VirtualDevicesWindow(sim::SimulatedDevices& devices, QWidget* parent = nullptr);

    // Shows the window beside the main window, on the same screen, without covering it (partly
    // off the screen or minimised when the screen has no room for it). Follows
    // the main window for a moment, while the window manager places it.
    void showBeside(QWidget& mainWindow);

    VirtualDevicesReceiptPanel* receiptPanel() const { return m_receipt; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Moves the window beside the main window; true when it is better shown minimised.
    bool placeBeside(const QWidget& mainWindow);

    QPointer<QWidget> m_followed;
    VirtualDevicesPrinterPanel* m_printer = nullptr;
    VirtualDevicesReceiptPanel* m_receipt = nullptr;
    VirtualDevicesDrawerPanel* m_drawer = nullptr;
    VirtualDevicesDisplayPanel* m_display = nullptr;
};

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
// devices, never the control objects. The devices' switches are tabs above the receipt, so the
// window fits beside the main window on a small screen (kMaxWidth at most).
class VirtualDevicesWindow : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VirtualDevicesWindow)

public:
    static constexpr int kMaxWidth = 560;

    explicit VirtualDevicesWindow(sim::SimulatedDevices& devices, QWidget* parent = nullptr);

    // Shows the window whole on the main window's screen: beside the main window where there is
    // room, else over its right part (see virtualDevicesPlacement). Follows the main window for
    // a moment, while the window manager places it.
    void showBeside(QWidget& mainWindow);
    // Shows it again (View > Virtual devices): where it is when that is whole on the main
    // window's screen, else placed as by showBeside.
    void showAgain(QWidget& mainWindow);

    VirtualDevicesReceiptPanel* receiptPanel() const { return m_receipt; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeBeside(const QWidget& mainWindow);

    QPointer<QWidget> m_followed;
    VirtualDevicesPrinterPanel* m_printer = nullptr;
    VirtualDevicesReceiptPanel* m_receipt = nullptr;
    VirtualDevicesDrawerPanel* m_drawer = nullptr;
    VirtualDevicesDisplayPanel* m_display = nullptr;
};

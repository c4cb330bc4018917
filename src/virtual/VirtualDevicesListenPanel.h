#pragma once

#include <QGroupBox>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
namespace sim {
class SimulatedDevices;
}
namespace netprinter {
class NetworkPrinter;
}

// The simulated printer as an ESC/POS network printer: listen on an address (loopback unless
// the person asks otherwise), optionally on a pseudo-terminal, and show the client being served
// and the bytes it sent.
class VirtualDevicesListenPanel : public QGroupBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VirtualDevicesListenPanel)

public:
    explicit VirtualDevicesListenPanel(sim::SimulatedDevices& devices, QWidget* parent = nullptr);
    ~VirtualDevicesListenPanel() override;

private:
    void listen(bool on);
    void openSerial(bool on);
    void showActivity(const QString& client, qint64 bytes);
    void showIdle();

    std::unique_ptr<netprinter::NetworkPrinter> m_network;
    QCheckBox* m_listen = nullptr;
    QLineEdit* m_address = nullptr;
    QCheckBox* m_serial = nullptr;
    QLabel* m_client = nullptr;
    QString m_warning; // shown while listening beyond this computer
};

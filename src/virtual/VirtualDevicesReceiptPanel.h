#pragma once

#include <QGroupBox>
#include <QTimer>

class QPushButton;
class VirtualDevicesReceiptView;
namespace sim {
class SimulatedPrinter;
}

// The printer's receipt roll as it grows, with a button that tears it all off.
class VirtualDevicesReceiptPanel : public QGroupBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VirtualDevicesReceiptPanel)

public:
    explicit VirtualDevicesReceiptPanel(sim::SimulatedPrinter& printer, QWidget* parent = nullptr);

    VirtualDevicesReceiptView* view() const { return m_view; }

private:
    void fetchRoll();
    void clearReceipt();

    sim::SimulatedPrinter& m_printer;
    VirtualDevicesReceiptView* m_view = nullptr;
    QPushButton* m_clear = nullptr;
    QTimer m_fetch; // one fetch per frame however fast the printer prints
};

#pragma once

#include <QGroupBox>
#include <QTimer>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
namespace sim {
class SimulatedPrinter;
}

// The printer's switches and sensors (cover, paper, power, another holder, speed, a one-shot
// failure) and what its control object is doing (state, claim, enable, queued output).
class VirtualDevicesPrinterPanel : public QGroupBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VirtualDevicesPrinterPanel)

public:
    explicit VirtualDevicesPrinterPanel(sim::SimulatedPrinter& printer, QWidget* parent = nullptr);

private:
    void buildControls();
    void connectControls();
    void scheduleRefresh();
    void refresh();
    void armFailure();

    sim::SimulatedPrinter& m_printer;
    QCheckBox* m_coverOpen = nullptr;
    QComboBox* m_paper = nullptr;
    QComboBox* m_power = nullptr;
    QCheckBox* m_held = nullptr;
    QComboBox* m_speed = nullptr;
    QComboBox* m_failCode = nullptr;
    QPushButton* m_failNext = nullptr;
    QLabel* m_failPending = nullptr;
    QLabel* m_state = nullptr;
    QLabel* m_claimed = nullptr;
    QLabel* m_enabled = nullptr;
    QLabel* m_queued = nullptr;
    QTimer m_refresh; // coalesces the device's signals into one refresh per frame
};

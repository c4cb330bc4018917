#pragma once

#include <QGroupBox>

class VirtualDevicesDisplayView;
namespace sim {
class SimulatedLineDisplay;
}

// The line display as a customer sees it.
class VirtualDevicesDisplayPanel : public QGroupBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VirtualDevicesDisplayPanel)

public:
    explicit VirtualDevicesDisplayPanel(sim::SimulatedLineDisplay& display,
                                        QWidget* parent = nullptr);

private:
    void showContent();

    sim::SimulatedLineDisplay& m_display;
    VirtualDevicesDisplayView* m_view = nullptr;
};

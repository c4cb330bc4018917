#pragma once

#include <QGroupBox>

class Lamp;
class QLabel;
class QPushButton;
namespace sim {
class SimulatedCashDrawer;
}

// The cash drawer: a lamp that is red while the drawer is open, and a hand to push it shut.
class VirtualDevicesDrawerPanel : public QGroupBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VirtualDevicesDrawerPanel)

public:
    explicit VirtualDevicesDrawerPanel(sim::SimulatedCashDrawer& drawer, QWidget* parent = nullptr);

private:
    void showDrawer(bool open);

    sim::SimulatedCashDrawer& m_drawer;
    Lamp* m_lamp = nullptr;
    QLabel* m_state = nullptr;
    QPushButton* m_close = nullptr;
};

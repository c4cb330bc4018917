#include "virtual/VirtualDevicesDrawerPanel.h"

#include "backends/sim/SimulatedCompanions.h"
#include "services/Colours.h"
#include "services/Lamp.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

VirtualDevicesDrawerPanel::VirtualDevicesDrawerPanel(sim::SimulatedCashDrawer& drawer,
                                                     QWidget* parent)
    : QGroupBox(tr("Cash drawer"), parent), m_drawer(drawer), m_lamp(new Lamp), m_state(new QLabel),
      m_close(new QPushButton(tr("Close drawer")))
{
    m_lamp->setObjectName(QStringLiteral("vdDrawerLamp"));
    m_lamp->setFixedSize(20, 20);
    m_state->setObjectName(QStringLiteral("vdDrawerState"));
    m_close->setObjectName(QStringLiteral("vdCloseDrawer"));
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_lamp);
    layout->addWidget(m_state, 1);
    layout->addWidget(m_close);

    connect(m_close, &QPushButton::clicked, this, [this] { m_drawer.closeByHand(); });
    connect(&m_drawer, &sim::SimulatedCashDrawer::drawerChanged, this,
            &VirtualDevicesDrawerPanel::showDrawer);
    showDrawer(m_drawer.isOpen());
}

void VirtualDevicesDrawerPanel::showDrawer(bool open)
{
    m_lamp->SetFillColor(open ? colours::Red : colours::Green);
    m_state->setText(open ? tr("Open") : tr("Closed"));
    m_close->setEnabled(open);
}

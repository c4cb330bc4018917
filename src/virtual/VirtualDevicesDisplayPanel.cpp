#include "virtual/VirtualDevicesDisplayPanel.h"

#include "backends/sim/SimulatedCompanions.h"
#include "virtual/VirtualDevicesDisplayView.h"

#include <QHBoxLayout>

VirtualDevicesDisplayPanel::VirtualDevicesDisplayPanel(sim::SimulatedLineDisplay& display,
                                                       QWidget* parent)
    : QGroupBox(tr("Line display"), parent), m_display(display),
      m_view(new VirtualDevicesDisplayView)
{
    m_view->setObjectName(QStringLiteral("vdDisplay"));
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_view, 0, Qt::AlignCenter);
    connect(&m_display, &sim::SimulatedLineDisplay::displayChanged, this,
            &VirtualDevicesDisplayPanel::showContent);
    showContent();
}

void VirtualDevicesDisplayPanel::showContent()
{
    m_view->setContent(m_display.rows(), m_display.attribute());
}

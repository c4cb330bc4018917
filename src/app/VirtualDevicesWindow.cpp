#include "app/VirtualDevicesWindow.h"

#include "app/VirtualDevicesDisplayPanel.h"
#include "app/VirtualDevicesDrawerPanel.h"
#include "app/VirtualDevicesPlacement.h"
#include "app/VirtualDevicesPrinterPanel.h"
#include "app/VirtualDevicesReceiptPanel.h"
#include "backends/sim/SimulatedDevices.h"

#include <QHBoxLayout>
#include <QScreen>
#include <QVBoxLayout>

VirtualDevicesWindow::VirtualDevicesWindow(sim::SimulatedDevices& devices, QWidget* parent)
    : QWidget(parent, Qt::Window), m_printer(new VirtualDevicesPrinterPanel(devices.printer())),
      m_receipt(new VirtualDevicesReceiptPanel(devices.printer())),
      m_drawer(new VirtualDevicesDrawerPanel(devices.cashDrawer())),
      m_display(new VirtualDevicesDisplayPanel(devices.lineDisplay()))
{
    setObjectName(QStringLiteral("frmVirtualDevices"));
    setWindowTitle(tr("Virtual devices"));
    auto* controls = new QVBoxLayout;
    controls->addWidget(m_printer);
    controls->addWidget(m_drawer);
    controls->addWidget(m_display);
    controls->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(m_receipt, 1);
}

void VirtualDevicesWindow::showBeside(const QWidget& mainWindow)
{
    const QScreen* screen = mainWindow.screen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    QSize wanted = sizeHint();
    wanted.setHeight(std::max(wanted.height(), mainWindow.frameGeometry().height()));
    const QRect place =
        virtualDevicesPlacement(mainWindow.frameGeometry(), available, wanted, minimumSizeHint());
    resize(place.size());
    move(place.topLeft());
    show();
}

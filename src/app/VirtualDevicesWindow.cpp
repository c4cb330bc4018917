#include "app/VirtualDevicesWindow.h"

#include "app/VirtualDevicesDisplayPanel.h"
#include "app/VirtualDevicesDrawerPanel.h"
#include "app/VirtualDevicesListenPanel.h"
#include "app/VirtualDevicesPlacement.h"
#include "app/VirtualDevicesPrinterPanel.h"
#include "app/VirtualDevicesReceiptPanel.h"
#include "backends/sim/SimulatedDevices.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {
// How long the window keeps beside the main window while that one settles at start-up.
constexpr int kFollowMs = 2000;
} // namespace

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
    controls->addWidget(new VirtualDevicesListenPanel(devices));
    controls->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(m_receipt, 1);
}

void VirtualDevicesWindow::showBeside(QWidget& mainWindow)
{
    if (placeBeside(mainWindow))
        showMinimized();
    else
        show();
    m_followed = &mainWindow;
    mainWindow.installEventFilter(this);
    QTimer::singleShot(kFollowMs, this, [this] {
        if (m_followed)
            m_followed->removeEventFilter(this);
        m_followed = nullptr;
    });
}

bool VirtualDevicesWindow::eventFilter(QObject* watched, QEvent* event)
{
    const bool moved = event->type() == QEvent::Move || event->type() == QEvent::Resize;
    if (moved && m_followed && watched == m_followed)
        placeBeside(*m_followed);
    return QWidget::eventFilter(watched, event);
}

// Window decorations are assumed to be those of the main window.
bool VirtualDevicesWindow::placeBeside(const QWidget& mainWindow)
{
    const QScreen* screen = mainWindow.screen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    const QRect mainFrame = mainWindow.frameGeometry();
    const QSize decoration = mainFrame.size() - mainWindow.size();
    const QSize least = minimumSizeHint() + decoration;
    const QSize wanted(sizeHint().width() + decoration.width(),
                       std::max(mainFrame.height(), least.height()));
    const VirtualDevicesPlace place = virtualDevicesPlacement(mainFrame, available, wanted, least);
    resize(place.frame.size() - decoration);
    move(place.frame.topLeft());
    return place.minimised;
}

#include "virtual/VirtualDevicesWindow.h"

#include "backends/sim/SimulatedDevices.h"
#include "virtual/VirtualDevicesDisplayPanel.h"
#include "virtual/VirtualDevicesDrawerPanel.h"
#include "virtual/VirtualDevicesListenPanel.h"
#include "virtual/VirtualDevicesPlacement.h"
#include "virtual/VirtualDevicesPrinterPanel.h"
#include "virtual/VirtualDevicesReceiptPanel.h"

#include <QEvent>
#include <QScreen>
#include <QTabWidget>
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
    auto* tabs = new QTabWidget;
    tabs->setObjectName(QStringLiteral("vdTabs"));
    tabs->addTab(m_printer, tr("Printer"));
    auto* companions = new QWidget;
    auto* companionLayout = new QVBoxLayout(companions);
    companionLayout->addWidget(m_drawer);
    companionLayout->addWidget(m_display);
    companionLayout->addStretch(1);
    tabs->addTab(companions, tr("Cash drawer and line display"));
    tabs->addTab(new VirtualDevicesListenPanel(devices), tr("Network"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(m_receipt, 1);
    setMaximumWidth(kMaxWidth);
}

void VirtualDevicesWindow::showBeside(QWidget& mainWindow)
{
    placeBeside(mainWindow);
    showNormal();
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

void VirtualDevicesWindow::showAgain(QWidget& mainWindow)
{
    const QScreen* screen = mainWindow.screen();
    if (isHidden() || isMinimized() || !screen ||
        !screen->availableGeometry().contains(frameGeometry()))
        showBeside(mainWindow);
    raise();
    activateWindow();
}

namespace {
QRect availableOf(const QWidget& window)
{
    const QScreen* screen = window.screen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
}
} // namespace

// Window decorations are assumed to be those of the main window.
void VirtualDevicesWindow::placeBeside(const QWidget& mainWindow)
{
    const QRect mainFrame = mainWindow.frameGeometry();
    const QSize decoration = mainFrame.size() - mainWindow.size();
    const QSize least = minimumSizeHint() + decoration;
    const QSize wanted(std::min(sizeHint().width(), kMaxWidth) + decoration.width(),
                       std::max(mainFrame.height(), least.height()));
    const QRect frame = virtualDevicesPlacement(mainFrame, availableOf(mainWindow), wanted, least);
    resize(frame.size() - decoration);
    move(frame.topLeft());
}

#include "app/startup/Application.h"

#include "app/startup/FirstPaint.h"
#include "app/window/MainMenu.h"
#include "app/window/WindowWaiter.h"
#include "app/window/frmMain.h"
#include "backends/BackendSetup.h"
#include "backends/sim/ReceiptImage.h"
#include "services/FailureTrap.h"
#include "virtual/VirtualDevicesWindow.h"

#include <QCoreApplication>
#include <QTimer>

Application::Application(const AppOptions& options)
    : m_options(options), m_waiter(std::make_shared<WindowWaiter>())
{
    m_registry.setWaiter(m_waiter);
    addDefaultBackends(m_registry, m_simulated);
}

Application::~Application()
{
    m_virtualDevices.reset();
    m_window.reset();
}

bool Application::Main()
{
    return trapFailures(m_dialogs, kErrorMessageTitle, [this] {
        m_window = std::make_unique<frmMain>(m_registry, m_options.control, m_dialogs);
        m_dialogs.setParentWindow(m_window.get());
        m_waiter->setWindow(m_window.get());
        // Closing the main window ends the program, whatever other window is open.
        QObject::connect(m_window.get(), &frmMain::closed, qApp, &QCoreApplication::quit,
                         Qt::QueuedConnection);
        m_window->show();
        MainMenu& menu = m_window->menu();
        menu.setReceiptSaver([this](const QString& path) {
            receipt_image::savePng(receipt_image::render(m_simulated.printer().receipt()), path);
        });
        menu.setVirtualDevicesShower([this] { showVirtualDevices(); });
        // The virtual devices come beside the main window once it is on the screen: its first
        // sight does not wait for them. A smoke run's time counts from then too.
        afterFirstPaint(*m_window, [this] {
            if (m_options.quitAfterMs >= 0)
                QTimer::singleShot(m_options.quitAfterMs, m_window.get(),
                                   [window = m_window.get()] { window->close(); });
            // A turn later, so that a window that closes at once (a smoke run) ends the
            // program without building the virtual devices first.
            if (m_options.virtualDevices)
                QTimer::singleShot(0, m_window.get(), [this] {
                    if (m_window->isVisible())
                        showVirtualDevices();
                });
        });
    });
}

void Application::showVirtualDevices()
{
    if (!m_virtualDevices) {
        m_virtualDevices = std::make_unique<VirtualDevicesWindow>(m_simulated);
        m_virtualDevices->showBeside(*m_window);
        return;
    }
    m_virtualDevices->showAgain(*m_window);
}

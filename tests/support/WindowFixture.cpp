#include "support/WindowFixture.h"

#include "app/window/MainMenu.h"
#include "backends/BackendSetup.h"
#include "backends/sim/ReceiptImage.h"
#include "opos/PosPrinter.h"
#include "services/FlexGridModel.h"
#include "services/ModuleFlags.h"
#include "services/PrinterListModel.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

WindowFixture::WindowFixture(opos::ControlOptions options)
    : m_waiter(
          std::make_shared<WindowWaiter>([this] { return m_now; }, std::chrono::milliseconds(0)))
{
    m_devices.printer().setOutputSpeed(sim::OutputSpeed::Instant);
    m_registry.setWaiter(m_waiter);
    addDefaultBackends(m_registry, m_devices);
    m_window = std::make_unique<frmMain>(m_registry, options, m_dialogs);
    m_window->menu().setReceiptSaver([this](const QString& path) {
        receipt_image::savePng(receipt_image::render(m_devices.printer().receipt()), path);
    });
    m_waiter->setWindow(m_window.get());
    m_window->show();
}

WindowFixture::~WindowFixture()
{
    m_window.reset();
}

namespace {

// Shows the page of SSTab1 that holds the control, if it lies on one.
void bringPageToFront(frmMain& window, QWidget& control)
{
    auto& tabs = window.control<QTabWidget>("SSTab1");
    for (int page = 0; page < tabs.count(); ++page) {
        if (tabs.widget(page)->isAncestorOf(&control))
            tabs.setCurrentIndex(page);
    }
}

} // namespace

void WindowFixture::click(const char* button)
{
    auto& target = widget<QAbstractButton>(button);
    bringPageToFront(*m_window, target);
    QTest::mouseClick(&target, Qt::LeftButton);
}

void WindowFixture::type(const char* textBox, const QString& text)
{
    auto& box = widget<QLineEdit>(textBox);
    bringPageToFront(*m_window, box);
    box.selectAll();
    box.del();
    QTest::keyClicks(&box, text);
}

void WindowFixture::flushViews()
{
    m_window->logGrid().flush();
    m_window->propertyGrid().flush();
    m_window->printerList().flush();
}

bool WindowFixture::openPrinter(bool claim, bool enable)
{
    opos::PosPrinter& printer = m_window->OPOSPOSPrinter1();
    if (printer.Open(sim::kPrinterName) != 0)
        return false;
    flags().DeviceOpened = true;
    if (!claim)
        return true;
    if (printer.ClaimDevice(1000) != 0)
        return false;
    flags().DeviceClaimed = true;
    if (enable) {
        printer.SetDeviceEnabled(true);
        return printer.DeviceEnabled();
    }
    return true;
}

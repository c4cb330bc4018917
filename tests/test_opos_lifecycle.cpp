#include "backends/sim/SimulatedDevices.h"
#include "opos/CashDrawer.h"
#include "opos/DeviceRegistry.h"
#include "opos/LineDisplay.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"

#include <QTest>

using namespace opos;

class TestOposLifecycle : public QObject
{
    Q_OBJECT

private slots:
    void smoke()
    {
        sim::SimulatedDevices devices;
        DeviceRegistry registry;
        devices.registerWith(registry);
        PosPrinter printer(registry, {});
        QCOMPARE(printer.State(), OPOS_S_CLOSED);
        QCOMPARE(printer.Open(QStringLiteral("nobody")), OPOS_E_NOEXIST);
        QCOMPARE(printer.Open(sim::kPrinterName), OPOS_SUCCESS);
        QCOMPARE(printer.ClaimDevice(1000), OPOS_SUCCESS);
        printer.SetDeviceEnabled(true);
        QCOMPARE(printer.ResultCode(), OPOS_SUCCESS);
        QCOMPARE(printer.PrintNormal(PTR_S_RECEIPT, QStringLiteral("\x1b|bCHello\n")), OPOS_SUCCESS);
        QCOMPARE(devices.printer().receipt().size(), 1);
        QCOMPARE(devices.printer().receipt().front().text, QStringLiteral("Hello"));
        QVERIFY(devices.printer().receipt().front().bold);
        QCOMPARE(printer.Close(), OPOS_SUCCESS);

        CashDrawer drawer(registry, {});
        QCOMPARE(drawer.Open(sim::kCashDrawerName), OPOS_SUCCESS);
        drawer.SetDeviceEnabled(true);
        QCOMPARE(drawer.OpenDrawer(), OPOS_SUCCESS);
        QVERIFY(drawer.DrawerOpened());
        LineDisplay display(registry, {});
        QCOMPARE(display.Open(sim::kLineDisplayName), OPOS_SUCCESS);
        QCOMPARE(display.ClaimDevice(0), OPOS_SUCCESS);
        display.SetDeviceEnabled(true);
        QCOMPARE(display.DisplayText(QStringLiteral("Hi"), 0), OPOS_SUCCESS);
        QCOMPARE(devices.lineDisplay().rows().front(), QStringLiteral("Hi                  "));
    }
};

QTEST_GUILESS_MAIN(TestOposLifecycle)
#include "test_opos_lifecycle.moc"

#include "opos/DeviceRegistry.h"
#include "opos/OposConstants.h"

#include <QTest>

// Checks that the libraries link together and that the registry answers unknown names as a
// real system does.
class TestBuild : public QObject
{
    Q_OBJECT

private slots:
    void unknownNameIsNoExist()
    {
        opos::DeviceRegistry registry;
        QCOMPARE(registry.findPrinter(QStringLiteral("nobody")).code, opos::OPOS_E_NOEXIST);
        QVERIFY(!registry.findCashDrawer(QStringLiteral("nobody")).backend);
    }
};

QTEST_GUILESS_MAIN(TestBuild)
#include "test_build.moc"

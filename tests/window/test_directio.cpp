#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "services/Lamp.h"
#include "support/LogRows.h"
#include "support/ScriptedWindow.h"
#include "support/WindowFixture.h"

#include <QTest>

namespace {

// The request string as the printer must receive it, NUL included.
const QString kDirectIOString = QString::fromLatin1("\x1B-2C\0C\n\n\n\n\n\n\n\x1Bi", 15);

QStringList logOf(WindowFixture& fixture)
{
    return logRowTexts(fixture.window().logGrid(), fixture.form());
}

void directIO(WindowFixture& fixture, const QString& command, const QString& data)
{
    fixture.type("txtCommand", command);
    fixture.type("txtData", data);
    fixture.click("cmdDirectIO");
}

} // namespace

class TestDirectIO : public QObject
{
    Q_OBJECT

private slots:
    void sendsRoundedNumbersAndTheFixedString_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("data");
        QTest::addColumn<int>("sentCommand");
        QTest::addColumn<int>("sentData");
        QTest::newRow("7, 2.5") << QStringLiteral("7") << QStringLiteral("2.5") << 7 << 3;
        QTest::newRow("1.5, 0") << QStringLiteral("1.5") << QStringLiteral("0") << 2 << 0;
        QTest::newRow("negative") << QStringLiteral("-7") << QStringLiteral("-2.5") << -7 << -3;
        QTest::newRow("blanks and exponent")
            << QStringLiteral(" 12 ") << QStringLiteral("1e3") << 12 << 1000;
        QTest::newRow("32-bit limits")
            << QStringLiteral("2147483647") << QStringLiteral("-2147483648") << 2147483647
            << int(-2147483648LL);
    }
    void sendsRoundedNumbersAndTheFixedString()
    {
        QFETCH(QString, command);
        QFETCH(QString, data);
        QFETCH(int, sentCommand);
        QFETCH(int, sentData);
        ScriptedWindow w;
        QCOMPARE(w.fixture.printer().Open(QStringLiteral("Scripted")), opos::OPOS_SUCCESS);
        w.calls();
        w.fixture.type("txtObject", QStringLiteral("ignored"));

        directIO(w.fixture, command, data);

        QCOMPARE(w.calls(),
                 QStringList{QStringLiteral("directIO %1 %2 ").arg(sentCommand).arg(sentData) +
                             kDirectIOString});
        QCOMPARE(logOf(w.fixture), QStringList{QStringLiteral("DirectIO() OPOS_SUCCESS")});
        QCOMPARE(w.fixture.dialogs().boxes().size(), 0);
    }

    void refusedInput_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("prompt");
        const QString badCommand = QStringLiteral("COMMAND Missing or invalid!");
        const QString badData = QStringLiteral("DATA Missing or invalid!");
        QTest::newRow("no command") << QString() << QStringLiteral("1") << badCommand;
        QTest::newRow("command checked first") << QStringLiteral("x") << QString() << badCommand;
        QTest::newRow("decimal comma")
            << QStringLiteral("1,5") << QStringLiteral("1") << badCommand;
        QTest::newRow("no data") << QStringLiteral("1") << QString() << badData;
        QTest::newRow("hex data") << QStringLiteral("1") << QStringLiteral("0x10") << badData;
        QTest::newRow("command overflow")
            << QStringLiteral("2147483648") << QStringLiteral("1") << QStringLiteral("Overflow");
        QTest::newRow("data overflow")
            << QStringLiteral("1") << QStringLiteral("-2147483649") << QStringLiteral("Overflow");
    }
    void refusedInput()
    {
        QFETCH(QString, command);
        QFETCH(QString, data);
        QFETCH(QString, prompt);
        ScriptedWindow w;
        QCOMPARE(w.fixture.printer().Open(QStringLiteral("Scripted")), opos::OPOS_SUCCESS);
        w.calls();

        directIO(w.fixture, command, data);

        QCOMPARE(w.fixture.dialogs().prompts(), QStringList{prompt});
        QCOMPARE(w.fixture.dialogs().boxes().constFirst().title, QStringLiteral("ERROR MESSAGE"));
        QVERIFY(w.fixture.dialogs().boxes().constFirst().exclamationIcon);
        QCOMPARE(w.calls(), QStringList());
        QCOMPARE(logOf(w.fixture), QStringList());
    }

    void outcomes_data()
    {
        QTest::addColumn<bool>("open");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("extended");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<bool>("coverLampRed");
        QTest::newRow("closed printer")
            << false << 0 << 0 << QStringLiteral("OPOS_E_CLOSED") << false;
        QTest::newRow("cover open")
            << true << int(opos::OPOS_E_EXTENDED) << int(opos::OPOS_EPTR_COVER_OPEN)
            << QStringLiteral("OPOS_EPTR_COVER_OPEN") << true;
        QTest::newRow("plain failure")
            << true << int(opos::OPOS_E_ILLEGAL) << 0 << QStringLiteral("OPOS_E_ILLEGAL") << false;
        // A run-time failure is shown in a box and logs nothing.
        QTest::newRow("run-time failure") << true << -1 << 0 << QString() << false;
    }
    void outcomes()
    {
        QFETCH(bool, open);
        QFETCH(int, result);
        QFETCH(int, extended);
        QFETCH(QString, logged);
        QFETCH(bool, coverLampRed);
        WindowFixture fixture;
        if (open) {
            QVERIFY(fixture.openPrinter(false));
            fixture.simPrinter().failNextCall({result < 0, result, extended});
        }
        const QColor lampBefore = fixture.widget<Lamp>("shpCover").FillColor();
        fixture.type("txtCommand", QStringLiteral("7"));
        fixture.type("txtData", QStringLiteral("0"));

        fixture.click("cmdDirectIO");

        QCOMPARE(fixture.widget<Lamp>("shpCover").FillColor(),
                 coverLampRed ? QColor(255, 0, 0) : lampBefore);
        if (result >= 0) {
            QCOMPARE(logOf(fixture), QStringList{QStringLiteral("DirectIO() ") + logged});
            QCOMPARE(fixture.dialogs().boxes().size(), 0);
            return;
        }
        QCOMPARE(logOf(fixture), QStringList());
        QCOMPARE(fixture.dialogs().boxes().size(), 1);
        QCOMPARE(fixture.dialogs().boxes().constFirst().title, QStringLiteral("ERROR MESSAGE"));
        QVERIFY(fixture.dialogs().prompts().constFirst().contains(QLatin1String("DirectIO")));
    }

    // Closed, the printer refuses the flag silently; enabled and idle, it reports idle at once.
    void flagWhenIdle_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("closed") << false << QStringList();
        QTest::newRow("enabled") << true
                                 << QStringList{
                                        QStringLiteral("StatusUpdateEvent() DATA=PTR_SUE_IDLE")};
    }
    void flagWhenIdle()
    {
        QFETCH(bool, enabled);
        QFETCH(QStringList, rows);
        WindowFixture fixture;
        if (enabled)
            QVERIFY(fixture.openPrinter(true, true));
        fixture.click("cmdSetFlagWhenIdle");
        QTRY_COMPARE(logOf(fixture), rows);
        QCOMPARE(fixture.dialogs().boxes().size(), 0);
    }
};

QTEST_MAIN(TestDirectIO)
#include "test_directio.moc"

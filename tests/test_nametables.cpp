#include "opos/PosPrinter.h"
#include "services/NameTables.h"
#include "support/WindowFixture.h"

#include <QTest>

namespace {

void named(int value, const char* name)
{
    QTest::addRow("%d", value) << value << QString::fromLatin1(name);
}

void unnamed(int value, const char* text)
{
    QTest::addRow("unnamed %d", value) << value << QString::fromLatin1(text);
}

} // namespace

// The names of result codes, status-update values and printer states.
class TestNameTables : public QObject
{
    Q_OBJECT

private slots:
    void resultCodes_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("name");
        named(0, "OPOS_SUCCESS");
        named(101, "OPOS_E_CLOSED");
        named(102, "OPOS_E_CLAIMED");
        named(103, "OPOS_E_NOTCLAIMED");
        named(104, "OPOS_E_NOSERVICE");
        named(105, "OPOS_E_DISABLED");
        named(106, "OPOS_E_ILLEGAL");
        named(107, "OPOS_E_NOHARDWARE");
        named(108, "OPOS_E_OFFLINE");
        named(109, "OPOS_E_NOEXIST");
        named(110, "OPOS_E_EXISTS");
        named(111, "OPOS_E_FAILURE");
        named(112, "OPOS_E_TIMEOUT");
        named(113, "OPOS_E_BUSY");
        named(114, "OPOS_E_EXTENDED");
        named(201, "OPOS_EPTR_COVER_OPEN");
        named(202, "OPOS_EPTR_JRN_EMPTY");
        named(203, "OPOS_EPTR_REC_EMPTY");
        named(204, "OPOS_EPTR_SLP_EMPTY");
        named(205, "OPOS_EPTR_SLP_FORM");
        named(206, "OPOS_EPTR_TOOBIG");
        named(207, "OPOS_EPTR_BADFORMAT");
        named(208, "OPOS_EPTR_JRN_CARTRIDGE_REMOVED");
        named(209, "OPOS_EPTR_JRN_CARTRIDGE_EMPTY");
        named(210, "OPOS_EPTR_JRN_HEAD_CLEANING");
        named(211, "OPOS_EPTR_REC_CARTRIDGE_REMOVED");
        named(212, "OPOS_EPTR_REC_CARTRIDGE_EMPTY");
        named(213, "OPOS_EPTR_REC_HEAD_CLEANING");
        named(214, "OPOS_EPTR_SLP_CARTRIDGE_REMOVED");
        named(215, "OPOS_EPTR_SLP_CARTRIDGE_EMPTY");
        named(216, "OPOS_EPTR_SLP_HEAD_CLEANING");
        named(301, "OPOS_OR_ALREADYOPEN");
        named(302, "OPOS_OR_REGBADNAME");
        named(303, "OPOS_OR_REGPROGID");
        named(304, "OPOS_OR_CREATE");
        named(305, "OPOS_OR_BADIF");
        named(306, "OPOS_OR_FAILEDOPEN");
        named(307, "OPOS_OR_BADVERSION");
        named(401, "OPOS_ORS_NOPORT");
        named(402, "OPOS_ORS_NOTSUPPORTED");
        named(403, "OPOS_ORS_CONFIG");
        named(450, "OPOS_ORS_SPECIFIC");
        for (int code :
             {-2147483647 - 1, -1, 1, 100, 115, 200, 217, 300, 308, 400, 404, 449, 451, 2147483647})
            unnamed(code, QByteArray::number(code).constData());
    }

    void resultCodes()
    {
        QFETCH(int, code);
        QFETCH(QString, name);
        QCOMPARE(DecodeResultCode(code), name);
    }

    void statusUpdates_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("name");
        named(11, "PTR_SUE_COVER_OPEN");
        named(12, "PTR_SUE_COVER_OK");
        named(21, "PTR_SUE_JRN_EMPTY");
        named(22, "PTR_SUE_JRN_NEAREMPTY");
        named(23, "PTR_SUE_JRN_PAPEROK");
        named(24, "PTR_SUE_REC_EMPTY");
        named(25, "PTR_SUE_REC_NEAREMPTY");
        named(26, "PTR_SUE_REC_PAPEROK");
        named(27, "PTR_SUE_SLP_EMPTY");
        named(28, "PTR_SUE_SLP_NEAREMPTY");
        named(29, "PTR_SUE_SLP_PAPEROK");
        named(41, "PTR_SUE_JRN_CARTRIDGE_EMPTY");
        named(42, "PTR_SUE_JRN_CARTRIDGE_NEAREMPTY");
        named(43, "PTR_SUE_JRN_HEAD_CLEANING");
        named(44, "PTR_SUE_JRN_CARTRIDGE_OK");
        named(45, "PTR_SUE_REC_CARTRIDGE_EMPTY");
        named(46, "PTR_SUE_REC_CARTRIDGE_NEAREMPTY");
        named(47, "PTR_SUE_REC_HEAD_CLEANING");
        named(48, "PTR_SUE_REC_CARTRIDGE_OK");
        named(49, "PTR_SUE_SLP_CARTRIDGE_EMPTY");
        named(50, "PTR_SUE_SLP_CARTRIDGE_NEAREMPTY");
        named(51, "PTR_SUE_SLP_HEAD_CLEANING");
        named(52, "PTR_SUE_SLP_CARTRIDGE_OK");
        named(60, "PTR_SUE_JRN_COVER_OPEN");
        named(61, "PTR_SUE_JRN_COVER_OK");
        named(62, "PTR_SUE_REC_COVER_OPEN");
        named(63, "PTR_SUE_REC_COVER_OK");
        named(64, "PTR_SUE_SLP_COVER_OPEN");
        named(65, "PTR_SUE_SLP_COVER_OK");
        named(1001, "PTR_SUE_IDLE");
        for (int data : {-1, 0, 1, 10, 13, 20, 30, 40, 53, 59, 66, 1000, 1002, 2001})
            unnamed(data, "UNKNOWN!");
    }

    void statusUpdates()
    {
        QFETCH(int, code);
        QFETCH(QString, name);
        QCOMPARE(DecodeStatusUpdate(code), name);
    }

    void stateValues_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("name");
        named(1, "OPOS_S_CLOSED");
        named(2, "OPOS_S_IDLE");
        named(3, "OPOS_S_BUSY");
        named(4, "OPOS_S_ERROR");
        for (int state : {0, 5, -1})
            unnamed(state, "UNKNOWN!");
    }

    void stateValues()
    {
        QFETCH(int, code);
        QFETCH(QString, name);
        QCOMPARE(DecodeStateValue(code), name);
    }

    void stateOfTheRealPrinter()
    {
        WindowFixture fixture;
        opos::PosPrinter& printer = fixture.printer();
        ScriptedDialogs& dialogs = fixture.dialogs();
        QCOMPARE(DecodeState(printer, dialogs), QStringLiteral("OPOS_S_CLOSED"));
        QVERIFY(fixture.openPrinter(true, true));
        QCOMPARE(DecodeState(printer, dialogs), QStringLiteral("OPOS_S_IDLE"));
        QVERIFY(dialogs.boxes().isEmpty());
    }
};

QTEST_MAIN(TestNameTables)
#include "test_nametables.moc"

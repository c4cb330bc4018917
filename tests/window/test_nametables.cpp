#include "opos/PosPrinter.h"
#include "services/NameTables.h"
#include "support/WindowFixture.h"

#include <QTest>

namespace {

void named(int value, const char* name)
{
    QTest::addRow("%d", value) << value << QString::fromLatin1(name);
}

// Rows from "value NAME value NAME ...".
void namedAll(const char* pairs)
{
    const QStringList words = QString::fromLatin1(pairs).split(u' ', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i + 1 < words.size(); i += 2)
        named(words[i].toInt(), words[i + 1].toLatin1().constData());
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
        namedAll(
            "0 OPOS_SUCCESS 101 OPOS_E_CLOSED 102 OPOS_E_CLAIMED 103 OPOS_E_NOTCLAIMED "
            "104 OPOS_E_NOSERVICE 105 OPOS_E_DISABLED 106 OPOS_E_ILLEGAL 107 OPOS_E_NOHARDWARE "
            "108 OPOS_E_OFFLINE 109 OPOS_E_NOEXIST 110 OPOS_E_EXISTS 111 OPOS_E_FAILURE "
            "112 OPOS_E_TIMEOUT 113 OPOS_E_BUSY 114 OPOS_E_EXTENDED 201 OPOS_EPTR_COVER_OPEN "
            "202 OPOS_EPTR_JRN_EMPTY 203 OPOS_EPTR_REC_EMPTY 204 OPOS_EPTR_SLP_EMPTY "
            "205 OPOS_EPTR_SLP_FORM 206 OPOS_EPTR_TOOBIG 207 OPOS_EPTR_BADFORMAT "
            "208 OPOS_EPTR_JRN_CARTRIDGE_REMOVED 209 OPOS_EPTR_JRN_CARTRIDGE_EMPTY "
            "210 OPOS_EPTR_JRN_HEAD_CLEANING 211 OPOS_EPTR_REC_CARTRIDGE_REMOVED "
            "212 OPOS_EPTR_REC_CARTRIDGE_EMPTY 213 OPOS_EPTR_REC_HEAD_CLEANING "
            "214 OPOS_EPTR_SLP_CARTRIDGE_REMOVED 215 OPOS_EPTR_SLP_CARTRIDGE_EMPTY "
            "216 OPOS_EPTR_SLP_HEAD_CLEANING 301 OPOS_OR_ALREADYOPEN 302 OPOS_OR_REGBADNAME "
            "303 OPOS_OR_REGPROGID 304 OPOS_OR_CREATE 305 OPOS_OR_BADIF 306 OPOS_OR_FAILEDOPEN "
            "307 OPOS_OR_BADVERSION 401 OPOS_ORS_NOPORT 402 OPOS_ORS_NOTSUPPORTED "
            "403 OPOS_ORS_CONFIG 450 OPOS_ORS_SPECIFIC ");
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
        namedAll("11 PTR_SUE_COVER_OPEN 12 PTR_SUE_COVER_OK 21 PTR_SUE_JRN_EMPTY "
                 "22 PTR_SUE_JRN_NEAREMPTY 23 PTR_SUE_JRN_PAPEROK 24 PTR_SUE_REC_EMPTY "
                 "25 PTR_SUE_REC_NEAREMPTY 26 PTR_SUE_REC_PAPEROK 27 PTR_SUE_SLP_EMPTY "
                 "28 PTR_SUE_SLP_NEAREMPTY 29 PTR_SUE_SLP_PAPEROK 41 PTR_SUE_JRN_CARTRIDGE_EMPTY "
                 "42 PTR_SUE_JRN_CARTRIDGE_NEAREMPTY 43 PTR_SUE_JRN_HEAD_CLEANING "
                 "44 PTR_SUE_JRN_CARTRIDGE_OK 45 PTR_SUE_REC_CARTRIDGE_EMPTY "
                 "46 PTR_SUE_REC_CARTRIDGE_NEAREMPTY 47 PTR_SUE_REC_HEAD_CLEANING "
                 "48 PTR_SUE_REC_CARTRIDGE_OK 49 PTR_SUE_SLP_CARTRIDGE_EMPTY "
                 "50 PTR_SUE_SLP_CARTRIDGE_NEAREMPTY 51 PTR_SUE_SLP_HEAD_CLEANING "
                 "52 PTR_SUE_SLP_CARTRIDGE_OK 60 PTR_SUE_JRN_COVER_OPEN 61 PTR_SUE_JRN_COVER_OK "
                 "62 PTR_SUE_REC_COVER_OPEN 63 PTR_SUE_REC_COVER_OK 64 PTR_SUE_SLP_COVER_OPEN "
                 "65 PTR_SUE_SLP_COVER_OK 1001 PTR_SUE_IDLE ");
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
        namedAll("1 OPOS_S_CLOSED 2 OPOS_S_IDLE 3 OPOS_S_BUSY 4 OPOS_S_ERROR");
        for (int state : {0, 5, -1})
            unnamed(state, "UNKNOWN!");
    }

    void stateValues()
    {
        QFETCH(int, code);
        QFETCH(QString, name);
        QCOMPARE(decodeStateValue(code), name);
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

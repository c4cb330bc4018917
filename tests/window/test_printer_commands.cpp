#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "services/Colours.h"
#include "services/FlexGridModel.h"
#include "services/FormState.h"
#include "services/Lamp.h"
#include "services/LogRecord.h"
#include "services/ModuleFlags.h"
#include "services/PrinterListModel.h"
#include "support/LogRows.h"
#include "support/ScriptedWindow.h"
#include "support/WindowFixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

enum class Setup
{
    Closed,
    Opened,
    Claimed,
    Enabled
};

// Brings the simulated printer to the given stage through the window's own buttons.
void prepare(WindowFixture& f, Setup setup)
{
    if (setup >= Setup::Opened)
        f.click("cmdOpen");
    if (setup >= Setup::Claimed)
        f.click("cmdClaim");
    if (setup >= Setup::Enabled)
        f.click("cmdSetDeviceEnable");
    QCOMPARE(f.form().LogRow, setup >= Setup::Claimed ? 3 : setup >= Setup::Opened ? 2 : 1);
}

QStringList rowsSince(WindowFixture& f, int from)
{
    return logRowTexts(f.window().logGrid(), f.form(), from);
}

QStringList commandRowsSince(WindowFixture& f, int from)
{
    return commandRowTexts(f.window().logGrid(), f.form(), from);
}

QColor lampColour(WindowFixture& f, const char* lamp)
{
    return f.widget<Lamp>(lamp).FillColor();
}

const QColor kWhite(255, 255, 255);

} // namespace

Q_DECLARE_METATYPE(Setup)

class TestPrinterCommands : public QObject
{
    Q_OBJECT

private slots:
    // Open, claim, release and close: the code logged, the flags changed only on success and the
    // lamps only after an extended failure.
    void resultRule_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<int>("injectedCode");
        QTest::addColumn<int>("injectedExtended");
        QTest::addColumn<QString>("row");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<bool>("claimed");
        QTest::addColumn<QColor>("cover");
        QTest::addColumn<QColor>("paper");

        const auto row = [](const char* name, Setup setup, const char* button, int code,
                            int extended, const char* logged, bool opened, bool claimed,
                            QColor cover = kWhite, QColor paper = kWhite) {
            QTest::newRow(name) << setup << QByteArray(button) << code << extended
                                << QString::fromLatin1(logged) << opened << claimed << cover
                                << paper;
        };
        const QColor red = colours::Red;
        const QColor green = colours::Green;
        const Setup closed = Setup::Closed;
        const Setup opened = Setup::Opened;
        row("open", closed, "cmdOpen", 0, 0, "Open() OPOS_SUCCESS", true, false);
        row("open, plain failure", closed, "cmdOpen", 104, 0, "Open() OPOS_E_NOSERVICE", false,
            false);
        row("open, cover open", closed, "cmdOpen", 114, 201, "Open() OPOS_EPTR_COVER_OPEN", false,
            false, red);
        row("claim", opened, "cmdClaim", 0, 0, "ClaimDevice() OPOS_SUCCESS", true, true);
        row("claim, cover open", opened, "cmdClaim", 114, 201, "ClaimDevice() OPOS_EPTR_COVER_OPEN",
            true, false, red);
        row("claim, paper out", opened, "cmdClaim", 114, 203, "ClaimDevice() OPOS_EPTR_REC_EMPTY",
            true, false, green, red);
        row("claim, journal empty", opened, "cmdClaim", 114, 202,
            "ClaimDevice() OPOS_EPTR_JRN_EMPTY", true, false, green, green);
        row("claim, closed", closed, "cmdClaim", 0, 0, "ClaimDevice() OPOS_E_CLOSED", false, false);
        row("release", Setup::Claimed, "cmdRelease", 0, 0, "ReleaseDevice() OPOS_SUCCESS", true,
            false);
        row("release, not claimed", opened, "cmdRelease", 0, 0, "ReleaseDevice() OPOS_E_ILLEGAL",
            true, false);
        row("close, claimed", Setup::Claimed, "cmdClose", 0, 0, "Close() OPOS_SUCCESS", false,
            false);
        row("close, closed", closed, "cmdClose", 0, 0, "Close() OPOS_E_CLOSED", false, false);
    }
    void resultRule()
    {
        QFETCH(Setup, setup);
        QFETCH(QByteArray, button);
        QFETCH(int, injectedCode);
        QFETCH(int, injectedExtended);
        QFETCH(QString, row);
        QFETCH(bool, opened);
        QFETCH(bool, claimed);
        QFETCH(QColor, cover);
        QFETCH(QColor, paper);

        WindowFixture f;
        prepare(f, setup);
        const int from = f.form().LogRow;
        if (injectedCode != 0)
            f.simPrinter().failNextCall({false, injectedCode, injectedExtended});
        f.click(button.constData());

        QCOMPARE(rowsSince(f, from), QStringList{row});
        QCOMPARE(f.flags().DeviceOpened, opened);
        QCOMPARE(f.flags().DeviceClaimed, claimed);
        QCOMPARE(f.flags().CoverOpenAlarm, cover == colours::Red);
        QCOMPARE(f.flags().PaperEmptyAlarm, paper == colours::Red);
        QCOMPARE(lampColour(f, "shpCover"), cover);
        QCOMPARE(lampColour(f, "shpPaper"), paper);
        QVERIFY(f.dialogs().boxes().isEmpty());
    }

    // A control object that fails at run time: its text in a box, nothing logged.
    void runTimeFailureShowsItsText_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QByteArray>("button");
        QTest::newRow("open") << Setup::Closed << QByteArray("cmdOpen");
        QTest::newRow("print") << Setup::Enabled << QByteArray("cmdPrintNormal");
    }
    void runTimeFailureShowsItsText()
    {
        QFETCH(Setup, setup);
        QFETCH(QByteArray, button);
        WindowFixture f;
        prepare(f, setup);
        const int logRow = f.form().LogRow;
        f.simPrinter().failNextCall({true, 0, 0});
        f.click(button.constData());
        QCOMPARE(f.dialogs().boxes().size(), 1);
        const auto& box = f.dialogs().boxes().first();
        QVERIFY(box.prompt.contains(QLatin1String("injected failure")));
        QCOMPARE(box.title, QStringLiteral("ERROR MESSAGE"));
        QVERIFY(box.exclamationIcon);
        QCOMPARE(f.form().LogRow, logRow);
        QCOMPARE(f.flags().DeviceOpened, setup != Setup::Closed);
    }

    // Older control objects are claimed and released under the old member names.
    void versionRule_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("claim");
        QTest::addColumn<QString>("release");
        QTest::newRow("1.4.999") << 1004999 << "Claim()"
                                 << "Release()";
        QTest::newRow("1.5.0") << 1005000 << "ClaimDevice()"
                               << "ReleaseDevice()";
        QTest::newRow("1.16.0") << 1016000 << "ClaimDevice()"
                                << "ReleaseDevice()";
    }
    void versionRule()
    {
        QFETCH(int, version);
        QFETCH(QString, claim);
        QFETCH(QString, release);
        WindowFixture f(opos::ControlOptions{version});
        QCOMPARE(f.widget<QAbstractButton>("cmdClaim").text(), claim);
        QCOMPARE(f.widget<QAbstractButton>("cmdRelease").text(), release);
        f.click("cmdOpen");
        f.click("cmdClaim");
        QVERIFY(f.flags().DeviceClaimed);
        f.click("cmdRelease");
        QVERIFY(!f.flags().DeviceClaimed);
        QCOMPARE(rowsSince(f, 2), (QStringList{claim + QStringLiteral(" OPOS_SUCCESS"),
                                               release + QStringLiteral(" OPOS_SUCCESS")}));
    }

    // An empty or non-numeric field is refused before anything is called or logged.
    void inputRefusals_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QString>("prompt");
        const QString timeout = QStringLiteral("PARAMETER TIMEOUT Missing or invalid!");
        const QString percentage = QStringLiteral("PARAMETER PERCENTAGE Missing or invalid!");
        QTest::newRow("device name empty")
            << QByteArray("txtDevice") << "" << QByteArray("cmdOpen") << "DEVICE NAME Missing!";
        QTest::newRow("timeout empty")
            << QByteArray("txtTimeout") << "" << QByteArray("cmdClaim") << timeout;
        QTest::newRow("timeout letters")
            << QByteArray("txtTimeout") << "abc" << QByteArray("cmdClaim") << timeout;
        QTest::newRow("timeout decimal comma")
            << QByteArray("txtTimeout") << "1,5" << QByteArray("cmdClaim") << timeout;
        QTest::newRow("print line empty") << QByteArray("txtPrint") << ""
                                          << QByteArray("cmdPrintNormal") << "PRINT LINE Missing!";
        QTest::newRow("immediate line empty")
            << QByteArray("txtPrint") << "" << QByteArray("cmdPrintImmediate")
            << "PRINT LINE Missing!";
        QTest::newRow("percentage empty")
            << QByteArray("txtCutPaper") << "" << QByteArray("cmdCutPaper") << percentage;
        QTest::newRow("percentage letters")
            << QByteArray("txtCutPaper") << "x5" << QByteArray("cmdCutPaper") << percentage;
    }
    void inputRefusals()
    {
        QFETCH(QByteArray, field);
        QFETCH(QString, text);
        QFETCH(QByteArray, button);
        QFETCH(QString, prompt);
        WindowFixture f;
        QVERIFY(f.openPrinter(true, true));
        f.type(field.constData(), text);
        f.click(button.constData());
        QCOMPARE(f.dialogs().prompts(), QStringList{prompt});
        QCOMPARE(f.dialogs().boxes().first().title, QStringLiteral("ERROR MESSAGE"));
        QVERIFY(f.dialogs().boxes().first().exclamationIcon);
        QCOMPARE(f.form().LogRow, 1);
        QVERIFY(f.simPrinter().receipt().isEmpty());
    }

    void openTriesABlankName()
    {
        WindowFixture f;
        f.type("txtDevice", QStringLiteral("   "));
        f.click("cmdOpen");
        QVERIFY(f.dialogs().boxes().isEmpty());
        QCOMPARE(rowsSince(f, 1), QStringList{QStringLiteral("Open() OPOS_E_NOEXIST")});
    }

    // The time-out field holds seconds, rounded halves away from zero.
    void claimTimeout_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("call");   // what reached the device, if anything
        QTest::addColumn<QString>("result"); // the log detail; empty: a box instead
        const auto row = [](const char* text, const char* call, const char* result) {
            QTest::newRow(text) << QString::fromLatin1(text) << QString::fromLatin1(call)
                                << QString::fromLatin1(result);
        };
        row("5", "claim 5000", "OPOS_SUCCESS");
        row("0", "claim 0", "OPOS_SUCCESS");
        row("1.5", "claim 2000", "OPOS_SUCCESS");
        row("2.5", "claim 3000", "OPOS_SUCCESS");
        row(".49", "claim 0", "OPOS_SUCCESS");
        row("1e3", "claim 1000000", "OPOS_SUCCESS");
        row("-1", "", "OPOS_E_ILLEGAL"); // -1000 ms: not the wait-forever value
        row("9e99", "", "");             // beyond 32 bits
    }
    void claimTimeout()
    {
        QFETCH(QString, text);
        QFETCH(QString, call);
        QFETCH(QString, result);
        ScriptedWindow w;
        WindowFixture& f = w.fixture;
        prepare(f, Setup::Opened);
        w.calls();
        f.type("txtTimeout", text);
        f.click("cmdClaim");

        QCOMPARE(w.calls(), call.isEmpty() ? QStringList() : QStringList{call});
        if (result.isEmpty()) {
            QCOMPARE(f.dialogs().prompts(), QStringList{QStringLiteral("Overflow")});
            QCOMPARE(f.form().LogRow, 2);
        } else {
            QVERIFY(f.dialogs().boxes().isEmpty());
            QCOMPARE(rowsSince(f, 2), QStringList{QStringLiteral("ClaimDevice() ") + result});
        }
    }

    void enableToggle_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<bool>("enabledAfterFirst");
        QTest::newRow("closed device") << Setup::Closed << false;
        QTest::newRow("claimed device") << Setup::Claimed << true;
    }
    void enableToggle()
    {
        QFETCH(Setup, setup);
        QFETCH(bool, enabledAfterFirst);
        WindowFixture f;
        prepare(f, setup);
        const int logRow = f.form().LogRow;
        auto& button = f.widget<QAbstractButton>("cmdSetDeviceEnable");
        f.click("cmdSetDeviceEnable");
        QCOMPARE(button.text(), QStringLiteral("SetDeviceDisable"));
        QCOMPARE(f.printer().DeviceEnabled(), enabledAfterFirst);
        f.click("cmdSetDeviceEnable");
        QCOMPARE(button.text(), QStringLiteral("SetDeviceEnable"));
        QVERIFY(!f.printer().DeviceEnabled());
        QCOMPARE(f.form().LogRow, logRow);
        QVERIFY(f.dialogs().boxes().isEmpty());
    }

    // The status bar says at once when the printer did not take the enable or disable, and
    // otherwise shows only what still holds: a failure goes with the next success, with Close,
    // and with the status change that ends its condition.
    void statusBarShowsWhatHoldsNow()
    {
        WindowFixture f;
        auto& status = f.widget<QLabel>("lblJobStatus");
        f.click("cmdSetDeviceEnable");
        QCOMPARE(f.widget<QAbstractButton>("cmdSetDeviceEnable").text(), u"SetDeviceDisable"_s);
        QCOMPARE(status.text(), u"DeviceEnabled = True not written: OPOS_E_CLOSED"_s);
        f.click("cmdSetDeviceEnable");
        QCOMPARE(status.text(), u"DeviceEnabled = False not written: OPOS_E_CLOSED"_s);
        prepare(f, Setup::Enabled);
        QCOMPARE(status.text(), u"DeviceEnabled = True written"_s);

        // Cover open, Cancel: the reason stays through ClearOutput, until the cover closes.
        f.simPrinter().setCoverOpen(true);
        QCoreApplication::processEvents();
        f.widget<QLineEdit>("txtPrint").setText(u"Total\x1b|bC 12.00"_s); // ESC is not typed
        f.dialogs().queueAnswer(Dialogs::Answer::Cancel);
        const int row = f.form().LogRow;
        f.click("cmdPrintNormal");
        const QString reason = f.window().logGrid().RowNote(row, kErrorNote);
        QVERIFY2(reason.startsWith(u"ResultCode = OPOS_E_EXTENDED (114), ResultCodeExtended = "
                                   u"201: "_s),
                 qPrintable(reason));
        QCOMPARE(f.window().logGrid().RowNote(row, kArgumentsNote), u"Total\\x1b|bC 12.00\\x0a"_s);
        QVERIFY2(status.text().startsWith(u"PrintNormal() failed: OPOS_EPTR_COVER_OPEN ("_s),
                 qPrintable(status.text()));
        f.simPrinter().setCoverOpen(false);
        QTRY_COMPARE(status.text(), QString());

        // A failure whose condition no status change ends: the next success clears it.
        f.simPrinter().failNextCall({false, opos::OPOS_E_FAILURE, 0});
        f.click("cmdPrintNormal");
        const QString injected = f.window().logGrid().RowNote(f.form().LogRow - 1, kErrorNote);
        QVERIFY2(injected.startsWith(u"Injected result in"_s), qPrintable(injected));
        QCOMPARE(status.text(), u"PrintNormal() failed: OPOS_E_FAILURE ("_s + injected + u')');
        f.click("cmdPrintNormal");
        QCOMPARE(status.text(), QString());

        // ... and so does Close.
        f.simPrinter().failNextCall({false, opos::OPOS_E_FAILURE, 0});
        f.click("cmdPrintNormal");
        QVERIFY(!status.text().isEmpty());
        f.click("cmdClose");
        QCOMPARE(status.text(), QString());
    }

    // Clicks that each log one row keep exactly one empty row at the end of the log.
    void logGrowsOneRowPerCommand_data()
    {
        QTest::addColumn<int>("clicks");
        QTest::newRow("1") << 1;
        QTest::newRow("8") << 8;
        QTest::newRow("9") << 9;
        QTest::newRow("60") << 60;
    }
    void logGrowsOneRowPerCommand()
    {
        QFETCH(int, clicks);
        WindowFixture f;
        for (int i = 0; i < clicks; ++i)
            f.click("cmdClose");
        const FlexGridModel& grid = f.window().logGrid();
        QCOMPARE(f.form().LogRow, clicks + 1);
        QCOMPARE(grid.Rows(), std::max(9, clicks + 2));
        QCOMPARE(grid.TopRow(), clicks >= 8 ? clicks + 1 : 1);
        QCOMPARE(grid.TextMatrix(clicks, 1), QStringLiteral("OPOS_E_CLOSED"));
        QVERIFY(grid.TextMatrix(grid.Rows() - 1, 0).isEmpty());
        f.flushViews();
        QCOMPARE(grid.rowCount(), grid.Rows() - 1);
    }

    // --- Line printing and paper cut --------------------------------------------------------

    // A line or a cut reaches the device as typed, the percentage rounded, and is echoed in the
    // printer list; a percentage out of range is the device's to refuse.
    void outputReachesTheDevice_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QString>("text"); // typed into the button's field
        QTest::addColumn<QString>("call"); // what reached the device, if anything
        QTest::addColumn<QString>("result");
        const auto row = [](const char* name, const char* button, const char* text,
                            const char* call, const char* result) {
            QTest::newRow(name) << QByteArray(button) << QString::fromLatin1(text)
                                << QString::fromLatin1(call) << QString::fromLatin1(result);
        };
        row("PrintNormal", "cmdPrintNormal", "ABC", "print 2 ABC\n", "OPOS_SUCCESS");
        row("PrintImmediate", "cmdPrintImmediate", "ABC", "print 2 ABC\n", "OPOS_SUCCESS");
        // The percentage field takes three characters.
        row("cut 2.5 rounds up", "cmdCutPaper", "2.5", "cut 3", "OPOS_SUCCESS");
        row("cut .5 rounds up", "cmdCutPaper", ".5", "cut 1", "OPOS_SUCCESS");
        row("cut 100", "cmdCutPaper", "100", "cut 100", "OPOS_SUCCESS");
        row("cut 150", "cmdCutPaper", "150", "", "OPOS_E_ILLEGAL");
        row("cut -1", "cmdCutPaper", "-1", "", "OPOS_E_ILLEGAL");
    }
    void outputReachesTheDevice()
    {
        QFETCH(QByteArray, button);
        QFETCH(QString, text);
        QFETCH(QString, call);
        QFETCH(QString, result);
        ScriptedWindow w;
        prepare(w.fixture, Setup::Enabled);
        w.calls();
        WindowFixture& f = w.fixture;
        const int from = f.form().LogRow;
        const bool cut = button == "cmdCutPaper";
        f.type(cut ? "txtCutPaper" : "txtPrint", text);
        f.click(button.constData());

        QCOMPARE(w.calls(), call.isEmpty() ? QStringList() : QStringList{call});
        const QString member = QString::fromLatin1(button.mid(3)) + QStringLiteral("() ");
        QCOMPARE(rowsSince(f, from), QStringList{member + result});
        const PrinterListModel& list = f.window().printerList();
        QCOMPARE(list.ListCount(), call.isEmpty() ? 0 : 1);
        if (!call.isEmpty()) {
            QCOMPARE(list.List(0), cut ? QStringLiteral("/\\").repeated(28) : text);
            QCOMPARE(list.ListIndex(), 0);
        }
    }

    // Cover open or paper out asks whether to retry; every attempt is logged, giving up clears
    // the output. The scripted user may fix the printer while the box is open.
    void retryLoops_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<bool>("coverOpen");
        QTest::addColumn<int>("okBeforeFixing"); // OKs answered while the fault persists
        QTest::addColumn<bool>("fixThenOk");     // then fix it and answer OK, else Cancel
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<bool>("printCancelled");
        QTest::addColumn<int>("echoes");

        const QString coverRow = QStringLiteral("PrintNormal() OPOS_EPTR_COVER_OPEN");
        const QString paperRow = QStringLiteral("PrintNormal() OPOS_EPTR_REC_EMPTY");
        const QString clear = QStringLiteral("ClearOutput() OPOS_SUCCESS");
        QTest::newRow("cover closed, then OK")
            << QByteArray("cmdPrintNormal") << true << 0 << true
            << QStringList{coverRow, QStringLiteral("PrintNormal() OPOS_SUCCESS")} << false << 1;
        QTest::newRow("cover, OK twice, then Cancel")
            << QByteArray("cmdPrintNormal") << true << 2 << false
            << QStringList{coverRow, coverRow, coverRow, clear} << true << 0;
        QTest::newRow("paper, Cancel") << QByteArray("cmdPrintNormal") << false << 0 << false
                                       << QStringList{paperRow, clear} << true << 0;
        QTest::newRow("paper refilled, then OK")
            << QByteArray("cmdPrintNormal") << false << 0 << true
            << QStringList{paperRow, QStringLiteral("PrintNormal() OPOS_SUCCESS")} << false << 1;
        QTest::newRow("immediate, cover, Cancel")
            << QByteArray("cmdPrintImmediate") << true << 0 << false
            << QStringList{QStringLiteral("PrintImmediate() OPOS_EPTR_COVER_OPEN"), clear} << true
            << 0;
        QTest::newRow("cut, paper, OK then Cancel")
            << QByteArray("cmdCutPaper") << false << 1 << false
            << QStringList{QStringLiteral("CutPaper() OPOS_EPTR_REC_EMPTY"),
                           QStringLiteral("CutPaper() OPOS_EPTR_REC_EMPTY"), clear}
            << false << 0;
        QTest::newRow("cut, cover closed, then OK")
            << QByteArray("cmdCutPaper") << true << 0 << true
            << QStringList{QStringLiteral("CutPaper() OPOS_EPTR_COVER_OPEN"),
                           QStringLiteral("CutPaper() OPOS_SUCCESS")}
            << false << 1;
    }
    void retryLoops()
    {
        QFETCH(QByteArray, button);
        QFETCH(bool, coverOpen);
        QFETCH(int, okBeforeFixing);
        QFETCH(bool, fixThenOk);
        QFETCH(QStringList, rows);
        QFETCH(bool, printCancelled);
        QFETCH(int, echoes);

        WindowFixture f;
        sim::SimulatedPrinter& device = f.simPrinter();
        QVERIFY(f.openPrinter(true, true));
        auto fault = [&device, coverOpen](bool present) {
            if (coverOpen)
                device.setCoverOpen(present);
            else
                device.setPaper(present ? opos::PaperState::Empty : opos::PaperState::Ok);
        };
        fault(true);
        QCoreApplication::processEvents(); // the status update of the fault arrives before the
                                           // click
        const int from = f.form().LogRow;
        for (int i = 0; i < okBeforeFixing; ++i)
            f.dialogs().queueAnswer(Dialogs::Answer::Ok);
        if (fixThenOk)
            f.dialogs().queueAnswer(Dialogs::Answer::Ok, [fault] { fault(false); });
        else
            f.dialogs().queueAnswer(Dialogs::Answer::Cancel);
        f.click(button.constData());

        QCOMPARE(commandRowsSince(f, from), rows);
        const QString prompt = coverOpen ? QStringLiteral("PRINTER COVER IS OPEN!, retry?")
                                         : QStringLiteral("PRINTER IS OUT OF PAPER!, retry?");
        const int questions = okBeforeFixing + 1;
        QCOMPARE(f.dialogs().prompts(), QStringList(questions, prompt));
        for (const auto& box : f.dialogs().boxes()) {
            QCOMPARE(box.title, QStringLiteral("ERROR MESSAGE"));
            QVERIFY(box.cancelButton && !box.exclamationIcon);
        }
        QCOMPARE(f.flags().PrintCancelled, printCancelled);
        QCOMPARE(f.window().printerList().ListCount(), echoes);
        if (!fixThenOk) {
            QCOMPARE(f.flags().CoverOpenAlarm, coverOpen);
            QCOMPARE(f.flags().PaperEmptyAlarm, !coverOpen);
            QCOMPARE(lampColour(f, coverOpen ? "shpCover" : "shpPaper"), colours::Red);
        }
    }

    // A cancelled cut leaves PrintCancelled as the last line print set it (retryLoops has it
    // false).
    void cancelledCutKeepsPrintCancelled()
    {
        WindowFixture f;
        QVERIFY(f.openPrinter(true, true));
        f.simPrinter().setCoverOpen(true);
        f.flags().PrintCancelled = true;
        f.dialogs().queueAnswer(Dialogs::Answer::Cancel);
        f.click("cmdCutPaper");
        QVERIFY(f.flags().PrintCancelled);
        QCOMPARE(f.dialogs().boxes().size(), 1);
    }

    // Failures without a retry box: an extended code other than cover or paper, and a plain
    // code, with their lamp handling.
    void failuresWithoutBox_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<int>("injectedCode");
        QTest::addColumn<int>("injectedExtended");
        QTest::addColumn<QString>("row");
        QTest::newRow("extended slip form")
            << Setup::Enabled << 114 << 205 << "PrintNormal() OPOS_EPTR_SLP_FORM";
        QTest::newRow("plain failure")
            << Setup::Enabled << 111 << 0 << "PrintNormal() OPOS_E_FAILURE";
        QTest::newRow("not enabled") << Setup::Claimed << 0 << 0 << "PrintNormal() OPOS_E_DISABLED";
    }
    void failuresWithoutBox()
    {
        QFETCH(Setup, setup);
        QFETCH(int, injectedCode);
        QFETCH(int, injectedExtended);
        QFETCH(QString, row);
        WindowFixture f;
        prepare(f, setup);
        f.flags().CoverOpenAlarm = true;
        f.flags().PaperEmptyAlarm = true;
        f.flags().PaperNearEndAlarm = true;
        const int from = f.form().LogRow;
        if (injectedCode != 0)
            f.simPrinter().failNextCall({false, injectedCode, injectedExtended});
        f.click("cmdPrintNormal");

        QCOMPARE(commandRowsSince(f, from), QStringList{row});
        QVERIFY(f.dialogs().boxes().isEmpty());
        // Both lamp procedures clear the two alarms here and never touch the near-end one.
        QVERIFY(!f.flags().CoverOpenAlarm && !f.flags().PaperEmptyAlarm);
        QVERIFY(f.flags().PaperNearEndAlarm);
        QCOMPARE(lampColour(f, "shpCover"), colours::Green);
        QCOMPARE(lampColour(f, "shpPaper"), colours::Green);
        QCOMPARE(f.window().printerList().ListCount(), 0);
    }

    // Which OutputID label a successful output fills: by command, and never inside a
    // transaction.
    void outputIdLabels_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<bool>("transaction");
        QTest::addColumn<QByteArray>("label"); // empty: no label changes
        QTest::newRow("line") << QByteArray("cmdPrintNormal") << false
                              << QByteArray("lblPrintOutputID");
        QTest::newRow("immediate line") << QByteArray("cmdPrintImmediate") << false << QByteArray();
        QTest::newRow("cut") << QByteArray("cmdCutPaper") << false << QByteArray("lblCutOutputID");
        QTest::newRow("line in a transaction")
            << QByteArray("cmdPrintNormal") << true << QByteArray();
        QTest::newRow("cut in a transaction") << QByteArray("cmdCutPaper") << true << QByteArray();
    }
    void outputIdLabels()
    {
        QFETCH(QByteArray, button);
        QFETCH(bool, transaction);
        QFETCH(QByteArray, label);
        WindowFixture f;
        QVERIFY(f.openPrinter(true, true));
        f.widget<QCheckBox>("chkAsyncMode").setChecked(true);
        f.flags().TransactionActive = transaction;
        f.type("txtPrint", QStringLiteral("from the page"));
        f.type("txtCutPaper", QStringLiteral("90"));
        f.click(button.constData());

        const PrinterListModel& list = f.window().printerList();
        QCOMPARE(list.ListCount(), 1);
        QCOMPARE(f.printer().AsyncMode(), button != "cmdPrintImmediate");
        for (const char* name : {"lblPrintOutputID", "lblCutOutputID", "lblFilePrintOutputID",
                                 "lblFileCutOutputID", "lblFileTransPrintOutputID"}) {
            const QString shown = f.widget<QLabel>(name).text();
            if (label == name)
                QCOMPARE(shown, QString::number(f.printer().OutputID()));
            else
                QVERIFY2(shown.isEmpty(), name);
        }
    }
};

QTEST_MAIN(TestPrinterCommands)
#include "test_printer_commands.moc"

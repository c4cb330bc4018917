#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "services/Colours.h"
#include "services/FlexGridModel.h"
#include "services/FormState.h"
#include "services/Lamp.h"
#include "services/ModuleFlags.h"
#include "services/PrinterListModel.h"
#include "support/LogRows.h"
#include "support/WindowFixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

enum class Event
{
    DirectIO,
    Error,
    OutputComplete,
    StatusUpdate
};

// Raises one printer event as the control object does; returns the error response or pData.
int32_t raise(opos::PosPrinter& printer, Event event, int a, int b, int c, QString text = {})
{
    int32_t value = b;
    switch (event) {
    case Event::DirectIO:
        emit printer.DirectIOEvent(a, &value, &text);
        break;
    case Event::Error:
        value = -1; // a response nobody answered
        emit printer.ErrorEvent(a, b, c, &value);
        break;
    case Event::OutputComplete:
        emit printer.OutputCompleteEvent(a);
        break;
    case Event::StatusUpdate:
        emit printer.StatusUpdateEvent(a);
        break;
    }
    return value;
}

QColor lampColour(WindowFixture& f, const char* lamp)
{
    return f.widget<Lamp>(lamp).FillColor();
}

} // namespace

Q_DECLARE_METATYPE(Event)

class TestPrinterEvents : public QObject
{
    Q_OBJECT

private slots:
    // Each event writes one row: its name in its colour, its detail in the standard colour.
    void eventRows_data()
    {
        QTest::addColumn<Event>("event");
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("c");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QColor>("colour");
        const auto row = [](const char* title, Event event, int a, int b, int c, const char* text,
                            const char* detail) {
            static const char* const names[] = {"DirectIOEvent()", "ErrorEvent()",
                                                "OutputCompleteEvent()", "StatusUpdateEvent()"};
            static const QColor tints[] = {colours::Green, colours::Red, colours::Green,
                                           colours::Blue};
            QTest::newRow(title) << event << a << b << c << QString::fromLatin1(text)
                                 << QString::fromLatin1(names[int(event)])
                                 << QString::fromLatin1(detail) << tints[int(event)];
        };
        row("DirectIO, empty text", Event::DirectIO, 5, 0, 0, "", "EN=5 | pD=0 | pStr=");
        row("DirectIO, negative and a bar", Event::DirectIO, -7, 123, 0, " a|b ",
            "EN=-7 | pD=123 | pStr= a|b ");
        row("Error, cover open", Event::Error, 114, 201, 1, "",
            "RC=OPOS_E_EXTENDED | RCE=OPOS_EPTR_COVER_OPEN | EL=1");
        row("Error, slip form", Event::Error, 114, 205, 1, "",
            "RC=OPOS_E_EXTENDED | RCE=OPOS_EPTR_SLP_FORM | EL=1");
        row("Error, unnamed extended", Event::Error, 114, 999, 2, "",
            "RC=OPOS_E_EXTENDED | RCE=999 | EL=2");
        row("Error, plain", Event::Error, 111, 0, 1, "",
            "RC=OPOS_E_FAILURE | RCE=OPOS_SUCCESS | EL=1");
        row("OutputComplete", Event::OutputComplete, 42, 0, 0, "", "OID=42");
        row("StatusUpdate, receipt cover", Event::StatusUpdate, 62, 0, 0, "",
            "DATA=PTR_SUE_REC_COVER_OPEN");
        row("StatusUpdate, idle", Event::StatusUpdate, 1001, 0, 0, "", "DATA=PTR_SUE_IDLE");
        row("StatusUpdate, unknown", Event::StatusUpdate, 7, 0, 0, "", "DATA=UNKNOWN!");
    }
    void eventRows()
    {
        QFETCH(Event, event);
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(int, c);
        QFETCH(QString, text);
        QFETCH(QString, name);
        QFETCH(QString, detail);
        QFETCH(QColor, colour);
        WindowFixture f;
        f.dialogs().queueAnswer(Dialogs::Answer::Ok);
        raise(f.printer(), event, a, b, c, text);

        const FlexGridModel& grid = f.window().logGrid();
        QCOMPARE(f.form().LogRow, 2);
        QCOMPARE(grid.TextMatrix(1, 0), name);
        QCOMPARE(grid.TextMatrix(1, 1), detail);
        QCOMPARE(grid.CellForeColor(1, 0), colour);
        QVERIFY(!grid.CellForeColor(1, 1).isValid());
        QCOMPARE(grid.Row(), 1); // the detail cell is left current
        QCOMPARE(grid.Col(), 1);
        // A command row after it keeps the standard colour and leaves the current cell alone.
        f.click("cmdClose");
        QVERIFY(!grid.CellForeColor(2, 0).isValid());
        QCOMPARE(grid.Row(), 1);
        QCOMPARE(grid.Col(), 1);
    }

    // The error event asks whether to retry and hands the answer back; it paints no lamp.
    void errorEventPrompts_data()
    {
        QTest::addColumn<int>("resultCode");
        QTest::addColumn<int>("extended");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<int>("response");
        QTest::newRow("cover, OK") << 114 << 201 << true << "ERROR COVER OPEN!, Retry ?" << 11;
        QTest::newRow("cover, Cancel") << 114 << 201 << false << "ERROR COVER OPEN!, Retry ?" << 12;
        QTest::newRow("paper, OK") << 114 << 203 << true << "ERROR PAPER END!, Retry ?" << 11;
        QTest::newRow("slip form, Cancel")
            << 114 << 205 << false << "ResultCodeExtended = 205 , Retry ?" << 12;
        QTest::newRow("unnamed extended")
            << 114 << 999 << true << "ResultCodeExtended = 999 , Retry ?" << 11;
        QTest::newRow("plain failure") << 111 << 0 << true << "ResultCode = 111 , Retry ?" << 11;
        QTest::newRow("negative code") << -5 << 201 << false << "ResultCode = -5 , Retry ?" << 12;
    }
    void errorEventPrompts()
    {
        QFETCH(int, resultCode);
        QFETCH(int, extended);
        QFETCH(bool, ok);
        QFETCH(QString, prompt);
        QFETCH(int, response);
        WindowFixture f;
        f.dialogs().queueAnswer(ok ? Dialogs::Answer::Ok : Dialogs::Answer::Cancel);
        QCOMPARE(raise(f.printer(), Event::Error, resultCode, extended, 1), response);

        QCOMPARE(f.dialogs().prompts(), QStringList{prompt});
        const auto& box = f.dialogs().boxes().first();
        QCOMPARE(box.title, QStringLiteral("ERROR EVENT Handler"));
        QVERIFY(box.cancelButton && !box.exclamationIcon);
        QVERIFY(!f.flags().CoverOpenAlarm && !f.flags().PaperEmptyAlarm);
        QCOMPARE(lampColour(f, "shpCover"), QColor(Qt::white));
    }

    void statusUpdateFlags_data()
    {
        QTest::addColumn<int>("data");
        QTest::addColumn<QString>("before"); // cover open, paper empty, near end: "CEN" / "-"
        QTest::addColumn<QString>("after");
        const auto row = [](const char* title, int data, const char* before, const char* after) {
            QTest::newRow(title) << data << QString::fromLatin1(before)
                                 << QString::fromLatin1(after);
        };
        row("cover open", 11, "---", "C--");
        row("cover ok", 12, "CEN", "-EN");
        row("paper empty keeps near end", 24, "--N", "-EN");
        row("near empty", 25, "-E-", "--N");
        row("paper ok", 26, "-EN", "---");
        row("receipt cover does not drive the cover alarm", 62, "---", "---");
        row("idle", 1001, "CEN", "CEN");
        row("unknown", 7, "C-N", "C-N");
    }
    void statusUpdateFlags()
    {
        QFETCH(int, data);
        QFETCH(QString, before);
        QFETCH(QString, after);
        WindowFixture f;
        ModuleFlags& flags = f.flags();
        flags.CoverOpenAlarm = before[0] == QLatin1Char('C');
        flags.PaperEmptyAlarm = before[1] == QLatin1Char('E');
        flags.PaperNearEndAlarm = before[2] == QLatin1Char('N');
        raise(f.printer(), Event::StatusUpdate, data, 0, 0);
        const QString now = QString(flags.CoverOpenAlarm ? u'C' : u'-') +
                            (flags.PaperEmptyAlarm ? u'E' : u'-') +
                            (flags.PaperNearEndAlarm ? u'N' : u'-');
        QCOMPARE(now, after);
        QCOMPARE(lampColour(f, "shpCover"), QColor(Qt::white)); // the handler paints nothing
    }

    // A failure inside a handler shows its text under the handler's own title; what was done
    // before it stays done.
    void handlerFailures_data()
    {
        QTest::addColumn<Event>("event");
        QTest::addColumn<QString>("title");
        QTest::newRow("DirectIO") << Event::DirectIO << "DirectIO EVENT Handler";
        QTest::newRow("Error") << Event::Error << "ERROR EVENT Handler";
        QTest::newRow("OutputComplete") << Event::OutputComplete << "OutputComplete EVENT Handler";
        QTest::newRow("StatusUpdate") << Event::StatusUpdate << "StatusUpdate EVENT Handler";
    }
    void handlerFailures()
    {
        QFETCH(Event, event);
        QFETCH(QString, title);
        WindowFixture f;
        // A log row past the end of the grid makes the append fail.
        f.form().LogRow = f.window().logGrid().Rows() + 3;
        const int32_t value = raise(f.printer(), event, opos::PTR_SUE_COVER_OPEN, 201, 1);
        QCOMPARE(f.dialogs().boxes().size(), 1);
        const auto& box = f.dialogs().boxes().first();
        QCOMPARE(box.title, title);
        QVERIFY(box.exclamationIcon && !box.prompt.isEmpty());
        if (event == Event::Error)
            QCOMPARE(value, -1); // the printer's preset response stays
        if (event == Event::StatusUpdate)
            QVERIFY(f.flags().CoverOpenAlarm);
    }

    // The road of one print: open, claim, enable, print with the cover open, close it while the
    // box asks, retry, success.
    void roadOfOnePrint()
    {
        WindowFixture f;
        sim::SimulatedPrinter& device = f.simPrinter();
        f.click("cmdOpen");
        f.tick();
        QCOMPARE(f.widget<QLabel>("lblStatus").text(), QStringLiteral("OPENED!"));
        f.click("cmdClaim");
        f.click("cmdSetDeviceEnable");
        device.setCoverOpen(true);
        QTRY_COMPARE(f.form().LogRow, 4);
        f.dialogs().queueAnswer(Dialogs::Answer::Ok, [&device, &f] {
            QCOMPARE(lampColour(f, "shpCover"), colours::Red);
            device.setCoverOpen(false);
        });
        f.click("cmdPrintNormal");
        QTRY_COMPARE(f.form().LogRow, 7);

        QCOMPARE(logRowTexts(f.window().logGrid(), f.form()),
                 (QStringList{QStringLiteral("Open() OPOS_SUCCESS"),
                              QStringLiteral("ClaimDevice() OPOS_SUCCESS"),
                              QStringLiteral("StatusUpdateEvent() DATA=PTR_SUE_COVER_OPEN"),
                              QStringLiteral("PrintNormal() OPOS_EPTR_COVER_OPEN"),
                              QStringLiteral("PrintNormal() OPOS_SUCCESS"),
                              QStringLiteral("StatusUpdateEvent() DATA=PTR_SUE_COVER_OK")}));
        QCOMPARE(f.dialogs().prompts(),
                 QStringList{QStringLiteral("PRINTER COVER IS OPEN!, retry?")});
        const QString line = f.widget<QLineEdit>("txtPrint").text();
        QCOMPARE(f.window().printerList().List(0), line);
        QCOMPARE(device.receipt().last().text, line);
        f.tick();
        QCOMPARE(lampColour(f, "shpCover"), colours::Green);
    }

    // In asynchronous mode the call succeeds at once, the printer reports the open cover with an
    // error event, and the answer decides: retry prints and completes, clear drops the output.
    void asynchronousRoad_data()
    {
        QTest::addColumn<bool>("coverOpen");
        QTest::addColumn<bool>("retry");
        QTest::addColumn<QStringList>("prompts");
        QTest::addColumn<bool>("completes");
        const QStringList cover{QStringLiteral("ERROR COVER OPEN!, Retry ?")};
        QTest::newRow("cover closed") << false << false << QStringList() << true;
        QTest::newRow("cover open, closed, retry") << true << true << cover << true;
        QTest::newRow("cover open, clear") << true << false << cover << false;
    }
    void asynchronousRoad()
    {
        QFETCH(bool, coverOpen);
        QFETCH(bool, retry);
        QFETCH(QStringList, prompts);
        QFETCH(bool, completes);
        WindowFixture f;
        sim::SimulatedPrinter& device = f.simPrinter();
        device.setCoverOpen(coverOpen);
        QVERIFY(f.openPrinter(true, true));
        f.widget<QCheckBox>("chkAsyncMode").setChecked(true);
        if (retry)
            f.dialogs().queueAnswer(Dialogs::Answer::Ok, [&device] { device.setCoverOpen(false); });
        else if (coverOpen)
            f.dialogs().queueAnswer(Dialogs::Answer::Cancel);
        f.click("cmdPrintNormal");
        const QString outputId = f.widget<QLabel>("lblPrintOutputID").text();
        QVERIFY(!outputId.isEmpty());
        QCOMPARE(logRowTexts(f.window().logGrid(), f.form()),
                 QStringList{QStringLiteral("PrintNormal() OPOS_SUCCESS")});

        QTRY_COMPARE(f.printer().State(), opos::OPOS_S_IDLE);
        const QString completionRow = QStringLiteral("OutputCompleteEvent() OID=") + outputId;
        QTRY_COMPARE(logRowTexts(f.window().logGrid(), f.form()).contains(completionRow),
                     completes);
        QCoreApplication::processEvents();
        const QStringList rows = logRowTexts(f.window().logGrid(), f.form());
        const FlexGridModel& grid = f.window().logGrid();
        const int completion = int(rows.indexOf(completionRow));
        QCOMPARE(completion >= 0, completes);
        if (completes)
            QCOMPARE(grid.CellForeColor(completion + 1, 0), colours::Green);
        QCOMPARE(f.dialogs().prompts(), prompts);
        if (coverOpen)
            QVERIFY(rows.contains(QStringLiteral(
                "ErrorEvent() RC=OPOS_E_EXTENDED | RCE=OPOS_EPTR_COVER_OPEN | EL=1")));
        QCOMPARE(device.receipt().isEmpty(), !completes);
    }
};

QTEST_MAIN(TestPrinterEvents)
#include "test_printer_events.moc"

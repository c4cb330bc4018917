#include "app/startup/AppOptions.h"
#include "backends/escpos/Resolvers.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/DeviceRegistry.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "script/HeadlessRun.h"
#include "script/JUnitReport.h"
#include "script/ScriptClock.h"
#include "script/ScriptParser.h"
#include "script/ScriptRunner.h"
#include "script/TranscriptText.h"
#include "support/FakeEscPosPrinter.h"
#include "support/ScriptedPrinterBackend.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Virtual time: a wait lets the events already on their way arrive (output still queued on the
// device's worker is waited for, as a test waits for a signal), then jumps to its end. No test
// waits on real time for a time-out.
class FakeClock final : public script::ScriptClock
{
public:
    QDateTime now() const override
    {
        // Ticking, every reading is a millisecond later than the one before.
        if (ticking)
            ++m_elapsedMs;
        return m_start.addMSecs(m_elapsedMs);
    }
    bool waitUntil(int32_t timeoutMs, const std::function<bool()>& done) override
    {
        QCoreApplication::processEvents();
        if (busy) [[maybe_unused]]
            const bool settled = QTest::qWaitFor([&] { return done() || !busy(); }, 30000);
        QCoreApplication::processEvents();
        if (done())
            return true;
        m_elapsedMs += timeoutMs;
        return false;
    }
    qint64 elapsedMs() const { return m_elapsedMs; }

    std::function<bool()> busy; // work is in flight whose events may still come
    bool ticking = false;

private:
    QDateTime m_start = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
    mutable qint64 m_elapsedMs = 0;
};

class Recorder final : public script::RunListener
{
public:
    void transcriptLine(QStringView line) override { lines.append(line.toString()); }
    void expectationChecked(const script::ExpectationOutcome& outcome) override
    {
        outcomes.append(outcome);
    }
    QString failures() const
    {
        QStringList texts;
        for (const auto& outcome : outcomes)
            if (!outcome.held)
                texts << QStringLiteral("%1: %2").arg(outcome.line).arg(outcome.message);
        return texts.join(u'\n');
    }

    QStringList lines;
    QList<script::ExpectationOutcome> outcomes;
};

const QByteArray kScriptedReady = "use printer Scripted\n"
                                  "printer Open\n"
                                  "printer ClaimDevice 0\n"
                                  "printer DeviceEnabled = true\n";

// One run against the scripted printer backend and the simulated devices.
struct Bench
{
    Bench()
    {
        addScriptedPrinter(registry, backend);
        simulated.registerWith(registry);
        runner.addListener(&recorder);
        clock.busy = [this] { return runner.printer().State() == opos::OPOS_S_BUSY; };
    }

    script::RunSummary run(const QByteArray& text)
    {
        return runner.run(script::parseScript(text, QStringLiteral("t.txt"), QDir::tempPath()));
    }

    std::shared_ptr<PrinterScript> backend = std::make_shared<PrinterScript>();
    sim::SimulatedDevices simulated;
    opos::DeviceRegistry registry;
    FakeClock clock;
    script::ScriptRunner runner{registry, {}, &simulated, clock};
    Recorder recorder;
};

QString lineWith(const QStringList& lines, const QString& text)
{
    for (const QString& line : lines)
        if (line.contains(text))
            return line;
    return {};
}

} // namespace

class TestScriptRunner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void expectations_data();
    void expectations();
    void transcriptUsesTheLogNamesAndIsoTimes();
    void timestampsKeepTheIsoFormAcrossSeconds();
    void callsWrittenAlikeShowTheirOwnWords();
    void linesAlikeButTheirTextReadAsLinesWrittenWhole();
    void failuresShowTheirReasonByName();
    void eventWaitsTimeOutOnTheClock();
    void eventsArriveWithinTheWait();
    void errorEventAnswers_data();
    void errorEventAnswers();
    void simulatedDevices_data();
    void simulatedDevices();
    void simStatementsNeedSimulatedDevices();
    void propertyExpectationsNeedAWorkingRead_data();
    void propertyExpectationsNeedAWorkingRead();
    void powerEventsByName();
    void refusedClaimShowsTheReason();
    void junitReportStructure();
    void exitCodes_data();
    void exitCodes();
    void aRunThatCannotRunLeavesAnErrorReport();
    void aFullDiskIsACannotRun();
    void scriptsAreReadToTheirEnd();
    void endlessDevicesAreNoScript_data();
    void endlessDevicesAreNoScript();
    void escPosPrinterReceivesTheBytes();
    void commandLine_data();
    void commandLine();

private:
    QTemporaryDir m_dir;
};

void TestScriptRunner::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // The user's devices file must not take part in these runs.
    qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toUtf8());
}

void TestScriptRunner::expectations_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<int>>("outputResults"); // code, extended pairs for print and cut
    QTest::addColumn<bool>("throwOnOutput");
    QTest::addColumn<int>("expectations");
    QTest::addColumn<QString>("failures"); // "line: message" of each failed one

    const QList<int> none;
    // clang-format off
    QTest::newRow("result holds") << QByteArray("printer PrintNormal receipt \"a\\n\"\nexpect OPOS_SUCCESS") << none << false << 1 << QString();
    QTest::newRow("result fails") << QByteArray("printer PrintNormal receipt \"a\\n\"\nexpect OPOS_E_ILLEGAL") << none << false << 1 << QStringLiteral("6: got OPOS_SUCCESS");
    QTest::newRow("extended by detail") << QByteArray("printer PrintNormal 2 \"a\"\nexpect OPOS_EPTR_REC_EMPTY\nexpect OPOS_E_EXTENDED") << QList<int>{114, 203} << false << 2 << QString();
    QTest::newRow("extended shown") << QByteArray("printer CutPaper\nexpect OPOS_SUCCESS") << QList<int>{114, 201} << false << 1 << QStringLiteral("6: got OPOS_E_EXTENDED / OPOS_EPTR_COVER_OPEN");
    QTest::newRow("failure expected") << QByteArray("printer PrintNormal 2 \"a\"\nexpect failure") << none << true << 1 << QString();
    QTest::newRow("failure not raised") << QByteArray("printer PrintNormal 2 \"a\"\nexpect failure") << none << false << 1 << QStringLiteral("6: the call gave OPOS_SUCCESS, not a run-time failure");
    QTest::newRow("failure unexpected") << QByteArray("printer PrintNormal 2 \"a\"\nprinter Close\nexpect OPOS_SUCCESS") << none << true << 2 << QStringLiteral("5: unexpected run-time failure: scripted failure");
    QTest::newRow("failure at the end") << QByteArray("printer PrintNormal 2 \"a\"") << none << true << 1 << QStringLiteral("5: unexpected run-time failure: scripted failure");
    QTest::newRow("failure instead of result") << QByteArray("printer PrintNormal 2 \"a\"\nexpect OPOS_SUCCESS") << none << true << 1 << QStringLiteral("6: run-time failure: scripted failure");
    QTest::newRow("property holds") << QByteArray("expect printer DeviceEnabled = true\nexpect printer State != OPOS_S_CLOSED\nexpect printer RecLineChars = 42") << none << false << 3 << QString();
    QTest::newRow("property fails") << QByteArray("expect printer AsyncMode = true\nexpect printer State = OPOS_S_BUSY within 3 s") << none << false << 2 << QStringLiteral("5: AsyncMode is 0\n6: State is OPOS_S_IDLE (2)");
    QTest::newRow("refused write") << QByteArray("printer RecLineWidth = 10\nexpect OPOS_E_ILLEGAL") << none << false << 1 << QString();
    QTest::newRow("old claim") << QByteArray("printer Release\nexpect OPOS_SUCCESS\nprinter Claim 0\nexpect OPOS_SUCCESS") << none << false << 2 << QString();
    QTest::newRow("print file stops at a fault") << QByteArray("printer PrintNormal receipt file \"lines.txt\"\nexpect OPOS_EPTR_COVER_OPEN") << QList<int>{0, 0, 114, 201} << false << 1 << QString();
    QTest::newRow("missing file") << QByteArray("printer PrintNormal receipt file \"none.txt\"\nexpect failure") << none << false << 1 << QString();
    // clang-format on
}

void TestScriptRunner::expectations()
{
    QFETCH(QByteArray, text);
    QFETCH(QList<int>, outputResults);
    QFETCH(bool, throwOnOutput);
    QFile lines(QDir::temp().filePath(QStringLiteral("lines.txt")));
    QVERIFY(lines.open(QIODevice::WriteOnly));
    lines.write("one\r\ntwo\nthree\n");
    lines.close();

    Bench bench;
    bench.backend->properties.insert(QStringLiteral("RecLineChars"), 42);
    for (qsizetype i = 0; i + 1 < outputResults.size(); i += 2)
        bench.backend->outputResults.push_back({outputResults[i], outputResults[i + 1], {}});
    bench.backend->throwOnNextOutput = throwOnOutput;
    const script::RunSummary summary = bench.run(kScriptedReady + text);

    QTEST(bench.recorder.failures(), "failures");
    QTEST(summary.expectations, "expectations");
    QCOMPARE(
        summary.failures,
        int(bench.recorder.failures().isEmpty() ? 0 : bench.recorder.failures().count(u'\n') + 1));
    QVERIFY(bench.recorder.lines.last().contains(summary.failures ? u"FAILED" : u"PASSED"));
}

void TestScriptRunner::timestampsKeepTheIsoFormAcrossSeconds()
{
    // The date and time of day are kept from one line to the next within a second: a new
    // second, a new year, a clock set back or a time before 1970 must still show correctly.
    script::TimestampText text;
    const qint64 base =
        QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59), Qt::UTC).toMSecsSinceEpoch();
    for (const qint64 ms :
         {base, base + 7, base + 999, base + 1000, base + 1001, base - 1, base, qint64(0),
          qint64(-1), qint64(-1000), qint64(-1001), base + 86'400'123}) {
        const QDateTime time = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
        QCOMPARE(text(time), time.toString(Qt::ISODateWithMs));
    }
}

void TestScriptRunner::transcriptUsesTheLogNamesAndIsoTimes()
{
    Bench bench;
    bench.backend->outputResults.push_back({114, 201, {}});
    bench.run(kScriptedReady + "printer PrintNormal 2 \"\\e|bCa\\n\"\n"
                               "printer TransactionPrint receipt transaction\n"
                               "printer TransactionPrint receipt normal\n"
                               "printer DirectIO 3 0 \"x\"\n"
                               "printer CheckHealth OPOS_CH_INTERNAL\n"
                               "printer RecLineChars\n"
                               "printer State\n"
                               "expect OPOS_SUCCESS\n");
    const QStringList& lines = bench.recorder.lines;
    QCOMPARE(lines.value(0), QStringLiteral("2026-01-02T03:04:05.000Z  run  %1  script t.txt")
                                 .arg(QCoreApplication::applicationName()));
    const QStringList expected{
        QStringLiteral("  printer  Open(\"Scripted\")  OPOS_SUCCESS"),
        QStringLiteral("  printer  ClaimDevice(0)  OPOS_SUCCESS"),
        QStringLiteral("  printer  DeviceEnabled = 1  OPOS_SUCCESS"),
        QStringLiteral(
            "  printer  PrintNormal(PTR_S_RECEIPT, \"\\e|bCa\\n\")  OPOS_EPTR_COVER_OPEN"),
        QStringLiteral(
            "  printer  TransactionPrint(PTR_S_RECEIPT, PTR_TP_TRANSACTION)  OPOS_SUCCESS"),
        QStringLiteral("  printer  TransactionPrint(PTR_S_RECEIPT, PTR_TP_NORMAL)  OPOS_SUCCESS"),
        QStringLiteral("  printer  DirectIO(3, 0, \"x\")  OPOS_SUCCESS"),
        QStringLiteral("  printer  CheckHealth(OPOS_CH_INTERNAL)  OPOS_SUCCESS"),
        QStringLiteral("  printer  RecLineChars  48"),
        QStringLiteral("  printer  State  OPOS_S_IDLE (2)"),
        QStringLiteral("  PASS  line 12: expect OPOS_SUCCESS"),
        QStringLiteral("  run  PASSED  1 expectation, 0 failed"),
    };
    QCOMPARE(lines.size(), expected.size() + 1);
    for (int i = 0; i < expected.size(); ++i) {
        QVERIFY2(lines.value(i + 1).startsWith(u"2026-01-02T03:04:05.000Z"),
                 qPrintable(lines.value(i + 1)));
        QCOMPARE(lines.value(i + 1).mid(24), expected[i]);
    }
}

void TestScriptRunner::callsWrittenAlikeShowTheirOwnWords()
{
    // Calls written alike, wholly or as far as their text, each show their own: a text in another
    // form, one too long to show whole, another station, one not the last argument; then a
    // second script on the same runner.
    Bench bench;
    const QByteArray longText(230, 'L');
    bench.run(kScriptedReady +
              "printer PrintNormal receipt \"A\"\n"
              "printer PrintNormal receipt \"A\"\n"
              "printer PrintNormal receipt \"B\"\n"
              "printer PrintNormal receipt \"\\x41\"\n"
              "printer PrintNormal receipt \"C\"\n"
              "printer PrintNormal receipt \"\xC3\x84\"\n"
              "printer PrintNormal receipt \"" +
              longText +
              "\"\n"
              "printer PrintNormal receipt \"D\"\n"
              "printer PrintNormal journal \"D\"\n"
              "printer DirectIO 3 0 \"x\"\n"
              "printer DirectIO 3 0 \"y\"\n"
              "printer DirectIO 3 1 \"y\"\n"
              "expect OPOS_SUCCESS\n");
    bench.run(kScriptedReady + "printer PrintNormal receipt \"A\"\nexpect OPOS_SUCCESS\n");
    QStringList calls;
    for (const QString& line : std::as_const(bench.recorder.lines))
        if (line.section(QStringLiteral("  "), 1, 1) == u"printer")
            calls << line.section(QStringLiteral("  "), 2, 2);
    const QString ready[]{QStringLiteral("Open(\"Scripted\")"), QStringLiteral("ClaimDevice(0)"),
                          QStringLiteral("DeviceEnabled = 1")};
    QStringList expected(std::begin(ready), std::end(ready));
    expected << QStringLiteral("PrintNormal(PTR_S_RECEIPT, \"A\")")
             << QStringLiteral("PrintNormal(PTR_S_RECEIPT, \"A\")")
             << QStringLiteral("PrintNormal(PTR_S_RECEIPT, \"B\")")
             << QStringLiteral("PrintNormal(PTR_S_RECEIPT, \"A\")")
             << QStringLiteral("PrintNormal(PTR_S_RECEIPT, \"C\")")
             << QStringLiteral("PrintNormal(PTR_S_RECEIPT, \"\u00C4\")")
             << QString(QStringLiteral("PrintNormal(PTR_S_RECEIPT, \"") + QString(200, u'L') +
                        QStringLiteral("\"\u2026)"))
             << QStringLiteral("PrintNormal(PTR_S_RECEIPT, \"D\")")
             << QStringLiteral("PrintNormal(PTR_S_JOURNAL, \"D\")")
             << QStringLiteral("DirectIO(3, 0, \"x\")") << QStringLiteral("DirectIO(3, 0, \"y\")")
             << QStringLiteral("DirectIO(3, 1, \"y\")");
    expected << QStringList(std::begin(ready), std::end(ready))
             << QStringLiteral("PrintNormal(PTR_S_RECEIPT, \"A\")");
    QCOMPARE(calls, expected);
}

void TestScriptRunner::linesAlikeButTheirTextReadAsLinesWrittenWhole()
{
    // Within one millisecond a call line like the last one but for its text only has its text
    // and outcome written again. Each line must read as it does when every line is written whole
    // (a clock that moves on at every reading, so that every line shows a time of its own): texts
    // longer and shorter than the last, another device, outcomes that change from one line to the
    // next, and other lines in between.
    const auto linesRead = [](const QByteArray& script,
                              const std::vector<opos::DeviceResult>& results, bool ticking) {
        Bench bench;
        bench.clock.ticking = ticking;
        bench.backend->outputResults.assign(results.cbegin(), results.cend());
        bench.run(script);
        QStringList lines, times;
        for (const QString& line : std::as_const(bench.recorder.lines)) {
            times << line.section(QStringLiteral("  "), 0, 0);
            lines << line.section(QStringLiteral("  "), 1);
        }
        // Every line shows the time it was written at.
        if (ticking && times.removeDuplicates() > 0)
            lines << QStringLiteral("lines written at other times show the same time");
        return lines;
    };
    const QByteArray simulated = "printer Open\n"
                                 "printer ClaimDevice 1000\n"
                                 "printer DeviceEnabled = true\n"
                                 "printer PrintNormal receipt \"A text longer than the next\"\n"
                                 "printer PrintNormal receipt \"B\"\n"
                                 "printer PrintNormal receipt \"Longer than B again\"\n"
                                 "drawer Open\n"
                                 "printer PrintNormal receipt \"C\"\n"
                                 "sim printer cover open\n"
                                 "printer PrintNormal receipt \"D\"\n"
                                 "printer PrintNormal receipt \"E, refused as well\"\n"
                                 "printer PrintNormal receipt \"E, and again\"\n"
                                 "sim printer cover closed\n"
                                 "printer PrintNormal receipt \"F\"\n"
                                 "expect OPOS_SUCCESS\n"
                                 "printer PrintNormal receipt \"\\x41\"\n"
                                 "printer PrintNormal receipt \"G \xC3\x84\"\n"
                                 "printer PrintNormal journal \"H\"\n"
                                 "printer PrintNormal receipt \"I\"\n"
                                 "printer PrintNormal receipt \"J\"\n";
    const QStringList rewritten = linesRead(simulated, {}, false);
    QVERIFY(lineWith(rewritten, QStringLiteral("\"E, and again\")  OPOS_EPTR_COVER_OPEN  "))
                .endsWith(u"open"));
    QCOMPARE(rewritten, linesRead(simulated, {}, true));

    // One outcome after another, with no other line between them.
    QByteArray scripted = kScriptedReady;
    for (const char* text : {"one", "two", "three", "four", "five", "six"})
        scripted += "printer PrintNormal receipt \"" + QByteArray(text) + "\"\n";
    const std::vector<opos::DeviceResult> results = {
        {opos::OPOS_SUCCESS, 0, {}},
        {opos::OPOS_E_EXTENDED, opos::OPOS_EPTR_COVER_OPEN, QStringLiteral("A reason")},
        {opos::OPOS_E_EXTENDED, opos::OPOS_EPTR_COVER_OPEN, QStringLiteral("Another reason")},
        {opos::OPOS_E_EXTENDED, opos::OPOS_EPTR_REC_EMPTY, QStringLiteral("Another reason")},
        {opos::OPOS_E_ILLEGAL, 0, {}}};
    const QStringList outcomes = linesRead(scripted, results, false);
    QVERIFY(lineWith(outcomes, QStringLiteral("\"three\")")).endsWith(u"Another reason"));
    QCOMPARE(outcomes, linesRead(scripted, results, true));
}

void TestScriptRunner::failuresShowTheirReasonByName()
{
    // A refused call shows ErrorString; a missed event and a property value show names.
    Bench bench;
    // The same reason twice is said twice: each call's ErrorString is its own.
    for (int i = 0; i < 2; ++i)
        bench.backend->outputResults.push_back(
            {opos::OPOS_E_NOHARDWARE, 0, QStringLiteral("the printer went away")});
    bench.run(kScriptedReady + "printer CutPaper\n"
                               "printer CutPaper\n"
                               "expect OPOS_E_NOHARDWARE\n"
                               "printer RecLineWidth = 10\n"
                               "expect printer ResultCode = OPOS_SUCCESS\n"
                               "expect drawer StatusUpdateEvent CASH_SUE_DRAWEROPEN\n"
                               "expect ErrorEvent OPOS_EPTR_COVER_OPEN\n");
    const QStringList& lines = bench.recorder.lines;
    QCOMPARE(
        lines.filter(u"printer  CutPaper(100)  OPOS_E_NOHARDWARE  the printer went away").size(),
        2);
    QCOMPARE(bench.recorder.failures(),
             QStringLiteral("9: ResultCode is OPOS_E_ILLEGAL (106)\n"
                            "10: no StatusUpdateEvent CASH_SUE_DRAWEROPEN within 0 ms\n"
                            "11: no ErrorEvent OPOS_EPTR_COVER_OPEN within 0 ms"));
}

void TestScriptRunner::eventWaitsTimeOutOnTheClock()
{
    Bench bench;
    const script::RunSummary summary =
        bench.run(kScriptedReady + "expect StatusUpdateEvent PTR_SUE_COVER_OPEN within 5 s\n"
                                   "expect no ErrorEvent within 2 s\n"
                                   "expect OutputCompleteEvent\n"
                                   "wait 1 s\n");
    QCOMPARE(summary.expectations, 3);
    QCOMPARE(bench.recorder.failures(),
             QStringLiteral("5: no StatusUpdateEvent PTR_SUE_COVER_OPEN within 5000 ms\n"
                            "7: no OutputCompleteEvent within 0 ms"));
    QCOMPARE(bench.clock.elapsedMs(), 8000);
    QVERIFY(bench.recorder.lines.last().startsWith(u"2026-01-02T03:04:13.000Z"));
}

void TestScriptRunner::eventsArriveWithinTheWait()
{
    Bench bench;
    opos::PrinterStatus open;
    open.coverOpen = true;
    bench.run(kScriptedReady);
    bench.backend->changeStatus(open); // before the expectation: the event is kept for it
    bench.recorder.outcomes.clear();
    const script::RunSummary summary =
        bench.run("expect StatusUpdateEvent PTR_SUE_COVER_OPEN within 5 s\n"
                  "expect no StatusUpdateEvent PTR_SUE_COVER_OPEN\n" // taken by the first
                  "printer DirectIO 1 2 \"x\"\n"
                  "expect printer CoverOpen = true\n");
    QCOMPARE(bench.recorder.failures(), QString());
    QCOMPARE(summary.expectations, 3);
    QCOMPARE(bench.clock.elapsedMs(), 0);
    QVERIFY(!lineWith(bench.recorder.lines,
                      QStringLiteral("StatusUpdateEvent()  DATA=PTR_SUE_COVER_OPEN"))
                 .isEmpty());
}

void TestScriptRunner::errorEventAnswers_data()
{
    QTest::addColumn<QByteArray>("answers");
    QTest::addColumn<int>("prints");
    QTest::addColumn<QString>("errorLine");
    QTest::addColumn<bool>("completed");

    QTest::newRow("retry") << QByteArray("on ErrorEvent retry\n") << 2
                           << "RC=OPOS_E_FAILURE | RCE=OPOS_SUCCESS | EL=1 -> OPOS_ER_RETRY"
                           << true;
    QTest::newRow("clear") << QByteArray("on ErrorEvent clear\n") << 1
                           << "RC=OPOS_E_FAILURE | RCE=OPOS_SUCCESS | EL=1 -> OPOS_ER_CLEAR"
                           << false;
    QTest::newRow("unanswered clears") << QByteArray() << 1 << "-> OPOS_ER_CLEAR" << false;
    QTest::newRow("answers used up")
        << QByteArray("on ErrorEvent retry 1\n") << 2 << "-> OPOS_ER_RETRY" << true;
}

void TestScriptRunner::errorEventAnswers()
{
    QFETCH(QByteArray, answers);
    QFETCH(int, prints);
    QFETCH(QString, errorLine);
    QFETCH(bool, completed);

    Bench bench;
    bench.backend->outputResults.push_back({opos::OPOS_E_FAILURE, 0, {}});
    const QByteArray completion = completed ? "expect OutputCompleteEvent within 5 s\n"
                                            : "expect no OutputCompleteEvent within 1 s\n";
    const script::RunSummary summary =
        bench.run(kScriptedReady + "printer AsyncMode = true\n" + answers +
                  "printer PrintNormal receipt \"job\\n\"\n"
                  "expect OPOS_SUCCESS\n"
                  "expect ErrorEvent OPOS_E_FAILURE within 5 s\n" +
                  completion + "expect printer State = OPOS_S_IDLE within 5 s\n");
    QCOMPARE(bench.recorder.failures(), QString());
    QCOMPARE(summary.expectations, 4);
    QVERIFY2(!lineWith(bench.recorder.lines, errorLine).isEmpty(),
             qPrintable(bench.recorder.lines.join(u'\n')));
    const QStringList calls = bench.backend->takeCalls().filter(QStringLiteral("print"));
    QCOMPARE(calls.size(), prints);
}

void TestScriptRunner::simulatedDevices_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("failures");
    // clang-format off
    QTest::newRow("claim held elsewhere") << QByteArray("printer Open\nsim printer held-elsewhere yes\nprinter ClaimDevice 0\nexpect OPOS_E_TIMEOUT\nsim printer held-elsewhere no\nprinter ClaimDevice 0\nexpect OPOS_SUCCESS") << QString();
    QTest::newRow("cover events") << QByteArray("printer Open\nprinter ClaimDevice 0\nprinter DeviceEnabled = true\nsim printer cover open\nexpect StatusUpdateEvent PTR_SUE_COVER_OPEN within 1 s\nprinter PrintNormal 2 \"x\"\nexpect OPOS_EPTR_COVER_OPEN\nexpect StatusUpdateEvent PTR_SUE_COVER_OK within 1 s") << QStringLiteral("8: no StatusUpdateEvent PTR_SUE_COVER_OK within 1000 ms");
    QTest::newRow("paper and power") << QByteArray("printer Open\nprinter ClaimDevice 0\nprinter DeviceEnabled = true\nsim printer paper empty\nprinter PrintNormal 2 \"x\"\nexpect OPOS_EPTR_REC_EMPTY\nsim printer paper ok\nsim printer power off\nprinter PrintNormal 2 \"x\"\nexpect OPOS_E_OFFLINE") << QString();
    QTest::newRow("failing call") << QByteArray("printer Open\nprinter ClaimDevice 0\nprinter DeviceEnabled = true\nsim printer fail-next-call OPOS_E_EXTENDED OPOS_EPTR_TOOBIG\nprinter CutPaper 100\nexpect OPOS_EPTR_TOOBIG\nsim printer fail-next-call run-time-failure\nprinter CutPaper 100\nexpect failure") << QString();
    QTest::newRow("receipt text") << QByteArray("printer Open\nprinter ClaimDevice 0\nprinter DeviceEnabled = true\nprinter PrintNormal receipt \"\\e|bCBold\\e|N line\\n\"\nexpect sim receipt \"Bold line\"\nexpect sim receipt \"absent\"") << QStringLiteral("6: the simulated receipt shows \"Bold line\"");
    QTest::newRow("drawer") << QByteArray("drawer Open\ndrawer DeviceEnabled = true\nexpect sim drawer closed\ndrawer OpenDrawer\nexpect drawer StatusUpdateEvent CASH_SUE_DRAWEROPEN\nexpect drawer DrawerOpened = true\nsim drawer close\nexpect drawer StatusUpdateEvent CASH_SUE_DRAWERCLOSED within 1 s\nexpect sim drawer open") << QStringLiteral("9: the simulated drawer is closed");
    QTest::newRow("display") << QByteArray("use display \"Quenta Line Display\"\ndisplay Open\ndisplay ClaimDevice 0\ndisplay DeviceEnabled = true\ndisplay DisplayText \"HELLO\"\nexpect sim display \"HELLO\"\nexpect display DeviceColumns = 20\ndisplay ClearText\nexpect sim display \"HELLO\"") << QStringLiteral("9: the simulated display shows nothing");
    QTest::newRow("frozen events") << QByteArray("printer Open\nprinter ClaimDevice 0\nprinter DeviceEnabled = true\nprinter FreezeEvents = true\nsim printer cover open\nexpect no StatusUpdateEvent within 1 s\nprinter FreezeEvents = false\nexpect StatusUpdateEvent PTR_SUE_COVER_OPEN") << QString();
    // clang-format on
}

void TestScriptRunner::simulatedDevices()
{
    QFETCH(QByteArray, text);
    Bench bench;
    bench.run(text);
    QTEST(bench.recorder.failures(), "failures");
}

void TestScriptRunner::simStatementsNeedSimulatedDevices()
{
    opos::DeviceRegistry registry;
    FakeClock clock;
    script::ScriptRunner runner(registry, {}, nullptr, clock);
    Recorder recorder;
    runner.addListener(&recorder);
    const auto summary = runner.run(script::parseScript(
        "expect OPOS_SUCCESS\nsim printer cover open\nexpect failure\nprinter Open\n"
        "expect OPOS_E_NOEXIST\n"
        "expect sim drawer open",
        QStringLiteral("s.txt"), QString()));
    QCOMPARE(recorder.failures(), QStringLiteral("1: no call was made before\n"
                                                 "6: this run has no simulated devices"));
    QCOMPARE(summary.expectations, 4);
}

void TestScriptRunner::propertyExpectationsNeedAWorkingRead_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("failure");
    // clang-format off
    QTest::newRow("never opened") << QByteArray("expect printer CoverOpen = false") << QStringLiteral("1: CoverOpen not read: ResultCode = OPOS_E_CLOSED (101), the printer is not open");
    QTest::newRow("open failed") << QByteArray("use printer \"No Such Printer\"\nprinter Open\nexpect OPOS_E_NOEXIST\nexpect printer CoverOpen = false") << QStringLiteral("4: CoverOpen not read: ResultCode = OPOS_E_CLOSED (101), the printer is not open (ErrorString: ");
    QTest::newRow("sensor while disabled") << QByteArray("printer Open\nexpect printer RecEmpty = false") << QStringLiteral("2: RecEmpty not read: ResultCode = OPOS_E_DISABLED (105), the printer is not enabled");
    QTest::newRow("drawer never opened") << QByteArray("expect drawer DrawerOpened = false") << QStringLiteral("1: DrawerOpened not read: ResultCode = OPOS_E_CLOSED (101), the drawer is not open");
    QTest::newRow("state is read while closed") << QByteArray("expect printer State = OPOS_S_CLOSED\nexpect display State = OPOS_S_CLOSED") << QString();
    // clang-format on
}

void TestScriptRunner::propertyExpectationsNeedAWorkingRead()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, failure);
    Bench bench;
    bench.run(text);
    QVERIFY2(bench.recorder.failures().startsWith(failure), qPrintable(bench.recorder.failures()));
    QCOMPARE(bench.recorder.failures().isEmpty(), failure.isEmpty());
}

void TestScriptRunner::powerEventsByName()
{
    Bench bench;
    bench.run("printer Open\nprinter PowerNotify = OPOS_PN_ENABLED\nprinter ClaimDevice 0\n"
              "printer DeviceEnabled = true\nsim printer power off\n"
              "expect StatusUpdateEvent OPOS_SUE_POWER_OFF_OFFLINE within 1 s\n"
              "expect printer PowerState = OPOS_PS_OFF_OFFLINE\n"
              "sim printer power online\n"
              "expect StatusUpdateEvent OPOS_SUE_POWER_ONLINE within 1 s\n"
              "expect StatusUpdateEvent OPOS_SUE_POWER_ONLINE within 1 s\n");
    QCOMPARE(bench.recorder.failures(), QString());
    const QStringList& lines = bench.recorder.lines;
    const QString all = lines.join(u'\n');
    QVERIFY2(all.contains(u"StatusUpdateEvent()  DATA=OPOS_SUE_POWER_ONLINE\n") &&
                 all.contains(u"StatusUpdateEvent()  DATA=OPOS_SUE_POWER_OFF_OFFLINE\n"),
             qPrintable(all));
    QVERIFY(!all.contains(u"UNKNOWN"));
    // The PASS line follows the line of the event it took; one that takes an event kept from
    // before the latest action says which.
    QVERIFY2(all.indexOf(u"DATA=OPOS_SUE_POWER_OFF_OFFLINE") < all.indexOf(u"PASS  line 6"),
             qPrintable(all));
    QVERIFY2(lineWith(lines, QStringLiteral("PASS  line 9")).endsWith(u"(during line 4)"),
             qPrintable(all));
    QVERIFY2(lineWith(lines, QStringLiteral("PASS  line 10")).endsWith(u"within 1 s"),
             qPrintable(all));
}

void TestScriptRunner::refusedClaimShowsTheReason()
{
    opos::DeviceRegistry registry;
    escpos::addResolvers(registry, QString());
    FakeClock clock;
    script::ScriptRunner runner(registry, {}, nullptr, clock);
    Recorder recorder;
    runner.addListener(&recorder);
    runner.run(script::parseScript("use printer tcp://127.0.0.1:1?connectTimeout=3000\n"
                                   "printer Open\nprinter ClaimDevice 3000\n"
                                   "expect OPOS_E_NOHARDWARE\n",
                                   QStringLiteral("c.txt"), QString()));
    const QString claim = lineWith(recorder.lines, QStringLiteral("ClaimDevice(3000)"));
    QVERIFY2(claim.contains(u"ClaimDevice(3000)  OPOS_E_NOHARDWARE  ") &&
                 claim.contains(u"127.0.0.1:1"),
             qPrintable(recorder.lines.join(u'\n')));
    QCOMPARE(recorder.failures(), QString());
}

void TestScriptRunner::junitReportStructure()
{
    Bench bench;
    script::JUnitReport report(QStringLiteral("suite <&>"), bench.clock.now());
    bench.runner.addListener(&report);
    bench.run(kScriptedReady + "expect OPOS_SUCCESS\n"
                               "printer PrintNormal receipt \"\\e|bC\"\n"
                               "expect printer DeviceDescription = \"\\e<&>\"\n"
                               "printer Close\n"
                               "printer Close\n"
                               "printer Close\n"
                               "printer Close\n"
                               "expect OPOS_SUCCESS\n");
    QXmlStreamReader xml(report.toXml(QStringLiteral("host")));
    QStringList path;
    QList<QXmlStreamAttributes> suites, cases, failures;
    QStringList failureTexts;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QString name = xml.name().toString();
            QCOMPARE(name, (QStringList{QStringLiteral("testsuites"), QStringLiteral("testsuite"),
                                        QStringLiteral("testcase"), QStringLiteral("failure")})
                               .value(path.size()));
            path.append(name);
            if (name == u"testsuite")
                suites.append(xml.attributes());
            else if (name == u"testcase")
                cases.append(xml.attributes());
            else if (name == u"failure") {
                failures.append(xml.attributes());
                failureTexts.append(xml.readElementText());
                path.removeLast();
            }
        } else if (xml.isEndElement()) {
            path.removeLast();
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(suites.size(), 1);
    QCOMPARE(suites[0].value(QLatin1String("name")).toString(), QStringLiteral("suite <&>"));
    QCOMPARE(suites[0].value(QLatin1String("tests")).toString(), QStringLiteral("3"));
    QCOMPARE(suites[0].value(QLatin1String("failures")).toString(), QStringLiteral("2"));
    QCOMPARE(suites[0].value(QLatin1String("hostname")).toString(), QStringLiteral("host"));
    QCOMPARE(suites[0].value(QLatin1String("timestamp")).toString(),
             QStringLiteral("2026-01-02T03:04:05Z"));
    QCOMPARE(cases.size(), 3);
    QCOMPARE(cases[0].value(QLatin1String("name")).toString(),
             QStringLiteral("line 5: expect OPOS_SUCCESS"));
    QCOMPARE(cases[1].value(QLatin1String("name")).toString(),
             QStringLiteral("line 7: expect printer DeviceDescription = \"\\e<&>\""));
    QCOMPARE(failures.size(), 2);
    QVERIFY(failures[0].value(QLatin1String("message")).startsWith(u"DeviceDescription is "));
    QCOMPARE(failures[1].value(QLatin1String("message")).toString(),
             QStringLiteral("got OPOS_E_CLOSED"));
    // A failure holds its own lines: those since the previous expectation, and its FAIL line.
    QCOMPARE(failureTexts.size(), 2);
    QVERIFY2(failureTexts[0].contains(u"PrintNormal(PTR_S_RECEIPT, \"\\e|bC\")  OPOS_SUCCESS\n") &&
                 failureTexts[0].endsWith(u"FAIL  line 7: expect printer DeviceDescription = "
                                          u"\"\\e<&>\"  DeviceDescription is \"\"") &&
                 !failureTexts[0].contains(u"line 12"),
             qPrintable(failureTexts[0]));
    QCOMPARE(failureTexts[0].count(u'\n') + 1, 2);
    QVERIFY2(failureTexts[1].startsWith(u"2026") &&
                 failureTexts[1].contains(u"printer  Close()  OPOS_E_CLOSED\n") &&
                 failureTexts[1].endsWith(u"FAIL  line 12: expect OPOS_SUCCESS  got OPOS_E_CLOSED"),
             qPrintable(failureTexts[1]));
    QCOMPARE(failureTexts[1].count(u'\n') + 1, 5); // four Close lines and the FAIL line
}

void TestScriptRunner::exitCodes_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("report");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error");

    QTest::newRow("passes") << QByteArray("printer Open\nexpect OPOS_SUCCESS\n")
                            << QStringLiteral("r.xml") << 0 << QString();
    QTest::newRow("fails") << QByteArray("printer Open\nexpect OPOS_E_CLOSED\n") << QString() << 1
                           << QString();
    QTest::newRow("cannot parse") << QByteArray("printer Open\n\nprinter Opne\n")
                                  << QStringLiteral("r.xml") << 2
                                  << QStringLiteral("script.txt:3: ");
    QTest::newRow("cannot read") << QByteArray() << QString() << 2
                                 << QStringLiteral("cannot read the script");
    QTest::newRow("no expectation")
        << QByteArray("printer Open\nprinter Close\n") << QStringLiteral("r.xml") << 2
        << QStringLiteral("script.txt: the script holds no expectation");
    QTest::newRow("cannot report")
        << QByteArray("printer Open\n") << QStringLiteral("no/such/folder/r.xml") << 2
        << QStringLiteral("cannot write the report");
}

void TestScriptRunner::exitCodes()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, report);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("script.txt"));
    if (!text.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    const QString reportPath = report.isEmpty() ? QString() : dir.filePath(report);
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    const int code = script::runHeadless(path, reportPath, {}, outStream, errStream);
    QTEST(code, "exitCode");
    QFETCH(QString, error);
    if (error.isEmpty()) {
        QCOMPARE(err, QString());
        QVERIFY(out.contains(code ? u"FAILED" : u"PASSED"));
        if (!reportPath.isEmpty())
            QVERIFY(QFile::exists(reportPath));
    } else {
        QVERIFY2(err.contains(error), qPrintable(err));
        QCOMPARE(out, QString()); // refused before the first statement ran
    }
}

void TestScriptRunner::aRunThatCannotRunLeavesAnErrorReport()
{
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("broken.txt"));
    const QString report = dir.filePath(QStringLiteral("r.xml"));
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("printer Open\nexpect OPOS_SUCCESS\nprinter Opne\n");
    file.close();
    QFile old(report);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("<testsuites tests=\"1\" failures=\"0\"/>"); // yesterday's pass
    old.close();

    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    QCOMPARE(script::runHeadless(script, report, {}, outStream, errStream),
             int(script::kCannotRun));
    QVERIFY2(err.contains(u"broken.txt:3: "), qPrintable(err));
    QVERIFY(!out.contains(u"Open")); // nothing ran
    QVERIFY(old.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(old.readAll());
    QStringList elements;
    QString message;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        elements << xml.name().toString();
        if (xml.name() == u"testsuite")
            QCOMPARE(xml.attributes().value(QLatin1String("errors")).toString(),
                     QStringLiteral("1"));
        if (xml.name() == u"error")
            message = xml.attributes().value(QLatin1String("message")).toString();
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(elements, (QStringList{QStringLiteral("testsuites"), QStringLiteral("testsuite"),
                                    QStringLiteral("testcase"), QStringLiteral("error")}));
    QVERIFY2(message.contains(u"broken.txt:3: the printer has no member or property"),
             qPrintable(message));
}

void TestScriptRunner::aFullDiskIsACannotRun()
{
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        QSKIP("this system has no /dev/full");
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("s.txt"));
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("printer Open\nexpect OPOS_SUCCESS\nprinter Close\n");
    file.close();
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    QCOMPARE(script::runHeadless(script, QStringLiteral("/dev/full"), {}, outStream, errStream),
             int(script::kCannotRun));
    QVERIFY2(err.contains(u"/dev/full: cannot write the report: ") &&
                 err.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))),
             qPrintable(err));
    QVERIFY(QFileInfo(QStringLiteral("/dev/full")).exists() &&
            !QFileInfo(QStringLiteral("/dev/full")).isFile());
}

void TestScriptRunner::scriptsAreReadToTheirEnd()
{
    // A FIFO answers "at end" before its writer has written; the script is read until the
    // writer closes it.
    QTemporaryDir dir;
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("script.fifo")));
    QVERIFY(::mkfifo(fifo.constData(), 0600) == 0);
    std::thread writer([&fifo] {
        const int fd = ::open(fifo.constData(), O_WRONLY);
        if (fd < 0)
            return;
        const QByteArray text = "printer Open\nexpect OPOS_SUCCESS\nprinter Close\n"
                                "expect OPOS_SUCCESS\n";
        [[maybe_unused]] const auto written = ::write(fd, text.constData(), size_t(text.size()));
        ::close(fd);
    });
    script::Script loaded;
    try {
        loaded = script::loadScript(QFile::decodeName(fifo));
    } catch (const std::exception& what) {
        writer.join();
        QFAIL(what.what());
    }
    writer.join();
    QCOMPARE(loaded.steps.size(), size_t(4));
}

void TestScriptRunner::endlessDevicesAreNoScript_data()
{
    QTest::addColumn<QString>("device");
    QTest::newRow("zeros") << QStringLiteral("/dev/zero");
    QTest::newRow("random") << QStringLiteral("/dev/urandom");
}

void TestScriptRunner::endlessDevicesAreNoScript()
{
    QFETCH(QString, device);
    if (!QFileInfo::exists(device))
        QSKIP("this system has no such device");
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    QCOMPARE(script::runHeadless(device, QString(), {}, outStream, errStream),
             int(script::kCannotRun));
    // Random bytes may begin with a few that are text, which then read as a faulty statement.
    QVERIFY2(err.contains(u"the script is not text") ||
                 err.contains(u"the script is larger than") ||
                 (device.endsWith(u"random") && err.startsWith(device + u':')),
             qPrintable(err));
    QVERIFY(out.isEmpty());
}

void TestScriptRunner::escPosPrinterReceivesTheBytes()
{
    using Kind = testing::FakeEscPosPrinter::Event::Kind;
    testing::FakeEscPosPrinter fake;
    opos::DeviceRegistry registry;
    escpos::addResolvers(registry, QString());
    FakeClock clock;
    script::ScriptRunner runner(registry, {}, nullptr, clock);
    Recorder recorder;
    runner.addListener(&recorder);
    const QString address =
        fake.address(QStringLiteral("statusTimeout=1000&jobTimeout=5000&pollInterval=30"));
    const auto summary = runner.run(script::parseScript(
        "use printer " + address.toUtf8() +
            "\nprinter Open\nexpect OPOS_SUCCESS\nprinter ClaimDevice 1000\n"
            "printer DeviceEnabled = true\nexpect OPOS_SUCCESS\n"
            "printer PrintNormal receipt \"\\e|bCBold\\e|N plain\\n\"\nexpect OPOS_SUCCESS\n"
            "printer CutPaper 100\nexpect OPOS_SUCCESS\nprinter Close\n",
        QStringLiteral("e.txt"), QString()));
    QCOMPARE(recorder.failures(), QString());
    QCOMPARE(summary.expectations, 4);
    QVERIFY(fake.received().contains("\x1b\x45\x01"));
    QVERIFY2(fake.lines().join(u'|').contains(u"Bold plain"), qPrintable(fake.lines().join(u'|')));
    QList<testing::FakeEscPosPrinter::Event> cuts;
    for (const auto& event : fake.events())
        if (event.kind == Kind::Cut)
            cuts.append(event);
    QCOMPARE(cuts.size(), 1);
    QCOMPARE(cuts[0].a, 1);
}

void TestScriptRunner::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("withoutWindow");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("report");

    QTest::newRow("window") << QStringList{} << false << false << QString() << QString();
    QTest::newRow("run") << QStringList{QStringLiteral("--run"), QStringLiteral("a.txt")} << true
                         << false << QStringLiteral("a.txt") << QString();
    QTest::newRow("run standard input, report")
        << QStringList{QStringLiteral("--run=-"), QStringLiteral("--report"),
                       QStringLiteral("r.xml")}
        << true << false << QStringLiteral("-") << QStringLiteral("r.xml");
    QTest::newRow("report alone") << QStringList{QStringLiteral("--report=r.xml")} << true << true
                                  << QString() << QString();
    QTest::newRow("empty report name")
        << QStringList{QStringLiteral("--run"), QStringLiteral("a.txt"), QStringLiteral("--report"),
                       QString()}
        << true << true << QString() << QString();
    QTest::newRow("second script") << QStringList{QStringLiteral("--run"), QStringLiteral("a.txt"),
                                                  QStringLiteral("--run"), QStringLiteral("b.txt")}
                                   << true << true << QString() << QString();
    QTest::newRow("after the end of options")
        << QStringList{QStringLiteral("--"), QStringLiteral("--run")} << false << true << QString()
        << QString();
}

void TestScriptRunner::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, refused);
    arguments.prepend(QStringLiteral("opos-printer-test"));
    std::vector<QByteArray> bytes;
    std::vector<const char*> argv;
    for (const QString& argument : arguments)
        bytes.push_back(argument.toUtf8());
    for (const QByteArray& argument : bytes)
        argv.push_back(argument.constData());
    QTEST(runsWithoutWindow(static_cast<int>(argv.size()), argv.data()), "withoutWindow");
    if (refused) {
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, parseAppOptions(arguments, QString()));
        return;
    }
    const AppOptions options = parseAppOptions(arguments, QString());
    QTEST(options.runScript, "script");
    QTEST(options.reportFile, "report");
}

QTEST_GUILESS_MAIN(TestScriptRunner)
#include "test_script_runner.moc"

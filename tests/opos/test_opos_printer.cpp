#include "opos/DeviceRegistry.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "opos/PrinterPropertyTable.h"
#include "opos/Waiter.h"
#include "support/ScriptedPrinterBackend.h"

#include <QSignalSpy>
#include <QTest>
#include <memory>
#include <optional>
#include <thread>

using namespace opos;
using namespace Qt::StringLiterals;

namespace {

// Delivers the events already posted to this thread, so that a check that nothing happened is
// made after whatever was on its way has arrived.
void deliverPosted()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

} // namespace

// The POS Printer control object against a scripted backend: life cycle, output, events and
// properties as an application sees them.
class TestOposPrinter : public QObject
{
    Q_OBJECT

    enum Stage
    {
        Closed,
        Opened,
        Claimed,
        Enabled
    };

    std::shared_ptr<PrinterScript> script;
    std::unique_ptr<DeviceRegistry> registry;
    std::unique_ptr<PosPrinter> printer;

    void bringTo(Stage stage)
    {
        if (stage >= Opened)
            QCOMPARE(printer->Open(QStringLiteral("Scripted")), OPOS_SUCCESS);
        if (stage >= Claimed)
            QCOMPARE(printer->ClaimDevice(0), OPOS_SUCCESS);
        if (stage >= Enabled) {
            printer->SetDeviceEnabled(true);
            QCOMPARE(printer->ResultCode(), OPOS_SUCCESS);
        }
        script->takeCalls();
    }

    // Every event, in the order delivered, as text.
    QStringList recordEvents()
    {
        auto log = std::make_shared<QStringList>();
        connect(printer.get(), &PosPrinter::OutputCompleteEvent, this,
                [log](int32_t id) { log->append(QStringLiteral("OC %1").arg(id)); });
        connect(printer.get(), &PosPrinter::StatusUpdateEvent, this,
                [log](int32_t data) { log->append(QStringLiteral("SUE %1").arg(data)); });
        m_events = log;
        return {};
    }
    std::shared_ptr<QStringList> m_events;

private slots:
    void init()
    {
        script = std::make_shared<PrinterScript>();
        registry = std::make_unique<DeviceRegistry>();
        addScriptedPrinter(*registry, script);
        printer = std::make_unique<PosPrinter>(*registry, ControlOptions{});
    }

    void cleanup()
    {
        script->letGo();
        printer.reset();
    }

    void memberCodes_data()
    {
        QTest::addColumn<int>("stage");
        QTest::addColumn<QString>("member");
        QTest::addColumn<QVariantList>("arguments");
        QTest::addColumn<int>("expected");
        const auto row = [](const char* name, Stage stage, const char* member, QVariantList args,
                            int expected) {
            QTest::newRow(name) << int(stage) << QString::fromLatin1(member) << args << expected;
        };
        row("closed close", Closed, "Close", {}, OPOS_E_CLOSED);
        row("closed claim", Closed, "ClaimDevice", {0}, OPOS_E_CLOSED);
        row("closed release", Closed, "ReleaseDevice", {}, OPOS_E_CLOSED);
        row("closed print", Closed, "PrintNormal", {2, u"x"_s}, OPOS_E_CLOSED);
        row("closed clear", Closed, "ClearOutput", {}, OPOS_E_CLOSED);
        row("open again", Opened, "Open", {u"Scripted"_s}, OPOS_E_ILLEGAL);
        row("open release", Opened, "ReleaseDevice", {}, OPOS_E_ILLEGAL);
        row("open print", Opened, "PrintNormal", {2, u"x"_s}, OPOS_E_DISABLED);
        row("open cut", Opened, "CutPaper", {100}, OPOS_E_DISABLED);
        row("open clear", Opened, "ClearOutput", {}, OPOS_E_NOTCLAIMED);
        row("open transaction", Opened, "TransactionPrint", {2, 11}, OPOS_E_DISABLED);
        row("timeout -2", Opened, "ClaimDevice", {-2}, OPOS_E_ILLEGAL);
        row("timeout -1", Opened, "ClaimDevice", {-1}, OPOS_SUCCESS);
        row("claimed print", Claimed, "PrintNormal", {2, u"x"_s}, OPOS_E_DISABLED);
        row("claim again", Claimed, "ClaimDevice", {0}, OPOS_SUCCESS);
        row("claimed health", Claimed, "CheckHealth", {1}, OPOS_E_DISABLED);
        row("receipt", Enabled, "PrintNormal", {2, u"x"_s}, OPOS_SUCCESS);
        row("journal", Enabled, "PrintNormal", {1, u"x"_s}, OPOS_E_ILLEGAL);
        row("slip", Enabled, "PrintNormal", {4, u"x"_s}, OPOS_E_ILLEGAL);
        row("two stations", Enabled, "PrintNormal", {3, u"x"_s}, OPOS_E_ILLEGAL);
        row("station 0", Enabled, "PrintImmediate", {0, u"x"_s}, OPOS_E_ILLEGAL);
        row("cut 100", Enabled, "CutPaper", {100}, OPOS_SUCCESS);
        row("cut 50", Enabled, "CutPaper", {50}, OPOS_SUCCESS);
        row("cut 0", Enabled, "CutPaper", {0}, OPOS_E_ILLEGAL);
        row("cut 101", Enabled, "CutPaper", {101}, OPOS_E_ILLEGAL);
        row("cut -5", Enabled, "CutPaper", {-5}, OPOS_E_ILLEGAL);
        row("control 13", Enabled, "TransactionPrint", {2, 13}, OPOS_E_ILLEGAL);
        row("normal first", Enabled, "TransactionPrint", {2, 12}, OPOS_E_ILLEGAL);
        row("journal txn", Enabled, "TransactionPrint", {1, 11}, OPOS_E_ILLEGAL);
        row("health 1", Enabled, "CheckHealth", {1}, OPOS_SUCCESS);
        row("health 3", Enabled, "CheckHealth", {3}, OPOS_E_ILLEGAL);
        row("old claim", Opened, "Claim", {0}, OPOS_SUCCESS);
        row("old release", Claimed, "release", {}, OPOS_SUCCESS);
    }

    void memberCodes()
    {
        QFETCH(int, stage);
        QFETCH(QString, member);
        QFETCH(QVariantList, arguments);
        QFETCH(int, expected);
        bringTo(Stage(stage));
        QCOMPARE(printer->CallByName(member, arguments), expected);
        QCOMPARE(printer->ResultCode(), expected);
    }

    void lateBoundFailures_data()
    {
        QTest::addColumn<QString>("member");
        QTest::addColumn<QVariantList>("arguments");
        QTest::newRow("unknown member") << QStringLiteral("Frobnicate") << QVariantList{};
        QTest::newRow("missing argument") << QStringLiteral("Claim") << QVariantList{};
        QTest::newRow("text for a number")
            << QStringLiteral("CutPaper") << QVariantList{QStringLiteral("lots")};
    }

    void lateBoundFailures()
    {
        QFETCH(QString, member);
        QFETCH(QVariantList, arguments);
        bringTo(Opened);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, printer->CallByName(member, arguments));
    }

    void lifeCycleStatesAndBackendCalls()
    {
        QCOMPARE(printer->State(), OPOS_S_CLOSED);
        printer->SetDeviceEnabled(true);
        QCOMPARE(printer->ResultCode(), OPOS_E_CLOSED);
        bringTo(Opened);
        QCOMPARE(printer->State(), OPOS_S_IDLE);
        printer->SetDeviceEnabled(true);
        QCOMPARE(printer->ResultCode(), OPOS_E_NOTCLAIMED);
        QCOMPARE(printer->ClaimDevice(250), OPOS_SUCCESS);
        printer->SetDeviceEnabled(true);
        QCOMPARE(printer->Close(), OPOS_SUCCESS);
        QCOMPARE(script->takeCalls(),
                 (QStringList{QStringLiteral("claim 250"), QStringLiteral("enable"),
                              QStringLiteral("disable"), QStringLiteral("release"),
                              QStringLiteral("close")}));
        QCOMPARE(printer->State(), OPOS_S_CLOSED);
        QVERIFY(!printer->Claimed());
        QCOMPARE(printer->GetPropertyNumber(QStringLiteral("RecLineChars")), 0);
    }

    void openFailures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("serviceCode");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("openResult");
        QTest::newRow("unknown name")
            << QStringLiteral("Nobody") << 0 << OPOS_E_NOEXIST << OPOS_OR_REGBADNAME;
        QTest::newRow("no hardware") << QStringLiteral("Scripted") << OPOS_E_NOHARDWARE
                                     << OPOS_E_NOHARDWARE << OPOS_OR_FAILEDOPEN;
    }

    void openFailures()
    {
        QFETCH(QString, name);
        QFETCH(int, serviceCode);
        QFETCH(int, expected);
        QFETCH(int, openResult);
        script->openResult = {serviceCode, 0, QStringLiteral("unplugged")};
        QCOMPARE(printer->Open(name), expected);
        QCOMPARE(printer->OpenResult(), openResult);
        QVERIFY(!printer->GetPropertyString(QStringLiteral("ErrorString")).isEmpty());
        QCOMPARE(printer->State(), OPOS_S_CLOSED);
        QCOMPARE(printer->ResultCode(), expected);
    }

    void synchronousFailures()
    {
        bringTo(Enabled);
        script->outputResults = {{OPOS_E_EXTENDED, OPOS_EPTR_COVER_OPEN, QStringLiteral("cover")}};
        QCOMPARE(printer->PrintNormal(PTR_S_RECEIPT, QStringLiteral("a\n")), OPOS_E_EXTENDED);
        QCOMPARE(printer->ResultCodeExtended(), OPOS_EPTR_COVER_OPEN);
        QCOMPARE(printer->GetPropertyString(QStringLiteral("ErrorString")),
                 QStringLiteral("cover"));
        script->throwOnNextOutput = true;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, printer->CutPaper(100));
        QCOMPARE(printer->PrintNormal(PTR_S_RECEIPT, QStringLiteral("b\n")), OPOS_SUCCESS);
        QCOMPARE(printer->ResultCodeExtended(), 0);
    }

    void asynchronousOutputCompletesInOrder()
    {
        bringTo(Enabled);
        QSignalSpy completed(printer.get(), &PosPrinter::OutputCompleteEvent);
        printer->SetAsyncMode(true);
        script->hold();
        QList<int> ids;
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(printer->PrintNormal(PTR_S_RECEIPT, QStringLiteral("line\n")), OPOS_SUCCESS);
            ids.append(printer->OutputID());
        }
        QCOMPARE(ids, (QList<int>{1, 2, 3}));
        QCOMPARE(printer->State(), OPOS_S_BUSY);
        printer->SetAsyncMode(false);
        QCOMPARE(printer->PrintNormal(PTR_S_RECEIPT, QStringLiteral("sync\n")), OPOS_E_BUSY);
        QCOMPARE(printer->CutPaper(7), OPOS_E_BUSY);
        script->letGo();
        QTRY_COMPARE(completed.count(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(completed.at(i).at(0).toInt(), ids.at(i));
        QCOMPARE(printer->State(), OPOS_S_IDLE);
    }

    void errorAnswers_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("completions");
        QTest::addColumn<QStringList>("prints");
        // Retry prints the failed request again and then the one queued behind it.
        const QStringList retried{u"print 2 first\n"_s, u"print 2 first\n"_s,
                                  u"print 2 second\n"_s};
        QTest::newRow("retry") << OPOS_ER_RETRY << 2 << retried;
        QTest::newRow("clear") << OPOS_ER_CLEAR << 0 << QStringList{u"print 2 first\n"_s};
        QTest::newRow("meaningless answer retries") << OPOS_ER_CONTINUEINPUT << 2 << retried;
    }

    void errorAnswers()
    {
        QFETCH(int, answer);
        QFETCH(int, completions);
        QFETCH(QStringList, prints);
        bringTo(Enabled);
        QSignalSpy completed(printer.get(), &PosPrinter::OutputCompleteEvent);
        QSignalSpy idle(printer.get(), &PosPrinter::StatusUpdateEvent);
        QList<QList<int>> errors;
        QList<int> seen; // State, ErrorLevel, ErrorStation inside the handler
        connect(printer.get(), &PosPrinter::ErrorEvent, this,
                [&errors, &seen, answer, this](int32_t rc, int32_t ext, int32_t locus,
                                               int32_t* response) {
                    errors.append({rc, ext, locus, *response});
                    seen = {printer->State(),
                            printer->GetPropertyNumber(QStringLiteral("ErrorLevel")),
                            printer->GetPropertyNumber(QStringLiteral("ErrorStation"))};
                    *response = answer;
                });
        script->outputResults = {{OPOS_E_EXTENDED, OPOS_EPTR_REC_EMPTY, QStringLiteral("paper")}};
        script->hold();
        printer->SetAsyncMode(true);
        printer->SetFlagWhenIdle(true);
        printer->PrintNormal(PTR_S_RECEIPT, QStringLiteral("first\n"));
        printer->PrintNormal(PTR_S_RECEIPT, QStringLiteral("second\n"));
        script->letGo();
        QTRY_COMPARE(printer->State(), OPOS_S_IDLE);
        QTRY_COMPARE(idle.count(), 1);
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors.front(),
                 (QList<int>{OPOS_E_EXTENDED, OPOS_EPTR_REC_EMPTY, OPOS_EL_OUTPUT, OPOS_ER_RETRY}));
        QCOMPARE(seen, (QList<int>{OPOS_S_ERROR, PTR_EL_RECOVERABLE, PTR_S_RECEIPT}));
        QCOMPARE(completed.count(), completions);
        QCOMPARE(script->takeCalls(), prints);
        QCOMPARE(idle.front().front().toInt(), PTR_SUE_IDLE);
        QVERIFY(!printer->FlagWhenIdle());
    }

    void clearOutputInsideTheErrorHandler()
    {
        bringTo(Enabled);
        script->outputResults = {{OPOS_E_FAILURE, 0, {}}};
        connect(printer.get(), &PosPrinter::ErrorEvent, this,
                [this](int32_t, int32_t, int32_t, int32_t*) { printer->ClearOutput(); });
        QSignalSpy completed(printer.get(), &PosPrinter::OutputCompleteEvent);
        printer->SetAsyncMode(true);
        printer->PrintNormal(PTR_S_RECEIPT, u"a\n"_s);
        printer->PrintNormal(PTR_S_RECEIPT, u"b\n"_s);
        QTRY_COMPARE(printer->State(), OPOS_S_IDLE);
        deliverPosted(); // what was posted would be delivered now
        QCOMPARE(completed.count(), 0);
        QCOMPARE(script->takeCalls(), QStringList{u"print 2 a\n"_s});
    }

    void handlerWithItsOwnEventLoopGetsNoOtherEvent()
    {
        bringTo(Enabled);
        QStringList trace;
        connect(printer.get(), &PosPrinter::StatusUpdateEvent, this, [&trace](int32_t data) {
            trace << u"in %1"_s.arg(data);
            QCoreApplication::processEvents(); // its own event loop, as a modal box runs
            trace << u"out %1"_s.arg(data);
        });
        script->changeStatus({true, PaperState::Ok, PowerState::Online, false});
        script->changeStatus({false, PaperState::Ok, PowerState::Online, false});
        QTRY_COMPARE(trace.size(), 4);
        QCOMPARE(trace, (QStringList{u"in 11"_s, u"out 11"_s, u"in 12"_s, u"out 12"_s}));
    }

    void printImmediateWorksInsideTheErrorHandler()
    {
        bringTo(Enabled);
        script->outputResults = {{OPOS_E_FAILURE, 0, {}}};
        int immediate = -1;
        connect(printer.get(), &PosPrinter::ErrorEvent, this,
                [&immediate, this](int32_t, int32_t, int32_t, int32_t*) {
                    immediate = printer->PrintImmediate(PTR_S_RECEIPT, QStringLiteral("now\n"));
                });
        QSignalSpy completed(printer.get(), &PosPrinter::OutputCompleteEvent);
        printer->SetAsyncMode(true);
        printer->PrintNormal(PTR_S_RECEIPT, QStringLiteral("queued\n"));
        QTRY_COMPARE(completed.count(), 1);
        QCOMPARE(immediate, OPOS_SUCCESS);
        QCOMPARE(script->takeCalls(),
                 (QStringList{QStringLiteral("print 2 queued\n"), QStringLiteral("print 2 now\n"),
                              QStringLiteral("print 2 queued\n")}));
    }

    void runTimeFailureOnTheWorkerBecomesAnErrorEvent()
    {
        bringTo(Enabled);
        script->throwOnNextOutput = true;
        QSignalSpy errors(printer.get(), &PosPrinter::ErrorEvent);
        connect(printer.get(), &PosPrinter::ErrorEvent, this,
                [](int32_t, int32_t, int32_t, int32_t* response) { *response = OPOS_ER_CLEAR; });
        printer->SetAsyncMode(true);
        printer->CutPaper(100);
        QTRY_COMPARE(errors.count(), 1);
        QCOMPARE(errors.front().front().toInt(), OPOS_E_FAILURE);
        QCOMPARE(printer->GetPropertyString(QStringLiteral("ErrorString")),
                 QStringLiteral("scripted failure"));
    }

    // The request the device is printing when ClearOutput comes finishes, but completes nothing:
    // the application was told its output is gone.
    void clearOutputDropsEverythingQueued()
    {
        bringTo(Enabled);
        QSignalSpy completed(printer.get(), &PosPrinter::OutputCompleteEvent);
        printer->SetAsyncMode(true);
        script->hold();
        for (int i = 0; i < 3; ++i)
            printer->PrintNormal(PTR_S_RECEIPT, QStringLiteral("x\n"));
        QStringList calls;
        QTRY_VERIFY((calls += script->takeCalls()).contains(u"print 2 x\n"_s));
        QCOMPARE(printer->ClearOutput(), OPOS_SUCCESS);
        QCOMPARE(printer->State(), OPOS_S_IDLE);
        QCOMPARE(printer->PrintNormal(PTR_S_RECEIPT, QStringLiteral("after\n")), OPOS_SUCCESS);
        QTRY_COMPARE(completed.count(), 1);
        QCOMPARE(completed.front().front().toInt(), 4);
        QCOMPARE(calls + script->takeCalls(),
                 (QStringList{u"print 2 x\n"_s, u"print 2 after\n"_s}));
    }

    void frozenEventsWaitAndKeepTheirOrder()
    {
        bringTo(Enabled);
        recordEvents();
        printer->SetFreezeEvents(true);
        printer->SetAsyncMode(true);
        printer->PrintNormal(PTR_S_RECEIPT, QStringLiteral("x\n"));
        QTRY_COMPARE(printer->State(), OPOS_S_IDLE);
        script->changeStatus({true, PaperState::Ok, PowerState::Online, false});
        QTRY_VERIFY(printer->GetPropertyFlag(QStringLiteral("CoverOpen")));
        printer->SetFlagWhenIdle(true);
        deliverPosted(); // what was posted would be delivered now
        QVERIFY(m_events->isEmpty());
        printer->SetFreezeEvents(false);
        QTRY_COMPARE(m_events->size(), 3);
        QCOMPARE(*m_events, (QStringList{QStringLiteral("OC 1"), QStringLiteral("SUE 11"),
                                         QStringLiteral("SUE 1001")}));
    }

    void statusEventsOnlyWhileEnabled()
    {
        bringTo(Claimed);
        recordEvents();
        script->changeStatus({true, PaperState::Ok, PowerState::Online, false});
        deliverPosted(); // what was posted would be delivered now
        QVERIFY(m_events->isEmpty());
        QVERIFY(!printer->GetPropertyFlag(QStringLiteral("CoverOpen")));
        printer->SetDeviceEnabled(true);
        QVERIFY(printer->GetPropertyFlag(QStringLiteral("CoverOpen")));
        bool coverSeenInHandler = true;
        connect(printer.get(), &PosPrinter::StatusUpdateEvent, this, [&coverSeenInHandler, this] {
            coverSeenInHandler = printer->GetPropertyFlag(QStringLiteral("CoverOpen"));
        });
        script->changeStatus({false, PaperState::NearEnd, PowerState::Online, false});
        QTRY_COMPARE(m_events->size(), 2);
        QCOMPARE(*m_events, (QStringList{QStringLiteral("SUE 12"), QStringLiteral("SUE 25")}));
        QVERIFY(!coverSeenInHandler);
        QVERIFY(printer->GetPropertyFlag(QStringLiteral("RecNearEnd")));
    }

    void powerNotify()
    {
        bringTo(Enabled);
        recordEvents();
        printer->SetPropertyNumber(QStringLiteral("PowerNotify"), OPOS_PN_ENABLED);
        QCOMPARE(printer->ResultCode(), OPOS_E_ILLEGAL);
        QCOMPARE(printer->GetPropertyNumber(QStringLiteral("PowerState")), OPOS_PS_UNKNOWN);
        printer->SetDeviceEnabled(false);
        printer->SetPropertyNumber(QStringLiteral("PowerNotify"), OPOS_PN_ENABLED);
        QCOMPARE(printer->ResultCode(), OPOS_SUCCESS);
        printer->SetDeviceEnabled(true);
        script->changeStatus({false, PaperState::Ok, PowerState::Off, false});
        QTRY_COMPARE(m_events->size(), 2);
        // Standard power reporting knows only on line and off/offline.
        QCOMPARE(*m_events, (QStringList{QStringLiteral("SUE 2001"), QStringLiteral("SUE 2004")}));
        QCOMPARE(printer->GetPropertyNumber(QStringLiteral("PowerState")), OPOS_PS_OFF_OFFLINE);
    }

    void flagWhenIdle_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<int>("events");
        QTest::newRow("idle") << true << false << 1;
        QTest::newRow("busy, then idle") << true << true << 1;
        QTest::newRow("disabled") << false << false << 0;
    }

    void flagWhenIdle()
    {
        QFETCH(bool, enabled);
        QFETCH(bool, busy);
        QFETCH(int, events);
        bringTo(enabled ? Enabled : Claimed);
        QSignalSpy status(printer.get(), &PosPrinter::StatusUpdateEvent);
        if (busy) {
            script->hold();
            printer->SetAsyncMode(true);
            printer->PrintNormal(PTR_S_RECEIPT, QStringLiteral("x\n"));
        }
        printer->SetFlagWhenIdle(true);
        QCOMPARE(printer->ResultCode(), OPOS_SUCCESS);
        deliverPosted(); // what was posted would be delivered now
        QCOMPARE(status.count(), busy ? 0 : events);
        script->letGo();
        QTRY_COMPARE(status.count(), events);
        if (events)
            QCOMPARE(status.front().front().toInt(), PTR_SUE_IDLE);
        QCOMPARE(printer->FlagWhenIdle(), events == 0);
    }

    void transactionIsOneJob_data()
    {
        QTest::addColumn<bool>("async");
        QTest::newRow("synchronous") << false;
        QTest::newRow("asynchronous") << true;
    }

    void transactionIsOneJob()
    {
        QFETCH(bool, async);
        bringTo(Enabled);
        QSignalSpy completed(printer.get(), &PosPrinter::OutputCompleteEvent);
        printer->SetAsyncMode(async);
        QCOMPARE(printer->TransactionPrint(PTR_S_RECEIPT, PTR_TP_TRANSACTION), OPOS_SUCCESS);
        QCOMPARE(printer->TransactionPrint(PTR_S_RECEIPT, PTR_TP_TRANSACTION), OPOS_E_ILLEGAL);
        QCOMPARE(printer->PrintNormal(PTR_S_RECEIPT, QStringLiteral("a\n")), OPOS_SUCCESS);
        QCOMPARE(printer->PrintNormal(PTR_S_RECEIPT, QStringLiteral("b\n")), OPOS_SUCCESS);
        QCOMPARE(printer->CutPaper(90), OPOS_SUCCESS);
        QCOMPARE(printer->PrintImmediate(PTR_S_RECEIPT, QStringLiteral("now\n")), OPOS_SUCCESS);
        QCOMPARE(script->takeCalls(), QStringList{QStringLiteral("print 2 now\n")});
        QCOMPARE(printer->TransactionPrint(PTR_S_RECEIPT, PTR_TP_NORMAL), OPOS_SUCCESS);
        const QStringList job{QStringLiteral("print 2 a\n"), QStringLiteral("print 2 b\n"),
                              QStringLiteral("cut 90")};
        if (async) {
            QTRY_COMPARE(completed.count(), 1);
            QCOMPARE(completed.front().front().toInt(), printer->OutputID());
        }
        QCOMPARE(script->takeCalls(), job);
        QCOMPARE(completed.count(), async ? 1 : 0);
    }

    void propertyWrites_data()
    {
        QTest::addColumn<int>("stage");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("expected");
        const auto row = [](const char* title, Stage stage, const char* name, QVariant value,
                            int expected) {
            QTest::newRow(title) << int(stage) << QString::fromLatin1(name) << value << expected;
        };
        row("async closed", Closed, "AsyncMode", true, OPOS_E_CLOSED);
        row("async open", Opened, "AsyncMode", true, OPOS_SUCCESS);
        row("charset disabled", Claimed, "CharacterSet", 850, OPOS_E_DISABLED);
        row("charset listed", Enabled, "CharacterSet", 850, OPOS_SUCCESS);
        row("charset unlisted", Enabled, "CharacterSet", 999, OPOS_E_ILLEGAL);
        row("line chars 64", Enabled, "RecLineChars", 64, OPOS_SUCCESS);
        row("line chars 65", Enabled, "RecLineChars", 65, OPOS_E_ILLEGAL);
        row("line chars 0", Enabled, "RecLineChars", 0, OPOS_E_ILLEGAL);
        row("no journal", Enabled, "JrnLineChars", 40, OPOS_E_ILLEGAL);
        row("no slip", Enabled, "SlpLetterQuality", true, OPOS_E_ILLEGAL);
        row("map mode 5", Enabled, "MapMode", 5, OPOS_E_ILLEGAL);
        row("map mode metric", Enabled, "MapMode", 4, OPOS_SUCCESS);
        row("binary 3", Opened, "BinaryConversion", 3, OPOS_E_ILLEGAL);
        row("binary decimal", Opened, "BinaryConversion", 2, OPOS_SUCCESS);
        row("power notify 2", Opened, "PowerNotify", 2, OPOS_E_ILLEGAL);
        row("read-only flag", Enabled, "CoverOpen", true, OPOS_E_ILLEGAL);
        row("read-only number", Enabled, "State", 2, OPOS_E_ILLEGAL);
        row("cartridge colour 2", Enabled, "RecCurrentCartridge", 2, OPOS_E_ILLEGAL);
        row("cartridge colour 1", Enabled, "RecCurrentCartridge", 1, OPOS_SUCCESS);
        row("no cartridge sensor", Opened, "CartridgeNotify", 1, OPOS_E_ILLEGAL);
        row("rotate right", Opened, "RotateSpecial", 0x0101, OPOS_SUCCESS);
        row("rotate left unsupported", Opened, "RotateSpecial", 0x0102, OPOS_E_ILLEGAL);
        row("rotate nonsense", Opened, "RotateSpecial", 7, OPOS_E_ILLEGAL);
        row("letter quality", Enabled, "RecLetterQuality", true, OPOS_SUCCESS);
        row("map charset", Enabled, "MapCharacterSet", true, OPOS_SUCCESS);
    }

    void propertyWrites()
    {
        QFETCH(int, stage);
        QFETCH(QString, name);
        QFETCH(QVariant, value);
        QFETCH(int, expected);
        bringTo(Stage(stage));
        const PrinterPropertyInfo* info = findPrinterProperty(name);
        QVERIFY(info);
        const QVariant before =
            stage == Closed ? QVariant() : printer->GetPropertyByIndex(info->index);
        QCOMPARE(printer->SetPropertyByIndex(info->index, value), expected);
        QCOMPARE(printer->ResultCode(), expected);
        const QVariant after = printer->GetPropertyByIndex(info->index);
        if (expected == OPOS_SUCCESS)
            QCOMPARE(after.toInt(), value.toInt());
        else if (stage != Closed)
            QCOMPARE(after, before);
    }

    void everyPropertyReadsWithItsKind()
    {
        for (const Stage stage : {Closed, Enabled}) {
            if (stage == Enabled)
                bringTo(Enabled);
            for (const auto& info : printerProperties()) {
                const QVariant value = printer->GetPropertyByIndex(info.index);
                const QString name(info.name);
                switch (info.kind) {
                case PropertyKind::Number:
                    QCOMPARE(value.typeId(), QMetaType::Int);
                    QCOMPARE(printer->GetPropertyNumber(name), value.toInt());
                    QVERIFY_THROWS_EXCEPTION(std::runtime_error, printer->GetPropertyFlag(name));
                    break;
                case PropertyKind::Flag:
                    QCOMPARE(value.typeId(), QMetaType::Bool);
                    QCOMPARE(printer->GetPropertyFlag(name), value.toBool());
                    break;
                case PropertyKind::Text:
                    QCOMPARE(value.typeId(), QMetaType::QString);
                    QCOMPARE(printer->GetPropertyString(name), value.toString());
                    break;
                }
                if (stage == Closed && info.index != 9 && info.kind == PropertyKind::Number)
                    QCOMPARE(value.toInt(), 0);
            }
        }
        QCOMPARE(printer->GetPropertyNumber(QStringLiteral("State")), OPOS_S_IDLE);
        QCOMPARE(printer->GetPropertyNumber(QStringLiteral("controlobjectversion")),
                 kDefaultControlObjectVersion);
        QVERIFY(printer->GetPropertyFlag(QStringLiteral("CapRecPresent")));
        QCOMPARE(printer->GetPropertyString(QStringLiteral("DeviceName")),
                 QStringLiteral("Scripted printer"));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 printer->GetPropertyNumber(QStringLiteral("Nope")));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, printer->GetPropertyByIndex(10));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 printer->SetPropertyNumber(QStringLiteral("AsyncMode"), 1));
        printer->SetPropertyNumber(QStringLiteral("ControlObjectVersion"), 1);
        QCOMPARE(printer->ResultCode(), OPOS_E_ILLEGAL);
    }

    void stationPropertiesComeWithTheFirstEnable()
    {
        bringTo(Claimed);
        QCOMPARE(printer->GetPropertyNumber(QStringLiteral("RecLineChars")), 0);
        QCOMPARE(printer->GetPropertyString(QStringLiteral("RecLineCharsList")),
                 QStringLiteral("48,64"));
        printer->SetDeviceEnabled(true);
        QCOMPARE(printer->GetPropertyNumber(QStringLiteral("RecLineChars")), 48);
    }

    void mapModeRescalesMeasurements_data()
    {
        QTest::addColumn<int>("mapMode");
        QTest::addColumn<int>("height"); // 24 dots at 200 dpi
        QTest::newRow("dots") << 1 << 24;
        QTest::newRow("twips") << 2 << 173;
        QTest::newRow("english") << 3 << 120;
        QTest::newRow("metric") << 4 << 305;
    }

    void mapModeRescalesMeasurements()
    {
        QFETCH(int, mapMode);
        QFETCH(int, height);
        bringTo(Enabled);
        printer->SetPropertyNumber(QStringLiteral("MapMode"), mapMode);
        QCOMPARE(printer->GetPropertyNumber(QStringLiteral("RecLineHeight")), height);
        printer->SetPropertyNumber(QStringLiteral("RecLineHeight"), height);
        QCOMPARE(script->takeCalls(), QStringList{QStringLiteral("set RecLineHeight 24")});
    }

    void binaryConversionDecodesPrintData()
    {
        bringTo(Enabled);
        printer->SetPropertyNumber(QStringLiteral("BinaryConversion"), 1);
        QCOMPARE(printer->PrintNormal(PTR_S_RECEIPT, QStringLiteral("4142")), OPOS_SUCCESS);
        QCOMPARE(printer->PrintNormal(PTR_S_RECEIPT, QStringLiteral("414")), OPOS_E_ILLEGAL);
        printer->SetPropertyNumber(QStringLiteral("BinaryConversion"), 2);
        QCOMPARE(printer->PrintNormal(PTR_S_RECEIPT, QStringLiteral("065010")), OPOS_SUCCESS);
        QCOMPARE(printer->PrintNormal(PTR_S_RECEIPT, QStringLiteral("256")), OPOS_E_ILLEGAL);
        QCOMPARE(script->takeCalls(),
                 (QStringList{QStringLiteral("print 2 AB"), QStringLiteral("print 2 A\n")}));
    }

    void directIOPassesArgumentsByReference()
    {
        int32_t data = 7;
        QString text = QStringLiteral("abc");
        QCOMPARE(printer->DirectIO(1, &data, &text), OPOS_E_CLOSED);
        bringTo(Opened);
        QCOMPARE(printer->DirectIO(1, &data, &text), OPOS_SUCCESS);
        QCOMPARE(data, 8);
        QCOMPARE(text, QStringLiteral("abc!"));
        QCOMPARE(printer->DirectIO(1, nullptr, nullptr), OPOS_SUCCESS);
    }

    // The waits of one call share its time-out: what the call already waited (for output
    // running on the worker) comes off the device's own, and a cancelled call waits no more.
    void waitsOfOneCallShareItsTimeOut_data()
    {
        QTest::addColumn<int>("waitedMs");
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<bool>("nested");
        QTest::addColumn<int>("expected"); // Waiter::Outcome
        const int timedOut = static_cast<int>(Waiter::Outcome::TimedOut);
        const int cancelledOutcome = static_cast<int>(Waiter::Outcome::Cancelled);
        QTest::newRow("waited its whole time-out") << 60000 << false << false << timedOut;
        QTest::newRow("waited longer") << 90000 << false << false << timedOut;
        QTest::newRow("inside a call inside the call") << 60000 << false << true << timedOut;
        QTest::newRow("cancelled") << 0 << true << false << cancelledOutcome;
        QTest::newRow("cancelled, inner call") << 0 << true << true << cancelledOutcome;
    }
    void waitsOfOneCallShareItsTimeOut()
    {
        QFETCH(int, waitedMs);
        QFETCH(bool, cancelled);
        QFETCH(bool, nested);
        QFETCH(int, expected);
        BlockingWaiter waiter;
        const Waiter::Call call(waiter);
        waiter.deduct(std::chrono::milliseconds(waitedMs));
        if (cancelled)
            waiter.cancelCall();
        std::optional<Waiter::Call> inner;
        if (nested)
            inner.emplace(waiter);
        // A device time-out of a minute: were it not shortened, the test would hang a minute.
        const auto outcome =
            waiter.wait(QStringLiteral("printer"), QDeadlineTimer(60000), [] { return false; });
        QCOMPARE(static_cast<int>(outcome), expected);
    }

    // A wait on another thread (the output worker) is no part of the call: not cancelled with it.
    void waitsOutsideTheCallKeepTheirDeadline()
    {
        BlockingWaiter waiter;
        const Waiter::Call call(waiter);
        waiter.deduct(std::chrono::milliseconds(60000));
        waiter.cancelCall();
        Waiter::Outcome onWorker = Waiter::Outcome::TimedOut;
        std::thread worker([&waiter, &onWorker] {
            onWorker =
                waiter.wait(QStringLiteral("printer"), QDeadlineTimer(60000), [] { return true; });
        });
        worker.join();
        QCOMPARE(onWorker, Waiter::Outcome::Ready);
    }
};

QTEST_GUILESS_MAIN(TestOposPrinter)
#include "test_opos_printer.moc"

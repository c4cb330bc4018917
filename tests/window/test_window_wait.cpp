#include "backends/sim/PrintPacer.h"
#include "opos/CashDrawer.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "services/Dialogs.h"
#include "services/FormState.h"
#include "services/LogRecord.h"
#include "services/ModuleFlags.h"
#include "support/LogRows.h"
#include "support/ScriptedPrinterBackend.h"
#include "support/WindowFixture.h"
#include "virtual/VirtualDevicesWindow.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Runs action once, inside the next wait of the window's waiter, from its event loop. A wait
// that ends before its loop turns drops the action with the window, never running it later.
void duringNextWait(WindowFixture& fixture, std::function<void()> action)
{
    auto connection = std::make_shared<QMetaObject::Connection>();
    QWidget* window = &fixture.window();
    *connection = QObject::connect(&fixture.waiter(), &WindowWaiter::waitStarted, window,
                                   [connection, window, action = std::move(action)] {
                                       QObject::disconnect(*connection);
                                       QTimer::singleShot(0, window, action);
                                   });
}

QDialog* waitBox(WindowFixture& fixture)
{
    return fixture.window().findChild<QDialog*>(u"dlgWait"_s);
}

QString errorString(WindowFixture& fixture)
{
    return fixture.printer().GetPropertyString(u"ErrorString"_s);
}

// Paces each piece of realistic output by waiting through the waiter until the test lets go.
class HeldPacer : public sim::PrintPacer
{
public:
    opos::Waiter::Outcome pause(std::chrono::milliseconds, std::stop_token stop,
                                opos::Waiter& waiter, const QString& what) override
    {
        ++pauses;
        const auto outcome =
            waiter.wait(what, QDeadlineTimer(QDeadlineTimer::Forever),
                        [this, &stop] { return released || stop.stop_requested(); });
        return outcome == opos::Waiter::Outcome::Cancelled ? outcome : opos::Waiter::Outcome::Ready;
    }
    bool released = false;
    int pauses = 0;
};

} // namespace

class WindowWaitTest : public QObject
{
    Q_OBJECT

    std::shared_ptr<PrinterScript> script;
    std::unique_ptr<WindowFixture> fixture;

    // The window over the scripted printer, opened, claimed and enabled; its output waits
    // through the waiter until the test lets go.
    void openScripted()
    {
        script = std::make_shared<PrinterScript>();
        fixture = std::make_unique<WindowFixture>();
        addScriptedPrinter(fixture->registry(), script);
        opos::PosPrinter& printer = fixture->printer();
        QCOMPARE(printer.Open(u"Scripted"_s), opos::OPOS_SUCCESS);
        QCOMPARE(printer.ClaimDevice(0), opos::OPOS_SUCCESS);
        printer.SetDeviceEnabled(true);
        QVERIFY(printer.DeviceEnabled());
        fixture->flags().DeviceOpened = true;
        fixture->flags().DeviceClaimed = true;
        script->waitThroughWaiter = true;
        script->hold();
        fixture->type("txtPrint", u"slow line"_s);
    }

private slots:
    void cleanup()
    {
        if (script)
            script->letGo();
        fixture.reset();
        script.reset();
    }

    // A print the printer has not confirmed shows the box; how the wait ends decides the row.
    void printWaitsInTheBox_data()
    {
        QTest::addColumn<QString>("end"); // how the wait ends
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("expectedError");
        QTest::newRow("confirmed") << u"confirm"_s << u"PrintNormal() OPOS_SUCCESS"_s << QString();
        // Both end in OPOS_E_TIMEOUT; the reason kept with the row tells them apart.
        QTest::newRow("cancelled") << u"cancel"_s << u"PrintNormal() OPOS_E_TIMEOUT"_s
                                   << u"cancelled by the user after 2.3 s"_s;
        // A close asks first; Cancel leaves the call waiting untouched until the printer answers.
        QTest::newRow("close refused")
            << u"close"_s << u"PrintNormal() OPOS_SUCCESS"_s << QString();
        QTest::newRow("timed out") << u"time out"_s << u"PrintNormal() OPOS_E_TIMEOUT"_s
                                   << u"The printer did not confirm"_s;
    }
    void printWaitsInTheBox()
    {
        QFETCH(QString, end);
        QFETCH(QString, row);
        QFETCH(QString, expectedError);
        openScripted();
        if (end == u"time out"_s)
            script->waitTimeoutMs = 1;
        fixture->dialogs().queueAnswer(Dialogs::Answer::Cancel); // "Proceed with CLOSE?"
        QString shown;
        QString device;
        bool boxModal = true;
        if (end != u"time out"_s) // a wait of 1 ms ends before the box could show
            duringNextWait(*fixture, [&] {
                QDialog* box = waitBox(*fixture);
                QVERIFY(box && box->isVisible());
                boxModal = box->isModal() || box->windowModality() != Qt::NonModal;
                shown = box->findChild<QLabel*>(u"lblWaitingFor"_s)->text();
                device = box->findChild<QLabel*>(u"lblWaitDevice"_s)->text();
                if (end == u"cancel"_s) {
                    fixture->setClock(std::chrono::milliseconds(2345));
                    QTest::mouseClick(box->findChild<QAbstractButton*>(u"cmdCancelWait"_s),
                                      Qt::LeftButton);
                } else if (end == u"close"_s) {
                    fixture->window().close();
                    QVERIFY(waitBox(*fixture)->isVisible());
                    script->letGo();
                } else if (end == u"confirm"_s)
                    script->letGo();
            });

        fixture->click("cmdPrintNormal");

        if (end != u"time out"_s) {
            QCOMPARE(device, u"Device: Scripted"_s);
            QCOMPARE(shown, u"Waiting for confirmation of the printed line…"_s);
            // The waiter blocks the main window itself, letting Stop through: the box must not.
            QVERIFY(!boxModal);
        }
        QTRY_VERIFY(!waitBox(*fixture) || !waitBox(*fixture)->isVisible());
        QCOMPARE(logRowTexts(fixture->window().logGrid(), fixture->form()), QStringList{row});
        if (!expectedError.isEmpty()) {
            QVERIFY2(errorString(*fixture).startsWith(expectedError),
                     qPrintable(errorString(*fixture)));
            QCOMPARE(fixture->window().logGrid().RowNote(1, kErrorNote), errorString(*fixture));
            QCOMPARE(fixture->widget<QLabel>("lblJobStatus").text(),
                     u"PrintNormal() failed: OPOS_E_TIMEOUT (%1)"_s.arg(errorString(*fixture)));
        }
        const QStringList asked = fixture->dialogs().prompts();
        if (end == u"close"_s)
            QTRY_COMPARE(fixture->dialogs().prompts().size(), 1);
        else
            QVERIFY(asked.isEmpty());
    }

    // Clicks and keys meant for the main window during the wait are dropped, not replayed
    // after it; the refresh keeps ticking meanwhile.
    void mainWindowTakesNoInputWhileWaiting()
    {
        openScripted();
        QSignalSpy ticks(&fixture->window().Timer1(), &QTimer::timeout);
        bool ticked = false;
        duringNextWait(*fixture, [&] {
            fixture->click("cmdClose");
            fixture->click("cmdPrintImmediate");
            QTest::keyClicks(&fixture->widget<QLineEdit>("txtPrint"), u"typed"_s);
            ticked = ticks.wait(); // the 500 ms refresh, inside the wait
            script->letGo();
        });

        fixture->click("cmdPrintNormal");

        QVERIFY(ticked);
        QCoreApplication::processEvents();
        QCOMPARE(logRowTexts(fixture->window().logGrid(), fixture->form()),
                 QStringList{u"PrintNormal() OPOS_SUCCESS"_s});
        QCOMPARE(fixture->widget<QLineEdit>("txtPrint").text(), u"slow line"_s);
        QVERIFY(fixture->printer().DeviceEnabled());
        QCOMPARE(script->takeCalls().filter(u"print"_s).size(), 1);
    }

    // An event raised while a call waits is delivered after the call has returned and logged.
    void eventsDuringTheWaitFollowTheCallsRow()
    {
        openScripted();
        duringNextWait(*fixture, [&] {
            opos::PrinterStatus open;
            open.coverOpen = true;
            script->changeStatus(open);
            QCoreApplication::processEvents(); // the status reaches the control object
            script->letGo();
        });

        fixture->click("cmdPrintNormal");

        QTRY_COMPARE(fixture->form().LogRow, 3);
        const QStringList rows = logRowTexts(fixture->window().logGrid(), fixture->form());
        QCOMPARE(rows.at(0), u"PrintNormal() OPOS_SUCCESS"_s);
        QVERIFY2(rows.at(1).startsWith(u"StatusUpdateEvent()"_s), qPrintable(rows.at(1)));
    }

    // DirectIO while asynchronous output holds the printer waits in the box; Cancel ends only
    // the DirectIO: the queued job completes later.
    void directIOWaitsForQueuedOutput()
    {
        openScripted();
        script->waitThroughWaiter = false; // the worker blocks on the held job
        opos::PosPrinter& printer = fixture->printer();
        QSignalSpy completed(&printer, &opos::PosPrinter::OutputCompleteEvent);
        printer.SetAsyncMode(true);
        QCOMPARE(printer.PrintNormal(opos::PTR_S_RECEIPT, u"queued\n"_s), opos::OPOS_SUCCESS);
        QStringList seen;
        QTRY_VERIFY((seen += script->takeCalls()).contains(u"print 2 queued\n"_s));
        duringNextWait(*fixture, [&] {
            QTest::mouseClick(waitBox(*fixture)->findChild<QAbstractButton*>(u"cmdCancelWait"_s),
                              Qt::LeftButton);
        });

        fixture->type("txtCommand", u"7"_s);
        fixture->type("txtData", u"3"_s);
        fixture->click("cmdDirectIO");

        QCOMPARE(logRowTexts(fixture->window().logGrid(), fixture->form()),
                 QStringList{u"DirectIO() OPOS_E_TIMEOUT"_s});
        QVERIFY(errorString(*fixture).startsWith(u"cancelled by the user after"_s));
        QVERIFY(!script->takeCalls().join(u' ').contains(u"directIO"_s));
        script->letGo();
        QTRY_COMPARE(completed.count(), 1);
    }

    // A claim waiting for another holder keeps the user's order in the log: buttons clicked
    // during it are not taken, the claim's row is the only one.
    void claimWaitKeepsTheOrderOfActions()
    {
        fixture = std::make_unique<WindowFixture>();
        QVERIFY(fixture->openPrinter(false));
        fixture->type("txtTimeout", u"100"_s);
        fixture->simPrinter().setHeldElsewhere(true);
        QString shown;
        QString device;
        QString left;
        duringNextWait(*fixture, [&] {
            shown = waitBox(*fixture)->findChild<QLabel*>(u"lblWaitingFor"_s)->text();
            device = waitBox(*fixture)->findChild<QLabel*>(u"lblWaitDevice"_s)->text();
            left = waitBox(*fixture)->findChild<QLabel*>(u"lblWaitElapsed"_s)->text();
            for (const char* button : {"cmdClaim", "cmdRelease", "cmdClose", "cmdOpen"})
                fixture->click(button);
            fixture->simPrinter().setHeldElsewhere(false);
        });

        fixture->click("cmdClaim");

        QCOMPARE(shown, u"Waiting for the claim…"_s);
        QCOMPARE(device, u"Device: Quenta POS Printer"_s);
        QVERIFY2(left == u"Time left: 100 s"_s || left == u"Time left: 99 s"_s, qPrintable(left));
        QCOMPARE(logRowTexts(fixture->window().logGrid(), fixture->form()),
                 QStringList{u"ClaimDevice() OPOS_SUCCESS"_s});
        QVERIFY(fixture->printer().Claimed() && fixture->flags().DeviceClaimed);
    }

    // The cash drawer's calls wait the same way: a claim held by another control object shows
    // the box and succeeds once the other lets go.
    void drawerClaimWaitsInTheBox()
    {
        fixture = std::make_unique<WindowFixture>();
        opos::CashDrawer other(fixture->registry(), opos::ControlOptions{});
        QCOMPARE(other.Open(sim::kCashDrawerName), opos::OPOS_SUCCESS);
        QCOMPARE(other.ClaimDevice(0), opos::OPOS_SUCCESS);
        opos::CashDrawer& drawer = fixture->window().OPOSCashDrawer1();
        QCOMPARE(drawer.Open(sim::kCashDrawerName), opos::OPOS_SUCCESS);
        QString shown;
        QString device;
        duringNextWait(*fixture, [&] {
            shown = waitBox(*fixture)->findChild<QLabel*>(u"lblWaitingFor"_s)->text();
            device = waitBox(*fixture)->findChild<QLabel*>(u"lblWaitDevice"_s)->text();
            other.ReleaseDevice();
        });

        QCOMPARE(drawer.ClaimDevice(60000), opos::OPOS_SUCCESS);

        QCOMPARE(shown, u"Waiting for the claim…"_s);
        QCOMPARE(device, u"Device: Quenta Cash Drawer"_s);
        QVERIFY(drawer.Claimed());
    }

    // The box waits for the show delay on the waiter's clock, then counts the seconds.
    void boxShowsAfterTheDelay()
    {
        std::chrono::milliseconds now{0};
        auto waiter = std::make_shared<WindowWaiter>([&now] { return now; });
        QWidget window;
        waiter->setWindow(&window);
        window.show();
        bool ready = false;
        QString elapsed;
        bool hiddenAtFirst = false;
        QTimer::singleShot(0, &window, [&] {
            hiddenAtFirst = window.findChild<QDialog*>(u"dlgWait"_s) == nullptr;
            now = WindowWaiter::kShowDelay + std::chrono::milliseconds(2100);
            QTRY_VERIFY(window.findChild<QDialog*>(u"dlgWait"_s));
            QLabel* label = window.findChild<QLabel*>(u"lblWaitElapsed"_s);
            QTRY_COMPARE(label->text(), u"Elapsed: 2 s"_s);
            elapsed = label->text();
            ready = true;
            waiter->wake();
        });

        const auto outcome = waiter->wait(u"the printer"_s, QDeadlineTimer(QDeadlineTimer::Forever),
                                          [&ready] { return ready; });

        QCOMPARE(outcome, opos::Waiter::Outcome::Ready);
        QVERIFY(hiddenAtFirst);
        QCOMPARE(elapsed, u"Elapsed: 2 s"_s);
    }

    // A synchronous transaction at the realistic speed leaves the Virtual devices window
    // usable: opening the cover there stops the print between two lines.
    void coverSwitchWorksDuringASlowPrint()
    {
        fixture = std::make_unique<WindowFixture>();
        auto pacer = std::make_shared<HeldPacer>();
        fixture->simPrinter().setPacer(pacer);
        fixture->simPrinter().setOutputSpeed(sim::OutputSpeed::Realistic);
        VirtualDevicesWindow devicesWindow(fixture->devices());
        devicesWindow.show();
        QVERIFY(fixture->openPrinter(true, true));
        opos::PosPrinter& printer = fixture->printer();
        QCOMPARE(printer.TransactionPrint(opos::PTR_S_RECEIPT, opos::PTR_TP_TRANSACTION),
                 opos::OPOS_SUCCESS);
        for (int line = 0; line < 200; ++line)
            printer.PrintNormal(opos::PTR_S_RECEIPT, u"line %1\n"_s.arg(line));
        duringNextWait(*fixture, [&] {
            auto* cover = devicesWindow.findChild<QCheckBox*>(u"vdCoverOpen"_s);
            // On the check box itself: the widget is wider than its box and label.
            QTest::mouseClick(cover, Qt::LeftButton, {}, QPoint(5, cover->height() / 2));
            pacer->released = true;
            fixture->waiter().wake();
        });

        const int32_t result = printer.TransactionPrint(opos::PTR_S_RECEIPT, opos::PTR_TP_NORMAL);

        QVERIFY(fixture->simPrinter().status().coverOpen);
        QCOMPARE(result, opos::OPOS_E_EXTENDED);
        QCOMPARE(printer.ResultCodeExtended(), opos::OPOS_EPTR_COVER_OPEN);
        QCOMPARE(pacer->pauses, 1);
    }
};

QTEST_MAIN(WindowWaitTest)
#include "test_window_wait.moc"

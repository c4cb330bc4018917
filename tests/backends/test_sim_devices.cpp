#include "backends/sim/PrintPacer.h"
#include "backends/sim/ReceiptImage.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/CashDrawer.h"
#include "opos/DeviceRegistry.h"
#include "opos/LineDisplay.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "support/SimulatedPrinterFixture.h"

#include <QSignalSpy>
#include <QTest>
#include <mutex>

using namespace opos;
using namespace Qt::StringLiterals;
using sim::ReceiptItem;

namespace {

// Records the waits of the realistic speed instead of sleeping.
class RecordingPacer : public sim::PrintPacer
{
public:
    opos::Waiter::Outcome pause(std::chrono::milliseconds duration, std::stop_token, opos::Waiter&,
                                const QString&) override
    {
        const std::lock_guard lock(mutex);
        waits.push_back(duration);
        return opos::Waiter::Outcome::Ready;
    }
    std::mutex mutex;
    std::vector<std::chrono::milliseconds> waits;
};

// A waiter on a clock of its own: a wait whose deadline has not passed runs `meanwhile` once
// (what happens while it waits), then ends ready, cancelled or, with the device still busy, at
// its deadline, as if that much time had gone by.
class SteppingWaiter : public opos::Waiter
{
public:
    Outcome wait(const QString&, QDeadlineTimer deadline,
                 const std::function<bool()>& ready) override
    {
        ++waits;
        withoutLimit = deadline.isForever();
        if (cancelAtOnce)
            return Outcome::Cancelled;
        if (ready())
            return Outcome::Ready;
        if (deadline.hasExpired())
            return Outcome::TimedOut;
        if (meanwhile)
            std::exchange(meanwhile, {})();
        if (ready())
            return Outcome::Ready;
        return cancelled || callCancelled() ? Outcome::Cancelled : Outcome::TimedOut;
    }
    void wake() override {}

    std::function<void()> meanwhile;
    bool cancelAtOnce = false; // as a person who cancels before the device could answer
    bool cancelled = false;
    bool withoutLimit = false;
    int waits = 0;
};

QString styleFlags(bool bold, bool underline, bool doubleWidth, bool doubleHeight)
{
    return QString(bold ? u"b"_s : QString()) + (underline ? u"u"_s : QString()) +
           (doubleWidth ? u"W"_s : QString()) + (doubleHeight ? u"H"_s : QString());
}

// A receipt item as compact text: L[buWHc](text), F n, CUT, PCUT; a line of several styles
// adds its runs as [flags:text|flags:text...].
QString describe(const ReceiptItem& item)
{
    switch (item.kind) {
    case ReceiptItem::Kind::Feed:
        return u"F %1"_s.arg(item.lines);
    case ReceiptItem::Kind::FullCut:
        return u"CUT"_s;
    case ReceiptItem::Kind::PartialCut:
        return u"PCUT"_s;
    case ReceiptItem::Kind::Picture:
        return u"PIC %1x%2"_s.arg(item.picture->width).arg(item.picture->height);
    case ReceiptItem::Kind::Line:
        break;
    }
    QString flags = styleFlags(item.bold, item.underline, item.doubleWidth, item.doubleHeight);
    flags += item.align == ReceiptItem::Align::Centre  ? u"c"_s
             : item.align == ReceiptItem::Align::Right ? u"r"_s
                                                       : QString();
    QStringList runs;
    QString joined;
    for (const auto& run : item.runs) {
        runs << styleFlags(run.bold, run.underline, run.doubleWidth, run.doubleHeight) + u':' +
                    run.text;
        joined += run.text;
    }
    if (!item.runs.isEmpty() && joined != item.text)
        return u"runs (%1) differ from the text (%2)"_s.arg(joined, item.text);
    return u"L%1(%2)"_s.arg(flags, item.text) +
           (runs.size() > 1 ? u"[%1]"_s.arg(runs.join(u'|')) : QString());
}

} // namespace

// The control objects over the simulated printer, cash drawer and line display.
class TestSimDevices : public QObject, SimulatedPrinterFixture
{
    Q_OBJECT

    QStringList roll()
    {
        QStringList items;
        for (const auto& item : device().receipt())
            items << describe(item);
        return items;
    }

private slots:
    void init() { build(); }
    void cleanup() { tearDown(); }

    void receiptKeepsAttributes_data()
    {
        QTest::addColumn<QStringList>("calls"); // "cut N" or print data
        QTest::addColumn<QStringList>("items");
        const auto esc = [](const char* text) {
            return QString::fromLatin1(text).replace(u'~', QChar(0x1B));
        };
        QTest::newRow("bold, then centred big")
            << QStringList{esc("~|bCTotal~|N\n"), esc("~|cA~|4CBIG\n")}
            << QStringList{u"Lb(Total)"_s, u"LWHc(BIG)"_s};
        QTest::newRow("underline on and off mid-line")
            << QStringList{esc("a ~|uCword~|!uC b\n")}
            << QStringList{u"Lu(a word b)[:a |u:word|: b]"_s};
        QTest::newRow("bold from mid-line") << QStringList{esc("Line two ~|bCok\n")}
                                            << QStringList{u"Lb(Line two ok)[:Line two |b:ok]"_s};
        QTest::newRow("sizes and reset mid-line")
            << QStringList{esc("a~|2Cb~|3Cc~|4Cd~|1Ce~|bCf~|Ng\n")}
            << QStringList{u"LbWH(abcdefg)[:a|W:b|H:c|WH:d|:e|b:f|:g]"_s};
        QTest::newRow("style carries over a wrap")
            << QStringList{QString(46, u'x') + esc("~|2Cyy\n")}
            << QStringList{u"LW(%1y)[:%1|W:y]"_s.arg(QString(46, u'x')), u"LW(y)"_s};
        QTest::newRow("feeds and cuts")
            << QStringList{esc("x\n~|2lF~|75P"), u"cut 100"_s, esc("~|fP")}
            << QStringList{u"L(x)"_s, u"F 2"_s, u"PCUT"_s, u"CUT"_s, u"F 4"_s, u"CUT"_s};
        QTest::newRow("line waits for its LF")
            << QStringList{u"ab"_s, u"cd\r\n"_s} << QStringList{u"L(abcd)"_s};
        QTest::newRow("cut ends a pending line")
            << QStringList{u"ab"_s, u"cut 50"_s} << QStringList{u"L(ab)"_s, u"PCUT"_s};
        QTest::newRow("empty line") << QStringList{u"\n"_s} << QStringList{u"L()"_s};
        QTest::newRow("wraps at 48") << QStringList{QString(50, u'x') + u"\n"_s}
                                     << QStringList{u"L(%1)"_s.arg(QString(48, u'x')), u"L(xx)"_s};
        QTest::newRow("a long line wraps many times")
            << QStringList{QString(100, u'x') + u"\n"_s}
            << QStringList{u"L(%1)"_s.arg(QString(48, u'x')), u"L(%1)"_s.arg(QString(48, u'x')),
                           u"L(xxxx)"_s};
        QTest::newRow("a wide character that does not fit the last column wraps")
            << QStringList{QString(47, u'x') + esc("~|2Cy\n")}
            << QStringList{u"L(%1)"_s.arg(QString(47, u'x')), u"LW(y)"_s};
        QTest::newRow("double width wraps at 24")
            << QStringList{esc("~|2C") + QString(30, u'y') + u"\n"_s}
            << QStringList{u"LW(%1)"_s.arg(QString(24, u'y')), u"LW(%1)"_s.arg(QString(6, u'y'))};
        QTest::newRow("pictures") << QStringList{esc("~|1B~|tL")}
                                  << QStringList{u"Lc([bitmap 1])"_s, u"Lc([top logo])"_s};
    }

    void receiptKeepsAttributes()
    {
        QFETCH(QStringList, calls);
        QFETCH(QStringList, items);
        enablePrinter();
        for (const auto& call : calls) {
            const int32_t code = call.startsWith(u"cut "_s)
                                     ? printer->CutPaper(call.mid(4).toInt())
                                     : printer->PrintNormal(PTR_S_RECEIPT, call);
            QCOMPARE(code, OPOS_SUCCESS);
        }
        QCOMPARE(roll(), items);
    }

    void rollIsBounded()
    {
        enablePrinter();
        device().setReceiptCapacity(10);
        for (int i = 0; i < 25; ++i)
            printer->PrintNormal(PTR_S_RECEIPT, u"%1\n"_s.arg(i));
        QCOMPARE(device().receipt().size(), 10);
        QCOMPARE(device().receiptItemsPrinted(), 25);
        QCOMPARE(device().receipt().back().text, u"24"_s);
    }

    void aPictureWithoutFontsIsRefusedNotFatal()
    {
        // A run without a GUI application has no fonts: drawing the receipt's text would end
        // the program, so the picture is refused with a reason instead.
        enablePrinter();
        printer->PrintNormal(PTR_S_RECEIPT, u"TOTAL 12.34\n"_s);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, receipt_image::render(device().receipt()));
    }

    void lineLongerThanTheRollKeepsItsEnd_data()
    {
        QTest::addColumn<QString>("tail");
        QTest::addColumn<int>("printed");
        QTest::addColumn<int>("firstKept");
        // 2 short lines, then 25 full ones in one call; the last stays open without a tail.
        QTest::newRow("ending in a short line") << u"tail\n"_s << 28 << 16;
        QTest::newRow("ending in a full open line") << QString() << 26 << 14;
    }
    void lineLongerThanTheRollKeepsItsEnd()
    {
        QFETCH(QString, tail);
        QFETCH(int, printed);
        QFETCH(int, firstKept);
        enablePrinter();
        device().setReceiptCapacity(10);
        printer->PrintNormal(PTR_S_RECEIPT, u"a\nb\n"_s);
        QString text;
        for (int line = 0; line < 25; ++line)
            text += u"%1"_s.arg(line, 48, 10, QLatin1Char('0'));
        QCOMPARE(printer->PrintNormal(PTR_S_RECEIPT, text + tail), OPOS_SUCCESS);
        QCOMPARE(device().receiptItemsPrinted(), printed);
        QStringList expected;
        for (int line = firstKept; line < 25 && expected.size() < 10; ++line)
            expected << u"%1"_s.arg(line, 48, 10, QLatin1Char('0'));
        if (!tail.isEmpty())
            expected << u"tail"_s;
        QStringList kept;
        for (const auto& item : device().receipt())
            kept << item.text;
        QCOMPARE(kept, expected);
    }

    // A synchronous call with a lot of data waits through the waiter while it is parsed and laid
    // out, so that a window goes on meanwhile, and prints what it would have printed in place.
    // A cancel takes back only what has not printed yet.
    void longDataWaitsThroughTheWaiter_data()
    {
        QTest::addColumn<bool>("realistic");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("printed");
        QTest::newRow("instant") << false << false << true;
        QTest::newRow("instant, cancelled: printed all the same") << false << true << true;
        QTest::newRow("realistic") << true << false << true;
        QTest::newRow("realistic, cancelled while parsed: nothing printed")
            << true << true << false;
    }
    void longDataWaitsThroughTheWaiter()
    {
        QFETCH(bool, realistic);
        QFETCH(bool, cancel);
        QFETCH(bool, printed);
        auto waiter = std::make_shared<SteppingWaiter>();
        registry->setWaiter(waiter);
        if (realistic) {
            device().setPacer(std::make_shared<RecordingPacer>());
            device().setOutputSpeed(sim::OutputSpeed::Realistic);
        }
        enablePrinter();
        device().setReceiptCapacity(3);
        const int waitsBefore = waiter->waits; // the claim's
        QCOMPARE(printer->PrintNormal(PTR_S_RECEIPT, u"short\n"_s), OPOS_SUCCESS);
        QCOMPARE(waiter->waits, waitsBefore);

        waiter->cancelAtOnce = cancel;
        const QString bold = QString(48, u'x');
        const QString data = u"\x1b|bC"_s + bold.repeated(6400) + u"\x1b|Nend\n"_s;
        const int32_t code = printer->PrintNormal(PTR_S_RECEIPT, data);

        QCOMPARE(waiter->waits, waitsBefore + 1);
        if (printed) {
            QCOMPARE(code, OPOS_SUCCESS);
            QCOMPARE(roll(),
                     (QStringList{u"Lb(%1)"_s.arg(bold), u"Lb(%1)"_s.arg(bold), u"L(end)"_s}));
            QCOMPARE(device().receiptItemsPrinted(), 1 + 6400 + 1);
        } else {
            QCOMPARE(code, OPOS_E_TIMEOUT);
            QCOMPARE(printer->GetPropertyString(u"ErrorString"_s),
                     u"Cancelled while waiting for Quenta POS Printer"_s);
            QCOMPARE(roll(), QStringList{u"L(short)"_s});
        }
        // Each call starts in normal modes, whatever the one before switched on.
        waiter->cancelAtOnce = false;
        QCOMPARE(printer->PrintNormal(PTR_S_RECEIPT, u"after\n"_s), OPOS_SUCCESS);
        QCOMPARE(roll().constLast(), u"L(after)"_s);
    }

    void sensorsRefuseOutput_data()
    {
        QTest::addColumn<bool>("cover");
        QTest::addColumn<int>("paper");
        QTest::addColumn<int>("power");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("extended");
        QTest::newRow("cover open") << true << int(PaperState::Ok) << int(PowerState::Online)
                                    << OPOS_E_EXTENDED << OPOS_EPTR_COVER_OPEN;
        QTest::newRow("paper out") << false << int(PaperState::Empty) << int(PowerState::Online)
                                   << OPOS_E_EXTENDED << OPOS_EPTR_REC_EMPTY;
        QTest::newRow("near end prints")
            << false << int(PaperState::NearEnd) << int(PowerState::Online) << OPOS_SUCCESS << 0;
        QTest::newRow("off") << false << int(PaperState::Ok) << int(PowerState::Off)
                             << OPOS_E_OFFLINE << 0;
        QTest::newRow("offline") << true << int(PaperState::Ok) << int(PowerState::Offline)
                                 << OPOS_E_OFFLINE << 0;
    }

    void sensorsRefuseOutput()
    {
        QFETCH(bool, cover);
        QFETCH(int, paper);
        QFETCH(int, power);
        QFETCH(int, code);
        QFETCH(int, extended);
        enablePrinter();
        device().setCoverOpen(cover);
        device().setPaper(PaperState(paper));
        device().setPower(PowerState(power));
        QCOMPARE(printer->PrintNormal(PTR_S_RECEIPT, u"x\n"_s), code);
        QCOMPARE(printer->ResultCodeExtended(), extended);
        QCOMPARE(printer->CutPaper(100), code);
        QCOMPARE(roll().size(), code == OPOS_SUCCESS ? 2 : 0);
    }

    void switchesFireStatusEventsWhileEnabled()
    {
        QCOMPARE(printer->Open(sim::kPrinterName), OPOS_SUCCESS);
        QSignalSpy status(printer.get(), &PosPrinter::StatusUpdateEvent);
        device().setCoverOpen(true);
        QCOMPARE(printer->ClaimDevice(0), OPOS_SUCCESS);
        printer->SetPropertyNumber(u"PowerNotify"_s, OPOS_PN_ENABLED);
        printer->SetDeviceEnabled(true);
        QVERIFY(printer->GetPropertyFlag(u"CoverOpen"_s));
        device().setCoverOpen(false);
        device().setPaper(PaperState::NearEnd);
        device().setPaper(PaperState::Empty);
        device().setPaper(PaperState::Empty); // no change, no event
        device().setPower(PowerState::Offline);
        device().setPower(PowerState::Off); // still off/offline to standard reporting
        device().setPower(PowerState::Online);
        const QList<int> expected{OPOS_SUE_POWER_ONLINE,      PTR_SUE_COVER_OK,
                                  PTR_SUE_REC_NEAREMPTY,      PTR_SUE_REC_EMPTY,
                                  OPOS_SUE_POWER_OFF_OFFLINE, OPOS_SUE_POWER_ONLINE};
        QTRY_COMPARE(status.count(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(status.at(i).front().toInt(), expected.at(i));
        QVERIFY(printer->GetPropertyFlag(u"RecEmpty"_s));
    }

    void claimWaitsForTheHolder_data()
    {
        QTest::addColumn<int>("timeout");
        QTest::addColumn<QString>("meanwhile"); // what happens while the claim waits
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("waits"); // how often the claim waited
        QTest::newRow("try once") << 0 << u"let go"_s << OPOS_E_TIMEOUT << 1;
        QTest::newRow("times out") << 30 << QString() << OPOS_E_TIMEOUT << 1;
        QTest::newRow("let go in time") << 10000 << u"let go"_s << OPOS_SUCCESS << 1;
        QTest::newRow("forever, let go") << -1 << u"let go"_s << OPOS_SUCCESS << 1;
        QTest::newRow("forever, stopped") << -1 << u"stop"_s << OPOS_E_TIMEOUT << 1;
        QTest::newRow("forever, cancelled") << -1 << u"cancel"_s << OPOS_E_TIMEOUT << 1;
    }

    void claimWaitsForTheHolder()
    {
        QFETCH(int, timeout);
        QFETCH(QString, meanwhile);
        QFETCH(int, expected);
        QFETCH(int, waits);
        auto waiter = std::make_shared<SteppingWaiter>();
        registry->setWaiter(waiter);
        QCOMPARE(printer->Open(sim::kPrinterName), OPOS_SUCCESS);
        device().setHeldElsewhere(true);
        int closeDuringWait = -1;
        waiter->meanwhile = [&] {
            // While the claim waits, the life cycle is not to be pulled away under it.
            closeDuringWait = printer->Close();
            if (meanwhile == u"let go"_s)
                device().setHeldElsewhere(false);
            else if (meanwhile == u"stop"_s)
                printer->StopWaiting();
            else if (meanwhile == u"cancel"_s)
                waiter->cancelled = true;
        };

        QCOMPARE(printer->ClaimDevice(timeout), expected);

        QCOMPARE(waiter->waits, waits);
        QCOMPARE(printer->Claimed(), expected == OPOS_SUCCESS);
        QCOMPARE(waiter->withoutLimit, timeout < 0);
        if (timeout != 0)
            QCOMPARE(closeDuringWait, OPOS_E_BUSY);
        const QString why = printer->GetPropertyString(u"ErrorString"_s);
        if (meanwhile == u"cancel"_s)
            QCOMPARE(why, u"Cancelled while waiting for Quenta POS Printer"_s);
        else if (expected != OPOS_SUCCESS)
            QCOMPARE(why, u"The device is held by another application"_s);
    }

    void secondInstanceCannotClaim()
    {
        PosPrinter other(*registry, ControlOptions{});
        enablePrinter();
        QCOMPARE(other.Open(sim::kPrinterName), OPOS_SUCCESS);
        QCOMPARE(other.ClaimDevice(0), OPOS_E_TIMEOUT);
        other.SetDeviceEnabled(true);
        QCOMPARE(other.ResultCode(), OPOS_E_NOTCLAIMED);
        QCOMPARE(printer->ReleaseDevice(), OPOS_SUCCESS);
        QVERIFY(!printer->DeviceEnabled());
        QCOMPARE(other.ClaimDevice(0), OPOS_SUCCESS);
    }

    void injectedFailures()
    {
        device().failNextCall({true, 0, 0});
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, printer->Open(sim::kPrinterName));
        QCOMPARE(printer->State(), OPOS_S_CLOSED);
        QVERIFY(!device().pendingFailure());
        enablePrinter();
        device().failNextCall({false, OPOS_E_EXTENDED, OPOS_EPTR_TOOBIG});
        QCOMPARE(printer->PrintNormal(PTR_S_RECEIPT, u"x\n"_s), OPOS_E_EXTENDED);
        QCOMPARE(printer->ResultCodeExtended(), OPOS_EPTR_TOOBIG);
        QCOMPARE(printer->PrintNormal(PTR_S_RECEIPT, u"x\n"_s), OPOS_SUCCESS);
        device().failNextCall({true, 0, 0});
        try {
            printer->CutPaper(100);
            QFAIL("no failure");
        } catch (const std::runtime_error& failure) {
            QVERIFY(QString::fromUtf8(failure.what()).contains(u"injected"_s));
        }
    }

    void realisticSpeedPacesEachPiece()
    {
        auto pacer = std::make_shared<RecordingPacer>();
        device().setPacer(pacer);
        device().setOutputSpeed(sim::OutputSpeed::Realistic);
        enablePrinter();
        printer->PrintNormal(PTR_S_RECEIPT, u"a\nb\n\x1b|3lF"_s);
        printer->CutPaper(100);
        using std::chrono::milliseconds;
        // A feed longer than a printer takes is cut to 255 lines, its time counted in 64 bits.
        printer->PrintNormal(PTR_S_RECEIPT, u"\x1b|999999999lF"_s);
        const std::vector<milliseconds> expected{milliseconds(16), milliseconds(16),
                                                 milliseconds(50), milliseconds(500),
                                                 milliseconds(4250)};
        QVERIFY(pacer->waits == expected);
        QCOMPARE(roll().last(), u"F 255"_s);
    }

    void asynchronousRetryAfterTheCoverIsClosed()
    {
        enablePrinter();
        device().setCoverOpen(true);
        QSignalSpy completed(printer.get(), &PosPrinter::OutputCompleteEvent);
        QList<int> extended;
        connect(printer.get(), &PosPrinter::ErrorEvent, this,
                [this, &extended](int32_t, int32_t ext, int32_t, int32_t* response) {
                    extended << ext;
                    device().setCoverOpen(false); // the person closes the cover, answers retry
                    *response = OPOS_ER_RETRY;
                });
        printer->SetAsyncMode(true);
        QCOMPARE(printer->PrintNormal(PTR_S_RECEIPT, u"late\n"_s), OPOS_SUCCESS);
        QTRY_COMPARE(completed.count(), 1);
        QCOMPARE(extended, QList<int>{OPOS_EPTR_COVER_OPEN});
        QCOMPARE(roll(), QStringList{u"L(late)"_s});
    }

    void directIO()
    {
        enablePrinter();
        device().setPaper(PaperState::NearEnd);
        int32_t data = 0;
        QString text;
        QCOMPARE(printer->DirectIO(1, &data, &text), OPOS_SUCCESS);
        QCOMPARE(data, 2);
        QCOMPARE(text, u"COVER=CLOSED PAPER=NEAREND POWER=ONLINE"_s);
        QSignalSpy echoed(printer.get(), &PosPrinter::DirectIOEvent);
        data = 42;
        text = u"echo"_s;
        QCOMPARE(printer->DirectIO(2, &data, &text), OPOS_SUCCESS);
        QTRY_COMPARE(echoed.count(), 1);
        QCOMPARE(echoed.front().front().toInt(), 2);
        const QString fixed =
            QString::fromLatin1("\x1b-2C", 4) + QChar(0) + u"C\n\n\n\n\n\n\n\x1bi"_s;
        text = fixed;
        QCOMPARE(printer->DirectIO(7, &data, &text), OPOS_SUCCESS);
        QCOMPARE(data, 15);
        device().setCoverOpen(true);
        QCOMPARE(printer->DirectIO(7, &data, &text), OPOS_E_EXTENDED);
    }

    void cashDrawer()
    {
        CashDrawer drawer(*registry, ControlOptions{});
        CashDrawer other(*registry, ControlOptions{});
        QSignalSpy status(&drawer, &CashDrawer::StatusUpdateEvent);
        QCOMPARE(drawer.OpenDrawer(), OPOS_E_CLOSED);
        QCOMPARE(drawer.Open(sim::kCashDrawerName), OPOS_SUCCESS);
        QCOMPARE(drawer.OpenDrawer(), OPOS_E_DISABLED);
        drawer.SetDeviceEnabled(true); // sharable: no claim needed
        QCOMPARE(drawer.ResultCode(), OPOS_SUCCESS);
        QCOMPARE(other.Open(sim::kCashDrawerName), OPOS_SUCCESS);
        QCOMPARE(other.ClaimDevice(100), OPOS_SUCCESS);
        QCOMPARE(drawer.OpenDrawer(), OPOS_E_CLAIMED);
        QCOMPARE(drawer.ClaimDevice(0), OPOS_E_TIMEOUT);
        QCOMPARE(other.Close(), OPOS_SUCCESS);
        QCOMPARE(drawer.OpenDrawer(), OPOS_SUCCESS);
        QVERIFY(drawer.DrawerOpened());
        QTRY_COMPARE(status.count(), 1);
        devices->cashDrawer().closeByHand();
        QTRY_COMPARE(status.count(), 2);
        QCOMPARE(status.at(0).front().toInt(), CASH_SUE_DRAWEROPEN);
        QCOMPARE(status.at(1).front().toInt(), CASH_SUE_DRAWERCLOSED);
        QVERIFY(!drawer.DrawerOpened());
        drawer.SetDeviceEnabled(false);
        QCOMPARE(drawer.OpenDrawer(), OPOS_E_DISABLED);
    }

    void lineDisplay()
    {
        LineDisplay display(*registry, ControlOptions{});
        QCOMPARE(display.DisplayText(u"x"_s, 0), OPOS_E_CLOSED);
        QCOMPARE(display.Open(sim::kLineDisplayName), OPOS_SUCCESS);
        QCOMPARE(display.DeviceRows(), 2);
        QCOMPARE(display.DeviceColumns(), 20);
        display.SetDeviceEnabled(true);
        QCOMPARE(display.ResultCode(), OPOS_E_NOTCLAIMED);
        QCOMPARE(display.ClaimDevice(-3), OPOS_E_ILLEGAL);
        QCOMPARE(display.ClaimDevice(1000), OPOS_SUCCESS);
        QCOMPARE(display.ClearText(), OPOS_E_DISABLED);
        display.SetDeviceEnabled(true);
        QCOMPARE(display.ClearText(), OPOS_SUCCESS);
        QCOMPARE(display.DisplayText(u"QUENTA Text"_s, DISP_DT_NORMAL), OPOS_SUCCESS);
        QCOMPARE(devices->lineDisplay().rows().front(), u"QUENTA Text         "_s);
        for (const int bad : {-1, 4, 99})
            QCOMPARE(display.DisplayText(u"x"_s, bad), OPOS_E_ILLEGAL);
        QCOMPARE(display.DisplayText(u" and more than twenty"_s, DISP_DT_REVERSE), OPOS_SUCCESS);
        QCOMPARE(devices->lineDisplay().rows(),
                 (QStringList{u"QUENTA Text and more"_s, u" than twenty        "_s}));
        QCOMPARE(devices->lineDisplay().attribute(), DISP_DT_REVERSE);
        QCOMPARE(display.Close(), OPOS_SUCCESS);
        QCOMPARE(display.State(), OPOS_S_CLOSED);
    }
};

QTEST_GUILESS_MAIN(TestSimDevices)
#include "test_sim_devices.moc"

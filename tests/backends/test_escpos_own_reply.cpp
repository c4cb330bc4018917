#include "backends/escpos/EscPosTranslator.h"
#include "backends/escpos/Link.h"
#include "opos/OposConstants.h"
#include "opos/Waiter.h"
#include "support/FakeEscPosPrinter.h"

#include <QTest>
#include <thread>

using testing::FakeEscPosPrinter;

// A caller that blocks reads its own reply while the link is idle. What could go wrong there:
// bytes that came before the request (looked for before the first request, told by their
// arrival time after it), a late reply just ahead of a fresh one, bytes that are no reply, the
// connection closing under the reader, a printer that does not answer, and a cancelled call.
class TestEscPosOwnReply : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeEscPosPrinter> fake;
    std::unique_ptr<escpos::Link> link;

    opos::Waiter& waiter() { return link->waiter(true); }

    // Connected, with the reading lent to callers once a first exchange asked for it, and not
    // taken back for want of use.
    void connectLink(bool waitForLending = true)
    {
        link = std::make_unique<escpos::Link>(
            escpos::parseAddress(fake->address()).address,
            escpos::LinkOptions{escpos::StatusWatch::Poll, 60000, 300, 1000, 60000},
            escpos::makeTransport, std::make_shared<opos::BlockingWaiter>());
        QVERIFY(link->attach(QDeadlineTimer(1000), waiter()).ok());
        QVERIFY(link->query(escpos::statusRequest(), {3, 0}, QDeadlineTimer(1000), waiter()).ok());
        if (waitForLending)
            QTRY_VERIFY(link->readingLent());
    }

    escpos::QueryResult line(const QByteArray& text, int timeoutMs = 1000)
    {
        return link->query(escpos::statusRequest() + text + escpos::cmd::transmitPaperStatus(),
                           {3, 1}, QDeadlineTimer(timeoutMs), waiter());
    }

private slots:
    void init() { fake = std::make_unique<FakeEscPosPrinter>(); }
    void cleanup()
    {
        link.reset();
        fake.reset();
    }

    void linesAreConfirmedOneByOne()
    {
        connectLink();
        for (int i = 0; i < 200; ++i)
            QVERIFY(line(QByteArray::number(i) + '\n').ok());
        QCOMPARE(fake->lines().size(), 200);
        QCOMPARE(fake->lines().last(), QStringLiteral("199"));
    }

    void inputThatCameUnaskedIsNoReply_data()
    {
        QTest::addColumn<int>("linesBefore");
        QTest::newRow("first line on the connection") << 0;
        QTest::newRow("arrival times known") << 3;
    }

    void inputThatCameUnaskedIsNoReply()
    {
        // Four bytes that look like the whole answer to a line come before the line is sent;
        // the printer then answers nothing.
        QFETCH(int, linesBefore);
        connectLink();
        for (int i = 0; i < linesBefore; ++i)
            QVERIFY(line("before\n").ok());
        fake->setSilent(true);
        fake->sendUnasked(QByteArray("\x12\x12\x12\x00", 4));
        const escpos::QueryResult reply = line("one\n", 400);
        QCOMPARE(reply.code, opos::OPOS_E_TIMEOUT);
        QVERIFY(reply.realTime.isEmpty());
        fake->setSilent(false);
        QVERIFY(line("two\n").ok());
    }

    void aLateConfirmationJustAheadOfTheAnswerConfirmsNothing()
    {
        // A transmit status saying the paper ran out comes in the same write as the answer to
        // the next line, in front of it: that line is confirmed by its own answer, which says
        // the paper is fine.
        connectLink();
        QVERIFY(line("before\n").ok());
        fake->sendAheadOfNextAnswer(QByteArray("\x0c"));
        const escpos::QueryResult reply = line("one\n");
        QVERIFY2(reply.ok(), qPrintable(reply.text));
        QCOMPARE(reply.realTime, QByteArray("\x12\x12\x12"));
        QCOMPARE(reply.transmit, QByteArray(1, '\0'));
        QVERIFY(line("two\n").ok());
    }

    void repliesAmongStatusFramesStillCount()
    {
        // A printer that sends status frames without pause, between and inside the replies.
        fake->setChatty(true);
        connectLink(false);
        for (int i = 0; i < 50; ++i) {
            const escpos::QueryResult reply = line("chatter\n");
            QVERIFY2(reply.ok(), qPrintable(reply.text));
            QCOMPARE(reply.realTime, QByteArray("\x12\x12\x12"));
            QCOMPARE(reply.transmit, QByteArray(1, '\0'));
        }
        QCOMPARE(fake->lines().size(), 50);
    }

    void closingUnderAReaderEndsItsWait()
    {
        // The caller waits for a confirmation the printer holds back while the connection is
        // closed: it hears why at once, and the link's sockets stay its own.
        connectLink();
        fake->holdReplies(true);
        escpos::QueryResult held;
        std::thread caller([&] { held = line("held\n", 60000); });
        QTRY_COMPARE(fake->transmitRequests(), 1);
        link->detach();
        caller.join();
        QCOMPARE(held.failure, escpos::ReplyFailure::Offline);
        QCOMPARE(held.code, opos::OPOS_E_OFFLINE);

        fake->holdReplies(false);
        QVERIFY(link->attach(QDeadlineTimer(1000), waiter()).ok());
        QVERIFY(line("again\n").ok());
        QVERIFY(fake->lines().contains(QStringLiteral("again")));
    }

    void aSilentPrinterTimesTheReaderOut()
    {
        // The reader sleeps in the read itself: the time-out still ends it, and the link goes
        // on once the printer answers again.
        connectLink();
        fake->setSilent(true);
        const escpos::QueryResult reply = line("unanswered\n", 300);
        QCOMPARE(reply.code, opos::OPOS_E_TIMEOUT);
        fake->setSilent(false);
        QVERIFY(line("answered\n").ok());
        QVERIFY(fake->lines().contains(QStringLiteral("answered")));
    }

    void cancellingTheCallEndsTheReadersWait()
    {
        connectLink();
        fake->holdReplies(true);
        escpos::QueryResult held;
        std::thread caller([&] {
            const opos::Waiter::Call call(waiter());
            held = line("held\n", 60000);
        });
        QTRY_COMPARE(fake->transmitRequests(), 1);
        waiter().cancelCall();
        caller.join();
        QCOMPARE(held.code, opos::OPOS_E_TIMEOUT);

        fake->holdReplies(false);
        QVERIFY(line("after\n").ok());
        QVERIFY(fake->lines().contains(QStringLiteral("after")));
    }
};

QTEST_GUILESS_MAIN(TestEscPosOwnReply)
#include "test_escpos_own_reply.moc"

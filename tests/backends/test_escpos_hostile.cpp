#include "backends/escpos/Link.h"
#include "backends/escpos/ReadThrottle.h"
#include "backends/escpos/Resolvers.h"
#include "opos/DeviceRegistry.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "support/ReplyingTransport.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using testing::ReplyingTransport;
using testing::ReplyScript;

namespace {

const QString kAddress =
    QStringLiteral("tcp://printer.test?statusTimeout=300&jobTimeout=300&pollInterval=60000");

QString errorString(const opos::PosPrinter& printer)
{
    return printer.GetPropertyString(QStringLiteral("ErrorString"));
}

} // namespace

// The ESC/POS link and its control object against hostile devices: late, garbage, endless,
// flooding and one-way.
class TestEscPosHostile : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<ReplyScript> script;
    std::unique_ptr<opos::DeviceRegistry> registry;
    std::unique_ptr<opos::PosPrinter> printer;

    void openPrinter(const QString& address = kAddress)
    {
        printer = std::make_unique<opos::PosPrinter>(*registry, opos::ControlOptions{});
        QCOMPARE(printer->Open(address), opos::OPOS_SUCCESS);
        QCOMPARE(printer->ClaimDevice(1000), opos::OPOS_SUCCESS);
    }

    void enablePrinter(const QString& address = kAddress)
    {
        openPrinter(address);
        printer->SetDeviceEnabled(true);
        QVERIFY2(printer->DeviceEnabled(), qPrintable(errorString(*printer)));
    }

private slots:
    void init()
    {
        script = std::make_shared<ReplyScript>();
        registry = std::make_unique<opos::DeviceRegistry>();
        escpos::addResolvers(*registry, QString(), ReplyingTransport::factory(script));
    }

    void cleanup()
    {
        printer.reset();
        registry.reset();
    }

    void lateConfirmationNeverConfirmsALaterLine()
    {
        // The first confirmation comes only once the next line asked for its own, on the
        // connection it was asked on; later ones never come.
        script->transmit = ReplyScript::Transmit::FirstLateThenNever;
        enablePrinter();
        QCOMPARE(printer->PrintNormal(opos::PTR_S_RECEIPT, QStringLiteral("one\n")),
                 opos::OPOS_E_TIMEOUT);
        QCOMPARE(printer->PrintNormal(opos::PTR_S_RECEIPT, QStringLiteral("two\n")),
                 opos::OPOS_E_TIMEOUT);
        {
            std::lock_guard lock(script->mutex);
            QCOMPARE(script->opens, 2); // the link connected afresh before trusting a reply
            QVERIFY(script->written.contains("two"));
            script->transmit = ReplyScript::Transmit::AtOnce;
        }
        QCOMPARE(printer->PrintNormal(opos::PTR_S_RECEIPT, QStringLiteral("three\n")),
                 opos::OPOS_SUCCESS);
    }

    void lateConfirmationNeverCompletesALaterAsyncLine()
    {
        script->transmit = ReplyScript::Transmit::FirstLateThenNever;
        enablePrinter();
        QList<int32_t> errors;
        connect(printer.get(), &opos::PosPrinter::ErrorEvent, this,
                [&errors](int32_t code, int32_t, int32_t, int32_t* response) {
                    errors.append(code);
                    *response = opos::OPOS_ER_CLEAR;
                });
        QSignalSpy completed(printer.get(), &opos::PosPrinter::OutputCompleteEvent);
        printer->SetAsyncMode(true);
        QCOMPARE(printer->PrintNormal(opos::PTR_S_RECEIPT, QStringLiteral("one\n")),
                 opos::OPOS_SUCCESS);
        QTRY_COMPARE(errors.size(), 1);
        QCOMPARE(printer->PrintNormal(opos::PTR_S_RECEIPT, QStringLiteral("two\n")),
                 opos::OPOS_SUCCESS);
        QTRY_COMPARE(errors.size(), 2);
        QCOMPARE(errors, (QList<int32_t>{opos::OPOS_E_TIMEOUT, opos::OPOS_E_TIMEOUT}));
        QVERIFY(completed.isEmpty());
    }

    void garbageIsQuotedInsteadOfSilence()
    {
        script->statusAnswer = QByteArray("\x3f\x00\x41", 3);
        openPrinter();
        printer->SetDeviceEnabled(true);
        QVERIFY(!printer->DeviceEnabled());
        // Three status requests, each answered with the same three bytes.
        QCOMPARE(errorString(*printer),
                 QStringLiteral("the printer answered 9 bytes that are not a status reply: "
                                "3F 00 41 3F 00 41 3F 00 41"));
    }

    void trickleSaysHowMuchCame()
    {
        // Of three status requests only the first is answered.
        script->statusAnswers = 1;
        openPrinter();
        printer->SetDeviceEnabled(true);
        QVERIFY(!printer->DeviceEnabled());
        QCOMPARE(
            errorString(*printer),
            QStringLiteral("the printer answered only 1 of the 3 bytes of a status reply: 12"));
    }

    void endlessDeviceIsReadAtABoundedRate()
    {
        // Nothing but zeros, as from /dev/zero: the link pauses reading instead of spinning,
        // and once a second has passed says what the device does.
        script->endless = QByteArray(1, '\0');
        escpos::Link link(
            escpos::parseAddress(kAddress).address, {escpos::StatusWatch::None, 60000, 300, 1000},
            ReplyingTransport::factory(script), std::make_shared<opos::BlockingWaiter>());
        opos::BlockingWaiter waiter;
        QVERIFY(link.attach(QDeadlineTimer(1000), waiter).ok());
        const escpos::QueryResult reply =
            link.query(escpos::statusRequest(), {3, 0}, QDeadlineTimer(1500), waiter);
        QCOMPARE(reply.code, opos::OPOS_E_TIMEOUT);
        QVERIFY2(reply.text.startsWith(u"the device sends data nobody asked for: "),
                 qPrintable(reply.text));
        {
            // Not held across detach(): the link's thread takes it to stop reading.
            std::lock_guard lock(script->mutex);
            QVERIFY(script->pauses > 0);
        }
        link.detach();
    }

    void throttleBoundsEachSliceAndComplainsOncePerSecond()
    {
        qint64 now = 0;
        escpos::ReadThrottle throttle([&now] { return now; });
        const qint64 slices = 1000 / escpos::ReadThrottle::kSliceMs;
        for (qint64 slice = 0; slice < slices; ++slice) {
            QCOMPARE(throttle.allowance(), escpos::ReadThrottle::kBytesPerSlice);
            throttle.took(escpos::ReadThrottle::kBytesPerSlice);
            QCOMPARE(throttle.allowance(), 0);
            QCOMPARE(throttle.resumeInMs(), escpos::ReadThrottle::kSliceMs);
            QVERIFY(throttle.complaint().isEmpty());
            now += escpos::ReadThrottle::kSliceMs;
        }
        QCOMPARE(throttle.complaint(),
                 QStringLiteral("the device sends data nobody asked for: 655.4 kB in 1 s"));
        // A quiet second ends the complaint.
        now += 1000;
        QVERIFY(throttle.complaint().isEmpty());
    }

    void statusFloodIsFoldedAndSaidSo()
    {
        // Automatic status frames flipping the cover open and closed without pause.
        script->floodOnWatch = QByteArray("\x10\x00\x00\x00\x30\x00\x00\x00", 8);
        enablePrinter(kAddress + QStringLiteral("&status=asb"));
        QSignalSpy notShown(printer.get(), &opos::PosPrinter::StatusChangesNotShown);
        QSignalSpy events(printer.get(), &opos::PosPrinter::StatusUpdateEvent);
        QTRY_VERIFY_WITH_TIMEOUT(!notShown.isEmpty(), 10000);
        const QString note = notShown.first().first().toString();
        QVERIFY2(QRegularExpression(QStringLiteral("^… [0-9,]+ status changes in [0-9.]+ s not "
                                                   "shown$"))
                     .match(note)
                     .hasMatch(),
                 qPrintable(note));
        QVERIFY(!events.isEmpty());
        // Only cover events: the newest state of the one kind that changed.
        for (const QVariantList& event : events) {
            const int32_t data = event.first().toInt();
            QVERIFY(data == opos::PTR_SUE_COVER_OPEN || data == opos::PTR_SUE_COVER_OK);
        }
    }

    void fifoIsOneWayAndItsReaderMayLeave()
    {
        // The real transports: nobody says status=none, and SIGPIPE keeps its default action.
        registry = std::make_unique<opos::DeviceRegistry>();
        escpos::addResolvers(*registry, QString());
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("printer.fifo"));
        QCOMPARE(::mkfifo(path.toLocal8Bit().constData(), 0600), 0);
        int reader = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        QVERIFY(reader >= 0);
        enablePrinter(QStringLiteral("file://") + path);
        QCOMPARE(printer->PrintNormal(opos::PTR_S_RECEIPT, QStringLiteral("one\n")),
                 opos::OPOS_SUCCESS);
        ::close(reader);
        QVERIFY(printer->PrintNormal(opos::PTR_S_RECEIPT, QStringLiteral("two\n")) !=
                opos::OPOS_SUCCESS);
        QVERIFY2(errorString(*printer).contains(u"the reading side went away"),
                 qPrintable(errorString(*printer)));
    }
};

QTEST_GUILESS_MAIN(TestEscPosHostile)
#include "test_escpos_hostile.moc"

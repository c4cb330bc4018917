#include "backends/escpos/DeviceErrors.h"
#include "backends/escpos/Resolvers.h"
#include "opos/DeviceRegistry.h"
#include "opos/OposConstants.h"
#include "support/FakeEscPosPrinter.h"

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>
#include <fcntl.h>
#include <future>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

using testing::FakeEscPosPrinter;
using Event = FakeEscPosPrinter::Event;
using Kind = FakeEscPosPrinter::Event::Kind;

namespace {

constexpr auto kSync = opos::OutputMode::Synchronous;
constexpr auto kAsync = opos::OutputMode::Asynchronous; // as from the output worker

// Short time-outs keep the silent-printer cases quick.
const QString kFast =
    QStringLiteral("connectTimeout=1000&statusTimeout=300&jobTimeout=1000&pollInterval=30");

class RecordingListener : public opos::PrinterBackendListener,
                          public opos::CashDrawerBackendListener
{
public:
    void statusChanged(const opos::PrinterStatus& status) override
    {
        std::lock_guard lock(m_mutex);
        m_statuses.append(status);
    }
    void directIOEvent(int32_t, int32_t, const QString&) override {}
    void drawerChanged(bool open) override
    {
        std::lock_guard lock(m_mutex);
        m_drawer.append(open);
    }
    opos::PrinterStatus last() const
    {
        std::lock_guard lock(m_mutex);
        return m_statuses.isEmpty() ? opos::PrinterStatus{} : m_statuses.last();
    }
    QList<bool> drawer() const
    {
        std::lock_guard lock(m_mutex);
        return m_drawer;
    }

private:
    mutable std::mutex m_mutex;
    QList<opos::PrinterStatus> m_statuses;
    QList<bool> m_drawer;
};

QList<Event> eventsOf(const FakeEscPosPrinter& fake, Kind kind)
{
    QList<Event> found;
    for (const Event& event : fake.events()) {
        if (event.kind == kind)
            found.append(event);
    }
    return found;
}

} // namespace

// The ESC/POS printer and drawer backends against a fake printer on the loopback interface.
class TestEscPosPrinter : public QObject
{
    Q_OBJECT

private:
    FakeEscPosPrinter* fake = nullptr;
    opos::DeviceRegistry registry;
    std::unique_ptr<RecordingListener> listener;

    std::unique_ptr<opos::PrinterBackend> openPrinter(const QString& extra = {})
    {
        // Settings in `extra` take the place of the quick defaults.
        QUrlQuery merged(kFast);
        for (const auto& [key, value] : QUrlQuery(extra).queryItems()) {
            merged.removeAllQueryItems(key);
            merged.addQueryItem(key, value);
        }
        const QString query = merged.toString();
        auto lookup = registry.findPrinter(fake->address(query));
        if (!lookup.backend)
            qFatal("no backend: %s", qPrintable(lookup.reason));
        lookup.backend->setListener(listener.get());
        if (!lookup.backend->open().ok())
            qFatal("open failed");
        return std::move(lookup.backend);
    }

    std::unique_ptr<opos::PrinterBackend> enabledPrinter(const QString& extra = {})
    {
        auto printer = openPrinter(extra);
        const auto claimed = printer->claim(0);
        const auto enabled = printer->enable();
        if (!claimed.ok() || !enabled.ok())
            qFatal("claim/enable failed: %s %s", qPrintable(claimed.text),
                   qPrintable(enabled.text));
        return printer;
    }

private slots:
    void init()
    {
        fake = new FakeEscPosPrinter;
        listener = std::make_unique<RecordingListener>();
    }

    void cleanup()
    {
        delete fake;
        fake = nullptr;
    }

    void initTestCase() { escpos::addResolvers(registry, QString()); }

    void unreachablePrinterIsNoHardware()
    {
        fake->stopListening();
        auto printer = openPrinter();
        const auto result = printer->claim(1000);
        QCOMPARE(result.code, opos::OPOS_E_NOHARDWARE);
        QVERIFY(!result.text.isEmpty());
    }

    void enableInitialisesAndReadsStatus()
    {
        fake->setCoverOpen(true);
        auto printer = enabledPrinter(QStringLiteral("codeTables=437:3"));
        const QList<Event> events = fake->events();
        QVERIFY(events.size() >= 2);
        QCOMPARE(events[0].kind, Kind::Init);
        QCOMPARE(events[1], (Event{Kind::CodeTable, {}, 3}));
        QVERIFY(fake->statusRequests() >= 3);
        QVERIFY(printer->status().coverOpen);
    }

    void syncPrintIsConfirmed()
    {
        auto printer = enabledPrinter();
        fake->clear();
        QVERIFY(
            printer->print(opos::PTR_S_RECEIPT, QStringLiteral("Hello\x1b|bC bold\n"), kSync).ok());
        QCOMPARE(fake->lines(), QStringList{QStringLiteral("Hello bold")});
        QCOMPARE(eventsOf(*fake, Kind::Style).value(0).data, QByteArray("\x1b\x45\x01"));
        // Status before, the text, bold off again at the end of the call, then the
        // transmit-status request that confirms it.
        const QByteArray received = fake->received();
        QVERIFY(received.startsWith(QByteArray("\x10\x04\x01", 3)));
        QVERIFY(received.endsWith(QByteArray("\n\x1b\x45\x00\x1dr\x01", 7)));
        QCOMPARE(printer->print(opos::PTR_S_JOURNAL, QStringLiteral("x"), kSync).code,
                 opos::OPOS_E_ILLEGAL);
    }

    void syncOutputErrors_data()
    {
        QTest::addColumn<QString>("condition");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("extended");
        QTest::newRow("cover open")
            << "cover" << opos::OPOS_E_EXTENDED << opos::OPOS_EPTR_COVER_OPEN;
        QTest::newRow("paper out") << "paper" << opos::OPOS_E_EXTENDED << opos::OPOS_EPTR_REC_EMPTY;
        QTest::newRow("offline") << "offline" << opos::OPOS_E_OFFLINE << 0;
        QTest::newRow("silent") << "silent" << opos::OPOS_E_TIMEOUT << 0;
    }

    void syncOutputErrors()
    {
        QFETCH(QString, condition);
        QFETCH(int, code);
        QFETCH(int, extended);
        auto printer = enabledPrinter();
        if (condition == QLatin1String("cover"))
            fake->setCoverOpen(true);
        else if (condition == QLatin1String("paper"))
            fake->setPaper(FakeEscPosPrinter::Paper::Empty);
        else if (condition == QLatin1String("offline"))
            fake->setOffline(true);
        else
            fake->setSilent(true);
        for (const bool cut : {false, true}) {
            const auto result =
                cut ? printer->cutPaper(100, kSync)
                    : printer->print(opos::PTR_S_RECEIPT, QStringLiteral("x\n"), kSync);
            QCOMPARE(result.code, code);
            QCOMPARE(result.extended, extended);
            QVERIFY(!result.text.isEmpty());
        }
        if (condition == QLatin1String("silent")) {
            // It may have printed; the technician learns why nothing confirmed it.
            const auto result = printer->print(opos::PTR_S_RECEIPT, QStringLiteral("x\n"), kSync);
            QCOMPARE(result.text, QStringLiteral("no answer to a status request within 300 ms: if "
                                                 "this printer is one-way, add ?status=none to "
                                                 "its address"));
            return;
        }
        // A printer that cannot print holds what it got.
        QVERIFY(fake->lines().isEmpty());
        QVERIFY(eventsOf(*fake, Kind::Cut).isEmpty());
    }

    void outputStoppedMidwayTimesOut()
    {
        // The paper runs out after the status check: the confirmation never comes, and the
        // follow-up status query explains why.
        auto printer = enabledPrinter();
        fake->setPaperRunsOutAfter(1);
        const auto result = printer->print(opos::PTR_S_RECEIPT, QStringLiteral("x\n"), kSync);
        QCOMPARE(result.code, opos::OPOS_E_EXTENDED);
        QCOMPARE(result.extended, opos::OPOS_EPTR_REC_EMPTY);
    }

    void statusChangesReachTheListener_data()
    {
        QTest::addColumn<QString>("watch");
        QTest::newRow("polling") << "poll";
        QTest::newRow("automatic status back") << "asb";
    }

    void statusChangesReachTheListener()
    {
        QFETCH(QString, watch);
        auto printer = enabledPrinter(QStringLiteral("status=") + watch);
        if (watch == QLatin1String("asb"))
            QTRY_COMPARE(eventsOf(*fake, Kind::AutoStatus).value(0).a, 0x0F);
        fake->setCoverOpen(true);
        QTRY_VERIFY(listener->last().coverOpen);
        QCOMPARE(listener->last().power, opos::PowerState::Online);
        fake->setCoverOpen(false);
        fake->setPaper(FakeEscPosPrinter::Paper::NearEnd);
        QTRY_COMPARE(listener->last().receiptPaper, opos::PaperState::NearEnd);
        QVERIFY(!listener->last().coverOpen);
        fake->setPaper(FakeEscPosPrinter::Paper::Empty);
        QTRY_COMPARE(listener->last().receiptPaper, opos::PaperState::Empty);
        fake->setPaper(FakeEscPosPrinter::Paper::Ok);
        fake->setOffline(true);
        QTRY_COMPARE(listener->last().power, opos::PowerState::Offline);
        fake->setOffline(false);
        QTRY_COMPARE(listener->last().power, opos::PowerState::Online);
        QCOMPARE(printer->status(), listener->last());
        printer->disable();
        if (watch == QLatin1String("asb"))
            QTRY_COMPARE(eventsOf(*fake, Kind::AutoStatus).last().a, 0);
    }

    void silentPrinterGoesOffOffline()
    {
        auto printer = enabledPrinter();
        fake->setSilent(true);
        QTRY_COMPARE(listener->last().power, opos::PowerState::OffOffline);
        fake->setSilent(false);
        QTRY_COMPARE(listener->last().power, opos::PowerState::Online);
    }

    void printerThatComesBackPrintsAgain()
    {
        // Switched off and on again: the next line connects once more, initialises the printer
        // and prints, without Close and Open; the status says it is back.
        auto printer = enabledPrinter(QStringLiteral("pollInterval=60000"));
        fake->dropConnections();
        QTRY_COMPARE(listener->last().power, opos::PowerState::OffOffline);
        fake->clear();
        QVERIFY(printer->print(opos::PTR_S_RECEIPT, QStringLiteral("again\n"), kSync).ok());
        QCOMPARE(fake->connectionCount(), 2);
        QCOMPARE(fake->lines(), QStringList{QStringLiteral("again")});
        QCOMPARE(fake->events().value(0).kind, Kind::Init);
        QTRY_COMPARE(listener->last().power, opos::PowerState::Online);

        // Gone for good: the reason names the address.
        fake->stopListening();
        fake->dropConnections();
        QTRY_COMPARE(listener->last().power, opos::PowerState::OffOffline);
        const auto gone = printer->print(opos::PTR_S_RECEIPT, QStringLiteral("x\n"), kSync);
        QCOMPARE(gone.code, opos::OPOS_E_OFFLINE);
        QVERIFY2(gone.text.contains(
                     QStringLiteral("connection refused by 127.0.0.1:%1").arg(fake->port())),
                 qPrintable(gone.text));
    }

    void lineRacingADroppedConnectionEndsAtOnce()
    {
        // The printer drops the connection just before a line goes out with nothing else on its
        // way: the line ends as soon as the link learns of it, with the reason, not after its
        // time-out; and the printer prints again once it is back.
        auto printer = enabledPrinter(QStringLiteral("jobTimeout=60000&pollInterval=60000"));
        for (int i = 0; i < 10; ++i) {
            QTRY_VERIFY(
                printer->print(opos::PTR_S_RECEIPT, QStringLiteral("before\n"), kSync).ok());
            fake->dropConnections();
            const auto racing =
                printer->print(opos::PTR_S_RECEIPT, QStringLiteral("racing\n"), kSync);
            QVERIFY2(racing.ok() || racing.code == opos::OPOS_E_OFFLINE, qPrintable(racing.text));
        }
        QTRY_VERIFY(printer->print(opos::PTR_S_RECEIPT, QStringLiteral("after\n"), kSync).ok());
    }

    void pollingBringsAWatchedPrinterBack()
    {
        auto printer = enabledPrinter();
        fake->dropConnections();
        QTRY_COMPARE(fake->connectionCount(), 2);
        QTRY_COMPARE(listener->last().power, opos::PowerState::Online);
    }

    void lateConfirmationConfirmsNothing()
    {
        // Each transmit-status reply comes after its request gave up: no line may be taken as
        // confirmed by the reply meant for the one before.
        auto printer = enabledPrinter(QStringLiteral("jobTimeout=200&pollInterval=60000"));
        fake->holdReplies(true);
        // Sent and not confirmed, or held back because the printer still owes an answer.
        const QStringList reasons{
            QStringLiteral("the printer did not confirm the line within 200 ms; it may still "
                           "print"),
            QStringLiteral("the printer has not answered an earlier request yet; this one was "
                           "not sent")};
        auto result = printer->print(opos::PTR_S_RECEIPT, QStringLiteral("x\n"), kSync);
        QCOMPARE(result.code, opos::OPOS_E_TIMEOUT);
        QCOMPARE(result.text, reasons[0]);
        for (int i = 0; i < 4; ++i) {
            // One held reply is released while this line waits for its own: the one meant for
            // the line before, or this line's when the printer already has it. The line may
            // succeed only on its own reply.
            auto released = std::async(std::launch::async, [this] { return fake->releaseReply(); });
            result = printer->print(opos::PTR_S_RECEIPT, QStringLiteral("x\n"), kSync);
            const int answered = released.get();
            if (result.ok()) {
                QCOMPARE(answered, fake->transmitRequests());
                continue;
            }
            QCOMPARE(result.code, opos::OPOS_E_TIMEOUT);
            QVERIFY2(reasons.contains(result.text), qPrintable(result.text));
        }
        fake->holdReplies(false);
        QTRY_VERIFY(printer->print(opos::PTR_S_RECEIPT, QStringLiteral("y\n"), kSync).ok());
    }

    void asyncOutputStreamsWithoutConfirmation()
    {
        auto printer = enabledPrinter();
        fake->clear();
        auto worker = std::async(std::launch::async, [&printer] {
            for (int i = 0; i < 200; ++i) {
                const auto result =
                    printer->print(opos::PTR_S_RECEIPT, QStringLiteral("line %1\n").arg(i), kAsync);
                if (!result.ok())
                    return result;
            }
            return printer->cutPaper(90, kAsync);
        });
        QVERIFY(worker.get().ok());
        QTRY_COMPARE(fake->lines().size(), 200);
        QCOMPARE(fake->lines().last(), QStringLiteral("line 199"));
        QTRY_COMPARE(eventsOf(*fake, Kind::Cut).size(), 1);
        QVERIFY(!fake->received().contains(QByteArray("\x1dr", 2)));

        // The worker sees the watched status: a cover opened since refuses the next request.
        fake->setCoverOpen(true);
        QTRY_VERIFY(printer->status().coverOpen);
        const auto refused =
            std::async(std::launch::async, [&printer] {
                return printer->print(opos::PTR_S_RECEIPT, QStringLiteral("late\n"), kAsync);
            }).get();
        QCOMPARE(refused.code, opos::OPOS_E_EXTENDED);
        QCOMPARE(refused.extended, opos::OPOS_EPTR_COVER_OPEN);
    }

    void cutsFullOrPartial_data()
    {
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("full");
        QTest::newRow("100 full") << 100 << 1;
        QTest::newRow("90 partial") << 90 << 0;
        QTest::newRow("0 partial") << 0 << 0;
    }

    void cutsFullOrPartial()
    {
        QFETCH(int, percent);
        QFETCH(int, full);
        auto printer = enabledPrinter(QStringLiteral("cutFeed=3"));
        QVERIFY(printer->cutPaper(percent, kSync).ok());
        QCOMPARE(eventsOf(*fake, Kind::Cut), (QList<Event>{{Kind::Cut, {}, full, 3}}));
    }

    void directIO()
    {
        auto printer = enabledPrinter();
        fake->clear();
        QString text = QStringLiteral("\x1b-2C");
        text += QChar(0);
        text += QStringLiteral("C\n\n\n\n\n\n\n\x1bi");
        int32_t data = 7;
        QVERIFY(printer->directIO(1, &data, &text).ok());
        // Status polls may come in between; everything else is the string, byte for byte.
        const auto withoutPolls = [this] {
            QByteArray bytes = fake->received();
            for (const char n : {'\x01', '\x02', '\x04'})
                bytes.replace(QByteArray(QByteArray("\x10\x04", 2) + n), QByteArray());
            return bytes;
        };
        QTRY_COMPARE(withoutPolls(), QByteArray("\x1b-2C\0C\n\n\n\n\n\n\n\x1bi", 15));
        QCOMPARE(data, 7);

        fake->setCoverOpen(true);
        data = 2;
        QVERIFY(printer->directIO(2, &data, &text).ok());
        QCOMPARE(data, 0x16);

        QString wide = QStringLiteral("\u20ac");
        QCOMPARE(printer->directIO(1, &data, &wide).code, opos::OPOS_E_ILLEGAL);
        data = 0;
        QCOMPARE(printer->directIO(2, &data, &text).code, opos::OPOS_E_ILLEGAL);
        QCOMPARE(printer->directIO(3, &data, &text).code, opos::OPOS_E_ILLEGAL);
        fake->setSilent(true);
        data = 1;
        QCOMPARE(printer->directIO(2, &data, &text).code, opos::OPOS_E_TIMEOUT);
    }

    void characterSetSelectsTheCodeTable()
    {
        auto printer = enabledPrinter();
        QVERIFY(printer->setDeviceProperty(QStringLiteral("CharacterSet"), 1252).ok());
        QTRY_COMPARE(eventsOf(*fake, Kind::CodeTable).last().a, 16);
        QVERIFY(printer->print(opos::PTR_S_RECEIPT, QStringLiteral("\u20ac5\n"), kSync).ok());
        QCOMPARE(eventsOf(*fake, Kind::Line).last().data, QByteArray("\x80"
                                                                     "5"));
        QCOMPARE(printer->setDeviceProperty(QStringLiteral("CharacterSet"), 852).code,
                 opos::OPOS_E_ILLEGAL);
        QCOMPARE(printer->deviceProperties().value(QStringLiteral("CharacterSet")).toInt(), 1252);
        QVERIFY(printer->setDeviceProperty(QStringLiteral("RecLineChars"), 64).ok());
        QTRY_COMPARE(eventsOf(*fake, Kind::Style).last().data, QByteArray("\x1bM\x01"));
    }

    void drawerSharesThePrinterConnection()
    {
        auto printer = enabledPrinter();
        auto lookup = registry.findCashDrawer(fake->address(
            kFast + QStringLiteral("&drawerPin=5&drawerOnTime=120&drawerOffTime=240")));
        QVERIFY(lookup.backend);
        auto& drawer = *lookup.backend;
        drawer.setListener(listener.get());
        QVERIFY(drawer.open().ok());
        QVERIFY(drawer.claim(1000).ok());
        QVERIFY(drawer.enable().ok());
        QVERIFY(!drawer.drawerOpened());
        // Success means the printer has the pulse, not merely the system's send buffer.
        QVERIFY(drawer.openDrawer().ok());
        QCOMPARE(eventsOf(*fake, Kind::Pulse), (QList<Event>{{Kind::Pulse, {}, 1, 60, 120}}));
        QCOMPARE(fake->connectionCount(), 1);
        fake->setDrawerHigh(true);
        QTRY_VERIFY(drawer.drawerOpened());
        QCOMPARE(listener->drawer(), QList<bool>{true});
        fake->setDrawerHigh(false);
        QTRY_COMPARE(listener->drawer(), (QList<bool>{true, false}));
        drawer.disable();
        drawer.release();
        drawer.close();
        // The printer keeps its connection when the drawer lets go.
        QVERIFY(printer->print(opos::PTR_S_RECEIPT, QStringLiteral("still here\n"), kSync).ok());
    }

    void stalledDeviceFileIsBoundedAndAbortable()
    {
        // A device file that soon takes no more data: a terminal whose other side never reads.
        QList<int> masters;
        const auto closeMasters = qScopeGuard([&masters] {
            for (const int master : masters)
                ::close(master);
        });
        const auto terminal = [&masters] {
            const int master = posix_openpt(O_RDWR | O_NOCTTY);
            if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
                qFatal("no pseudo terminal");
            masters.append(master);
            return QString::fromLocal8Bit(ptsname(master));
        };
        const QString path = terminal();
        auto lookup =
            registry.findPrinter(QStringLiteral("file://%1?status=none&jobTimeout=300").arg(path));
        QVERIFY2(lookup.backend, qPrintable(lookup.reason));
        auto& printer = *lookup.backend;
        QVERIFY(printer.open().ok());
        QVERIFY(printer.claim(0).ok());
        QVERIFY(printer.enable().ok());
        const QString big(400 * 1024, QLatin1Char('x'));
        QCOMPARE(printer.print(opos::PTR_S_RECEIPT, big, kSync).code, opos::OPOS_E_TIMEOUT);
        printer.close();

        // Asynchronous output waiting for room ends when the output is cleared, long before
        // its time-out could end it (that would say E_TIMEOUT).
        auto patient = registry.findPrinter(
            QStringLiteral("file://%1?status=none&jobTimeout=600000").arg(terminal()));
        auto& slow = *patient.backend;
        QVERIFY(slow.open().ok() && slow.claim(0).ok() && slow.enable().ok());
        auto worker = std::async(std::launch::async, [&slow, &big] {
            opos::DeviceResult result;
            for (int i = 0; i < 50 && result.ok(); ++i)
                result = slow.print(opos::PTR_S_RECEIPT, big, kAsync);
            return result;
        });
        QTRY_VERIFY((slow.abortOutput(),
                     worker.wait_for(std::chrono::seconds(0)) == std::future_status::ready));
        QCOMPARE(worker.get().code, opos::OPOS_E_FAILURE);
        slow.close();
    }

    void deviceFiles_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("claimCode");
        QTest::addColumn<int>("enableCode");
        QTest::addColumn<QString>("reason");
        const QString silence = QStringLiteral("no answer to a status request within 300 ms");
        QTest::newRow("zeros, one-way") << "/dev/zero?status=none" << 0 << 0 << QString();
        // Endless zeros are no status replies; memory stays bounded while they are read.
        QTest::newRow("zeros, two-way")
            << "/dev/zero?statusTimeout=300" << 0 << opos::OPOS_E_TIMEOUT << "the printer answered";
        QTest::newRow("null, one-way") << "/dev/null?status=none" << 0 << 0 << QString();
        // End of file stops reading instead of spinning; the silence has its reason.
        QTest::newRow("null, two-way")
            << "/dev/null?statusTimeout=300" << 0 << opos::OPOS_E_TIMEOUT << silence;
        QTest::newRow("directory")
            << "DIR" << opos::OPOS_E_NOHARDWARE << 0 << "DIR is a directory, not a device";
        QTest::newRow("regular file") << "DIR/file" << opos::OPOS_E_NOHARDWARE << 0
                                      << "DIR/file is a regular file, not a device";
        QTest::newRow("missing") << "/dev/no-printer-here" << opos::OPOS_E_NOHARDWARE << 0
                                 << "no such device: /dev/no-printer-here";
        QTest::newRow("FIFO nobody reads")
            << "DIR/fifo" << opos::OPOS_E_NOHARDWARE << 0 << "nobody reads the FIFO DIR/fifo";
        QTest::newRow("FIFO with a reader") << "DIR/fifo?status=none READ" << 0 << 0 << QString();
        // A FIFO cannot answer: it is one-way without being told.
        QTest::newRow("FIFO with a reader, one-way by nature")
            << "DIR/fifo READ" << 0 << 0 << QString();
    }

    void deviceFiles()
    {
        QFETCH(QString, address);
        QFETCH(int, claimCode);
        QFETCH(int, enableCode);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("fifo"));
        QVERIFY(::mkfifo(fifo.toLocal8Bit().constData(), 0600) == 0);
        QFile file(dir.filePath(QStringLiteral("file")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        int reader = -1;
        const auto closeReader = qScopeGuard([&reader] {
            if (reader >= 0)
                ::close(reader);
        });
        if (address.endsWith(QLatin1String(" READ"))) {
            address.chop(5);
            reader = ::open(fifo.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK);
        }
        address.replace(QLatin1String("DIR"), dir.path());
        reason.replace(QLatin1String("DIR"), dir.path());
        auto lookup = registry.findPrinter(QStringLiteral("file://") + address);
        QVERIFY2(lookup.backend, qPrintable(lookup.reason));
        auto& printer = *lookup.backend;
        QVERIFY(printer.open().ok());
        const auto claimed = printer.claim(0);
        QCOMPARE(claimed.code, claimCode);
        if (!claimed.ok()) {
            QCOMPARE(claimed.text, reason);
            return;
        }
        const auto enabled = printer.enable();
        QCOMPARE(enabled.code, enableCode);
        if (!enabled.ok()) {
            QVERIFY2(enabled.text.startsWith(reason), qPrintable(enabled.text));
        } else {
            QVERIFY(printer.print(opos::PTR_S_RECEIPT, QStringLiteral("line\n"), kSync).ok());
            if (reader >= 0) {
                QByteArray arrived;
                const auto readMore = [&] {
                    char bytes[64] = {};
                    const auto n = ::read(reader, bytes, sizeof bytes);
                    arrived.append(bytes, std::max<qsizetype>(0, n));
                    return arrived.endsWith("line\n");
                };
                QTRY_VERIFY(readMore());
            }
        }
        printer.close();
    }

    void openCloseCyclesLeaveNoConnection()
    {
        fake->setChatty(true);
        for (int i = 0; i < 50; ++i) {
            auto printer = enabledPrinter(QStringLiteral("status=asb"));
            const auto printed =
                printer->print(opos::PTR_S_RECEIPT, QStringLiteral("cycle\n"), kSync);
            QVERIFY2(printed.ok(), qPrintable(printed.text));
            printer->close();
            QTRY_COMPARE(fake->openConnections(), 0);
        }
        QCOMPARE(fake->connectionCount(), 50);
    }

    void reasonsNameTheAddress()
    {
        fake->stopListening();
        auto printer = openPrinter();
        const auto refused = printer->claim(0);
        QCOMPARE(refused.code, opos::OPOS_E_NOHARDWARE);
        QCOMPARE(refused.text,
                 QStringLiteral("connection refused by 127.0.0.1:%1").arg(fake->port()));

        QCOMPARE(escpos::deviceError(QStringLiteral("/dev/usb/lp9"), ENODEV),
                 QStringLiteral("no such device: /dev/usb/lp9"));
        QCOMPARE(escpos::deviceError(QStringLiteral("/dev/usb/lp9"), EACCES),
                 QStringLiteral("permission denied on /dev/usb/lp9"));
    }

    void drawerAloneConnectsOnEnable()
    {
        auto lookup = registry.findCashDrawer(fake->address(kFast));
        QVERIFY(lookup.backend);
        QVERIFY(lookup.backend->open().ok());
        QVERIFY(lookup.backend->enable().ok());
        QVERIFY(lookup.backend->openDrawer().ok());
        QCOMPARE(eventsOf(*fake, Kind::Pulse), (QList<Event>{{Kind::Pulse, {}, 0, 50, 50}}));
        // A printer that takes the pulse and never says so: the drawer may not have opened.
        fake->setSilent(true);
        const opos::DeviceResult unheard = lookup.backend->openDrawer();
        QCOMPARE(unheard.code, opos::OPOS_E_TIMEOUT);
        QVERIFY2(unheard.text.endsWith(QStringLiteral("; the drawer may not have opened")),
                 qPrintable(unheard.text));
        fake->setSilent(false);
        lookup.backend->close();
        fake->stopListening();
        QVERIFY(lookup.backend->open().ok());
        QCOMPARE(lookup.backend->enable().code, opos::OPOS_E_NOHARDWARE);
    }
};

QTEST_GUILESS_MAIN(TestEscPosPrinter)
#include "test_escpos_printer.moc"

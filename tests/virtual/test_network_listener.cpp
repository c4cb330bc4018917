#include "backends/netprinter/EscPosInterpreter.h"
#include "backends/netprinter/NetworkPrinter.h"
#include "backends/sim/SimulatedDevices.h"
#include "virtual/VirtualDevicesListenPanel.h"
#include "virtual/VirtualDevicesPrinterPanel.h"
#include "virtual/VirtualDevicesWindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTest>
#include <fcntl.h>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

using namespace netprinter;
using namespace Qt::StringLiterals;

namespace {

// A network printer on a free loopback port, with its transcript.
struct Served
{
    explicit Served(PrinterServer::Limits limits = {60000, 8, true})
        : printer(devices.printer(), devices.cashDrawer(), limits)
    {
        QObject::connect(&printer, &NetworkPrinter::transcriptLine, &printer,
                         [this](const QString& line) { transcript << line; });
        const QString error = printer.listen(u"127.0.0.1:0"_s);
        if (!error.isEmpty())
            qFatal("cannot listen: %s", qPrintable(error));
    }
    std::unique_ptr<QTcpSocket> connect() const
    {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress::LocalHost, printer.port());
        if (!socket->waitForConnected(5000))
            qFatal("cannot connect");
        return socket;
    }
    int said(const QString& part) const
    {
        return static_cast<int>(
            std::count_if(transcript.cbegin(), transcript.cend(),
                          [&part](const QString& l) { return l.contains(part); }));
    }
    bool printed(const QString& text) const
    {
        const auto items = devices.printer().receipt();
        return std::any_of(items.cbegin(), items.cend(),
                           [&text](const sim::ReceiptItem& item) { return item.text == text; });
    }

    mutable sim::SimulatedDevices devices;
    NetworkPrinter printer;
    QStringList transcript;
};

// Collects what a socket receives.
QByteArray received(QTcpSocket& socket, QByteArray& so_far)
{
    so_far += socket.readAll();
    return so_far;
}

} // namespace

// The network printer's listener: jobs over TCP and a pseudo-terminal, one at a time, and
// clients that misbehave.
class TestNetworkListener : public QObject
{
    Q_OBJECT

private slots:
    void printsAJobAndAnswersItsStatus()
    {
        Served served;
        QSignalSpy activity(&served.printer, &NetworkPrinter::activity);
        QSignalSpy ended(&served.printer, &NetworkPrinter::jobEnded);
        auto client = served.connect();
        client->write("Over the wire\n\x10\x04\x01\x1d\x72\x01");
        QByteArray answers;
        QTRY_COMPARE(received(*client, answers).toHex(), QByteArray("1200"));
        QVERIFY(served.printed(u"Over the wire"_s));
        QTRY_VERIFY(!activity.isEmpty());
        QVERIFY(activity.first().at(0).toString().startsWith(u"127.0.0.1:"_s));

        // A fault flipped meanwhile reaches the client at once through automatic status back.
        client->write("\x1d\x61\xff");
        QTRY_COMPARE(received(*client, answers).size(), 6);
        served.devices.printer().setCoverOpen(true);
        QTRY_COMPARE(received(*client, answers).mid(6).toHex(), QByteArray("38000000"));
        client->disconnectFromHost();
        QTRY_COMPARE(ended.size(), 1);
        QVERIFY(served.said(u"job 1 ended: 23 bytes"_s));
    }

    void oneJobAtATimeOthersWaitOrAreRefused()
    {
        Served served({60000, 1, true});
        auto first = served.connect();
        first->write("First\n");
        QTRY_VERIFY(served.printed(u"First"_s));
        auto second = served.connect();
        second->write("Second\n\x10\x04\x01");
        QTRY_COMPARE(served.said(u"waits: job 1"_s), 1);
        auto third = served.connect();
        QTRY_COMPARE(served.said(u"other clients are already waiting for job 1"_s), 1);
        QTRY_VERIFY(third->state() == QAbstractSocket::UnconnectedState);
        QVERIFY(!served.printed(u"Second"_s));

        first->disconnectFromHost();
        QByteArray answers;
        QTRY_COMPARE(received(*second, answers).toHex(), QByteArray("12"));
        QVERIFY(served.printed(u"Second"_s));

        Served impatient({1, 4, true});
        auto busy = impatient.connect();
        busy->write("Busy\n");
        auto late = impatient.connect();
        QTRY_COMPARE(impatient.said(u"was still printing after 1 ms"_s), 1);
        QTRY_VERIFY(late->state() == QAbstractSocket::UnconnectedState);
    }

    // Floods, garbage, a declared 4 GB image, a hundred connections and a client that vanishes
    // mid-command: the printer refuses or skips, says why, and serves the next client.
    void survivesHostileClients()
    {
        Served served({60000, 8, true});
        std::vector<std::unique_ptr<QTcpSocket>> crowd;
        for (int i = 0; i < 100; ++i)
            crowd.push_back(served.connect());
        QTRY_COMPARE(served.said(u"other clients are already waiting"_s), 91);

        QByteArray garbage(4 << 20, '\0');
        QRandomGenerator generator(29);
        generator.fillRange(reinterpret_cast<quint32*>(garbage.data()), garbage.size() / 4);
        crowd.front()->write(garbage); // and never reads what it is answered
        crowd.front()->write("\x1d\x76\x30\x00\xff\xff\xff\xff");
        crowd.front()->write(QByteArray(1 << 20, '\x55'));
        QTRY_VERIFY_WITH_TIMEOUT(crowd.front()->bytesToWrite() == 0, 20000);
        crowd.front()->abort();
        // Random bytes may declare a long command of their own: whichever it is, it was cut short.
        QTRY_VERIFY_WITH_TIMEOUT(served.said(u"job 1: the stream ended"_s) == 1, 20000);
        for (auto& socket : crowd)
            socket->abort();
        QTRY_VERIFY_WITH_TIMEOUT(
            served.said(u"ended"_s) + served.said(u"left while it waited"_s) >= 1, 20000);

        auto next = served.connect();
        next->write("\x10\x04\x02Still printing\n");
        QByteArray answers;
        QTRY_VERIFY_WITH_TIMEOUT(received(*next, answers).endsWith('\x12'), 20000);
        QTRY_VERIFY(served.printed(u"Still printing"_s));
    }

    void aClientThatVanishesWhileItsDataIsHeldEndsItsJob()
    {
        // The cover is open, so the printer holds what it gets and stops taking more; the
        // client, far ahead, then resets the connection. Its job must end all the same, and the
        // next client must be served.
        Served served;
        qint64 taken = 0;
        QObject::connect(&served.printer, &NetworkPrinter::activity, &served.printer,
                         [&taken](const QString&, qint64 bytes) { taken = bytes; });
        served.devices.printer().setCoverOpen(true);
        auto flooding = served.connect();
        flooding->write(QByteArray(8 << 20, 'x'));
        QTRY_VERIFY(taken >= EscPosInterpreter::kMaxHeld); // the printer holds all it will take
        const linger reset{1, 0}; // closing resets the connection instead of ending it
        QCOMPARE(::setsockopt(static_cast<int>(flooding->socketDescriptor()), SOL_SOCKET, SO_LINGER,
                              &reset, sizeof reset),
                 0);
        flooding->abort();
        QTRY_VERIFY_WITH_TIMEOUT(served.said(u"job 1 ended"_s) == 1, 10000);
        served.devices.printer().setCoverOpen(false);
        auto next = served.connect();
        next->write("After\n");
        QTRY_VERIFY(served.printed(u"After"_s));
    }

    void servesAPseudoTerminal()
    {
        Served served;
        QCOMPARE(served.printer.openPseudoTerminal(), QString());
        const QString path = served.printer.pseudoTerminalPath();
        QVERIFY(path.startsWith(u"/dev/pts/"_s));
        const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        const QByteArray job("By serial\n\x10\x04\x04");
        QCOMPARE(::write(fd, job.constData(), static_cast<size_t>(job.size())), job.size());
        QByteArray answers;
        QSocketNotifier readable(fd, QSocketNotifier::Read);
        QObject::connect(&readable, &QSocketNotifier::activated, &readable, [fd, &answers] {
            char buffer[64];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0)
                answers.append(buffer, n);
        });
        QTRY_COMPARE(answers.toHex(), QByteArray("12"));
        // DLE EOT is answered as it arrives, before the line ahead of it may be on the roll.
        QTRY_VERIFY(served.printed(u"By serial"_s));
        ::close(fd);
    }

    void refusesBadAddresses()
    {
        sim::SimulatedDevices devices;
        NetworkPrinter printer(devices.printer(), devices.cashDrawer());
        QVERIFY(printer.listen(u"printer"_s).contains(u"is not a port"_s));
        QVERIFY(printer.listen(u"300.1.1.1:9100"_s).contains(u"not an IP address"_s));
        QVERIFY(!printer.isListening());
        Served taken;
        const QString error = printer.listen(u"127.0.0.1:%1"_s.arg(taken.printer.port()));
        QVERIFY2(error.contains(u"cannot listen"_s), qPrintable(error));
        QVERIFY(parseListenAddress(u"9100"_s).isLocalOnly());
        QVERIFY(!parseListenAddress(u"0.0.0.0:9100"_s).isLocalOnly());
    }

    void virtualDevicesWindowListens()
    {
        sim::SimulatedDevices devices;
        VirtualDevicesWindow window(devices);
        window.show();
        auto* listen = window.findChild<QCheckBox*>(u"vdListen"_s);
        auto* address = window.findChild<QLineEdit*>(u"vdListenAddress"_s);
        auto* client = window.findChild<QLabel*>(u"vdListenClient"_s);
        QVERIFY(listen && address && client);
        QCOMPARE(address->text(), u"127.0.0.1:9100"_s);
        address->setText(u"127.0.0.1:0"_s);
        listen->setChecked(true);
        QVERIFY2(client->text().startsWith(u"Listening on port"_s), qPrintable(client->text()));
        const quint16 port = client->text().section(u' ', 3, 3).remove(u'.').toUShort();
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(socket.waitForConnected(5000));
        socket.write("From the window\n");
        QTRY_VERIFY(client->text().contains(u"16 bytes"_s));
        // The controls fit in the column of the printer's switches: they never widen the window.
        const auto* panel = window.findChild<VirtualDevicesListenPanel*>();
        const auto* switches = window.findChild<VirtualDevicesPrinterPanel*>();
        QVERIFY(panel && switches);
        QVERIFY(panel->sizeHint().width() <= switches->sizeHint().width());

        address->setText(u"0.0.0.0:0"_s);
        listen->setChecked(false);
        listen->setChecked(true);
        QVERIFY(client->text().contains(u"Anyone who can reach"_s));
        listen->setChecked(false);
        QCOMPARE(client->text(), u"Not listening."_s);
    }
};

QTEST_MAIN(TestNetworkListener)
#include "test_network_listener.moc"

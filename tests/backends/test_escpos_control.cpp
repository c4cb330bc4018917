#include "backends/escpos/LinkedDevice.h"
#include "backends/escpos/Resolvers.h"
#include "opos/CashDrawer.h"
#include "opos/DeviceRegistry.h"
#include "opos/LineDisplay.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "support/FakeEscPosPrinter.h"

#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTest>
#include <fcntl.h>
#include <unistd.h>

using testing::FakeEscPosPrinter;

namespace {

const QString kFast = QStringLiteral("statusTimeout=300&jobTimeout=1000&pollInterval=30");

// The master side of a pseudo-terminal: what a serial device at its slave path receives.
class PseudoTerminal
{
public:
    PseudoTerminal() : m_fd(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        if (m_fd >= 0 && (grantpt(m_fd) != 0 || unlockpt(m_fd) != 0))
            m_fd = -1;
    }
    ~PseudoTerminal()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool ok() const { return m_fd >= 0; }
    QString slavePath() const { return QString::fromLocal8Bit(ptsname(m_fd)); }
    QByteArray read()
    {
        char buffer[4096];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0)
            m_received.append(buffer, n);
        return m_received;
    }

private:
    int m_fd;
    QByteArray m_received;
};

} // namespace

// The control objects over the ESC/POS backends: status events, synchronous errors,
// asynchronous errors answered with retry and clear, the drawer and a serial display.
class TestEscPosControl : public QObject
{
    Q_OBJECT

private:
    opos::DeviceRegistry registry;
    std::unique_ptr<FakeEscPosPrinter> fake;
    std::unique_ptr<opos::PosPrinter> printer;

    void enablePrinter()
    {
        printer = std::make_unique<opos::PosPrinter>(registry, opos::ControlOptions{});
        QCOMPARE(printer->Open(fake->address(kFast)), opos::OPOS_SUCCESS);
        QCOMPARE(printer->ClaimDevice(1000), opos::OPOS_SUCCESS);
        printer->SetDeviceEnabled(true);
        QVERIFY(printer->DeviceEnabled());
    }

private slots:
    void initTestCase() { escpos::addResolvers(registry, QString()); }
    void init() { fake = std::make_unique<FakeEscPosPrinter>(); }
    void cleanup()
    {
        printer.reset();
        fake.reset();
    }

    void statusBecomesStatusUpdateEvents()
    {
        enablePrinter();
        QSignalSpy spy(printer.get(), &opos::PosPrinter::StatusUpdateEvent);
        fake->setCoverOpen(true);
        QTRY_VERIFY(spy.contains(QVariantList{opos::PTR_SUE_COVER_OPEN}));
        QVERIFY(printer->GetPropertyFlag(QStringLiteral("CoverOpen")));
        fake->setCoverOpen(false);
        QTRY_VERIFY(spy.contains(QVariantList{opos::PTR_SUE_COVER_OK}));
        fake->setPaper(FakeEscPosPrinter::Paper::Empty);
        QTRY_VERIFY(spy.contains(QVariantList{opos::PTR_SUE_REC_EMPTY}));
        QVERIFY(printer->GetPropertyFlag(QStringLiteral("RecEmpty")));
    }

    void synchronousErrorsAreExtended()
    {
        enablePrinter();
        fake->setCoverOpen(true);
        QCOMPARE(printer->PrintNormal(opos::PTR_S_RECEIPT, QStringLiteral("x\n")),
                 opos::OPOS_E_EXTENDED);
        QCOMPARE(printer->ResultCodeExtended(), opos::OPOS_EPTR_COVER_OPEN);
        fake->setCoverOpen(false);
        // The printer kept the refused line and printed it once the cover was closed.
        QCOMPARE(printer->PrintNormal(opos::PTR_S_RECEIPT, QStringLiteral("y\n")),
                 opos::OPOS_SUCCESS);
        QCOMPARE(fake->lines(), (QStringList{QStringLiteral("x"), QStringLiteral("y")}));
    }

    void asynchronousErrorIsRetried()
    {
        enablePrinter();
        QSignalSpy status(printer.get(), &opos::PosPrinter::StatusUpdateEvent);
        fake->setCoverOpen(true);
        QTRY_VERIFY(status.contains(QVariantList{opos::PTR_SUE_COVER_OPEN}));
        int errors = 0;
        connect(printer.get(), &opos::PosPrinter::ErrorEvent, this,
                [this, &errors](int32_t code, int32_t extended, int32_t locus, int32_t* response) {
                    QCOMPARE(code, opos::OPOS_E_EXTENDED);
                    QCOMPARE(extended, opos::OPOS_EPTR_COVER_OPEN);
                    QCOMPARE(locus, opos::OPOS_EL_OUTPUT);
                    if (++errors == 1) {
                        fake->setCoverOpen(false);
                        QTRY_VERIFY(!printer->GetPropertyFlag(QStringLiteral("CoverOpen")));
                    }
                    *response = opos::OPOS_ER_RETRY;
                });
        QSignalSpy completed(printer.get(), &opos::PosPrinter::OutputCompleteEvent);
        printer->SetAsyncMode(true);
        QCOMPARE(printer->PrintNormal(opos::PTR_S_RECEIPT, QStringLiteral("after retry\n")),
                 opos::OPOS_SUCCESS);
        QTRY_COMPARE(completed.size(), 1);
        QCOMPARE(errors, 1);
        QCOMPARE(fake->lines(), QStringList{QStringLiteral("after retry")});
        QTRY_COMPARE(printer->State(), opos::OPOS_S_IDLE);
    }

    void asynchronousErrorIsCleared()
    {
        enablePrinter();
        QSignalSpy status(printer.get(), &opos::PosPrinter::StatusUpdateEvent);
        fake->setPaper(FakeEscPosPrinter::Paper::Empty);
        QTRY_VERIFY(status.contains(QVariantList{opos::PTR_SUE_REC_EMPTY}));
        QList<int32_t> extendedCodes;
        connect(printer.get(), &opos::PosPrinter::ErrorEvent, this,
                [&extendedCodes](int32_t, int32_t extended, int32_t, int32_t* response) {
                    extendedCodes.append(extended);
                    *response = opos::OPOS_ER_CLEAR;
                });
        QSignalSpy completed(printer.get(), &opos::PosPrinter::OutputCompleteEvent);
        printer->SetAsyncMode(true);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(printer->PrintNormal(opos::PTR_S_RECEIPT, QStringLiteral("lost\n")),
                     opos::OPOS_SUCCESS);
        QTRY_COMPARE(extendedCodes, QList<int32_t>{opos::OPOS_EPTR_REC_EMPTY});
        QTRY_COMPARE(printer->State(), opos::OPOS_S_IDLE);
        QCOMPARE(completed.size(), 0);
        QVERIFY(fake->lines().isEmpty());
    }

    void enableAgainstASilentPrinterSaysWhy()
    {
        printer = std::make_unique<opos::PosPrinter>(registry, opos::ControlOptions{});
        QCOMPARE(printer->Open(fake->address(kFast)), opos::OPOS_SUCCESS);
        QCOMPARE(printer->ClaimDevice(1000), opos::OPOS_SUCCESS);
        fake->setSilent(true);
        printer->SetDeviceEnabled(true);
        QVERIFY(!printer->DeviceEnabled());
        QCOMPARE(printer->ResultCode(), opos::OPOS_E_TIMEOUT);
        QVERIFY2(printer->GetPropertyString(QStringLiteral("ErrorString"))
                     .startsWith(QStringLiteral("no answer to a status request within ")),
                 qPrintable(printer->GetPropertyString(QStringLiteral("ErrorString"))));
    }

    // A silent printer's advice says where status=none goes: into the address typed as the
    // name, or into the devices.ini section the name comes from.
    void silenceAdviceFitsWhereThePrinterComesFrom_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("advice");
        QTest::newRow("address") << QStringLiteral("tcp://192.0.2.10:9100")
                                 << QStringLiteral("add ?status=none to its address");
        QTest::newRow("devices.ini name")
            << QStringLiteral("Counter Printer")
            << QStringLiteral("add status=none to its section [Counter Printer] in devices.ini");
    }
    void silenceAdviceFitsWhereThePrinterComesFrom()
    {
        QFETCH(QString, name);
        QFETCH(QString, advice);
        const escpos::LinkedDevice device(name, escpos::DeviceSettings{}, nullptr);
        escpos::QueryResult silence;
        silence.failure = escpos::ReplyFailure::Silent;
        QVERIFY2(device.noStatus(silence).endsWith(advice), qPrintable(device.noStatus(silence)));
    }

    void asynchronousLinesThenADroppedConnection()
    {
        // Lines 1-20 print; then the paper ends and the printer keeps the rest unprinted, and
        // the connection drops. No line may be reported complete that never printed, and the
        // loss must be reported.
        enablePrinter();
        fake->setPaperRunsOutAfter(20);
        QList<int32_t> completed;
        int errors = 0;
        connect(printer.get(), &opos::PosPrinter::OutputCompleteEvent, this,
                [&completed](int32_t id) { completed.append(id); });
        connect(printer.get(), &opos::PosPrinter::ErrorEvent, this,
                [&errors](int32_t, int32_t, int32_t, int32_t* response) {
                    ++errors;
                    *response = opos::OPOS_ER_CLEAR;
                });
        printer->SetAsyncMode(true);
        QList<int32_t> ids;
        for (int i = 0; i < 200; ++i) {
            QCOMPARE(printer->PrintNormal(opos::PTR_S_RECEIPT, QStringLiteral("line\n")),
                     opos::OPOS_SUCCESS);
            ids.append(printer->OutputID());
        }
        QTRY_COMPARE(fake->lines().size(), 20);
        fake->dropConnections();
        QTRY_COMPARE(printer->State(), opos::OPOS_S_IDLE);
        QCOMPARE(errors, 1);
        QVERIFY2(completed.size() <= 20, qPrintable(QString::number(completed.size())));
        QCOMPARE(completed, ids.mid(0, completed.size()));
        QVERIFY(!printer->GetPropertyString(QStringLiteral("ErrorString")).isEmpty());
    }

    void cashDrawerPulsesThroughThePrinter()
    {
        opos::CashDrawer drawer(registry, opos::ControlOptions{});
        QCOMPARE(
            drawer.Open(fake->address(kFast + QStringLiteral("&drawerPin=2&drawerOnTime=200"))),
            opos::OPOS_SUCCESS);
        QCOMPARE(drawer.ClaimDevice(1000), opos::OPOS_SUCCESS);
        drawer.SetDeviceEnabled(true);
        QCOMPARE(drawer.OpenDrawer(), opos::OPOS_SUCCESS);
        using Event = FakeEscPosPrinter::Event;
        QTRY_VERIFY(fake->events().contains(Event{Event::Kind::Pulse, {}, 0, 100, 50}));
        fake->setDrawerHigh(true);
        QTRY_VERIFY(drawer.DrawerOpened());
        drawer.SetDeviceEnabled(false);
        QCOMPARE(drawer.ReleaseDevice(), opos::OPOS_SUCCESS);
        QCOMPARE(drawer.Close(), opos::OPOS_SUCCESS);
    }

    void lineDisplayOnASerialPort()
    {
        PseudoTerminal terminal;
        if (!terminal.ok())
            QSKIP("no pseudo-terminal");
        opos::LineDisplay display(registry, opos::ControlOptions{});
        const QString address =
            QStringLiteral("serial://%1?baud=9600&commandSet=cd5220&characterSet=858")
                .arg(terminal.slavePath());
        QCOMPARE(display.Open(address), opos::OPOS_SUCCESS);
        // Room for a loaded machine, which opens a port slowly.
        QCOMPARE(display.ClaimDevice(5000), opos::OPOS_SUCCESS);
        display.SetDeviceEnabled(true);
        QCOMPARE(display.ClearText(), opos::OPOS_SUCCESS);
        QCOMPARE(display.DisplayText(QStringLiteral("Total \u20ac 12.50"), opos::DISP_DT_NORMAL),
                 opos::OPOS_SUCCESS);
        // Initialise, overwrite mode, code table 19; then the window with the euro as 0xD5.
        const QByteArray expected = QByteArray("\x1b@\x1b\x11\x1b\x66\x13", 7);
        QTRY_VERIFY2(terminal.read().startsWith(expected), terminal.read().toHex(' ').constData());
        const QByteArray window = QByteArray("\x1bl\x01\x01Total \xd5 12.50") + QByteArray(7, ' ') +
                                  QByteArray("\x1bl\x01\x02") + QByteArray(20, ' ');
        QTRY_VERIFY(terminal.read().endsWith(window));
        display.SetDeviceEnabled(false);
        display.Close();
    }

    void unknownAndBrokenNames()
    {
        opos::PosPrinter control(registry, opos::ControlOptions{});
        QCOMPARE(control.Open(QStringLiteral("tcp://127.0.0.1:0")), opos::OPOS_E_NOSERVICE);
        // The reason stays readable on the closed device, for the technician.
        QVERIFY(control.GetPropertyString(QStringLiteral("ErrorString")).contains(u"port"));
        fake->stopListening();
        QCOMPARE(control.Open(fake->address(kFast)), opos::OPOS_SUCCESS);
        QCOMPARE(control.ClaimDevice(1000), opos::OPOS_E_NOHARDWARE);
    }
};

QTEST_GUILESS_MAIN(TestEscPosControl)
#include "test_escpos_control.moc"

#include "backends/escpos/Resolvers.h"
#include "opos/DeviceRegistry.h"
#include "opos/OposConstants.h"
#include "support/ScriptedTransport.h"

#include <QTest>
#include <atomic>
#include <future>

using testing::ScriptedTransport;
using testing::TransportScript;

namespace {

constexpr auto kAsync = opos::OutputMode::Asynchronous; // as from the output worker

// Gives up every wait at once, as a user pressing Cancel would.
class CancellingWaiter final : public opos::Waiter
{
public:
    Outcome wait(const QString&, QDeadlineTimer, const std::function<bool()>& ready) override
    {
        return ready() ? Outcome::Ready : Outcome::Cancelled;
    }
    void wake() override {}
};

const QString kAddress = QStringLiteral("tcp://scripted.invalid?status=none&connectTimeout=200");

} // namespace

// The device links against a scripted transport: connecting, confirming one-way output and
// losing the device, without sockets or terminals.
class TestEscPosTransport : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<TransportScript> script;
    std::unique_ptr<opos::DeviceRegistry> registry;

    std::unique_ptr<opos::PrinterBackend> openPrinter(const QString& address = kAddress)
    {
        auto lookup = registry->findPrinter(address);
        if (!lookup.backend || !lookup.backend->open().ok())
            qFatal("no printer: %s", qPrintable(lookup.reason));
        return std::move(lookup.backend);
    }

private slots:
    void init()
    {
        script = std::make_shared<TransportScript>();
        registry = std::make_unique<opos::DeviceRegistry>();
        escpos::addResolvers(*registry, QString(), ScriptedTransport::factory(script));
    }

    void connectingIsBoundedByTheClaimTimeout_data()
    {
        QTest::addColumn<int>("claimTimeout");
        QTest::addColumn<int>("bound");
        QTest::newRow("shorter than connectTimeout") << 50 << 50;
        QTest::newRow("longer than connectTimeout") << 60000 << 200;
        QTest::newRow("one try") << 0 << 200;
    }

    void connectingIsBoundedByTheClaimTimeout()
    {
        QFETCH(int, claimTimeout);
        QFETCH(int, bound);
        script->neverOpens = true;
        auto printer = openPrinter();
        const auto result = printer->claim(claimTimeout);
        QCOMPARE(result.code, opos::OPOS_E_NOHARDWARE);
        QCOMPARE(
            result.text,
            QStringLiteral("tcp://scripted.invalid:9100 did not accept a connection within %1 ms")
                .arg(bound));
    }

    void refusalKeepsItsReason()
    {
        script->refusal = QStringLiteral("connection refused by scripted.invalid:9100");
        auto printer = openPrinter();
        const auto result = printer->claim(0);
        QCOMPARE(result.code, opos::OPOS_E_NOHARDWARE);
        QCOMPARE(result.text, script->refusal);
    }

    void cancelledWaitIsATimeout()
    {
        registry->setWaiter(std::make_shared<CancellingWaiter>());
        script->neverOpens = true;
        auto printer = openPrinter();
        const auto result = printer->claim(1000);
        QCOMPARE(result.code, opos::OPOS_E_TIMEOUT);
        QCOMPARE(result.text, QStringLiteral("the wait was cancelled"));
    }

    void oneWayJobsEndInAnAnswerWhenTheDeviceGoesAway()
    {
        // The device takes 100 bytes and goes away: every job is confirmed or fails with the
        // reason, none is left without an answer, and none after the loss counts as printed.
        auto printer = openPrinter();
        QVERIFY(printer->claim(0).ok());
        QVERIFY(printer->enable().ok());
        {
            std::lock_guard lock(script->mutex);
            script->failAfter = script->written.size() + 100;
        }
        std::atomic<int> confirmed = 0;
        std::atomic<int> failed = 0;
        QStringList reasons;
        std::mutex reasonsMutex;
        std::async(std::launch::async, [&] {
            for (int i = 0; i < 20; ++i) {
                const auto printed = printer->print(opos::PTR_S_RECEIPT,
                                                    QStringLiteral("line %1\n").arg(i, 2), kAsync);
                if (!printed.ok()) {
                    std::lock_guard lock(reasonsMutex);
                    reasons.append(printed.text);
                    ++failed;
                    continue;
                }
                printer->confirmOutput([&](const opos::DeviceResult& result) {
                    if (result.ok()) {
                        ++confirmed;
                        return;
                    }
                    std::lock_guard lock(reasonsMutex);
                    reasons.append(result.text);
                    ++failed;
                });
            }
        }).get();
        QTRY_COMPARE(confirmed + failed, 20);
        QVERIFY(failed > 0);
        // "line NN\n" is 8 bytes: at most 12 whole lines fit in 100.
        QVERIFY2(confirmed <= 12, qPrintable(QString::number(confirmed)));
        std::lock_guard lock(reasonsMutex);
        for (const QString& reason : std::as_const(reasons))
            QVERIFY2(reason.contains(QStringLiteral("the scripted device went away")),
                     qPrintable(reason));
    }
};

QTEST_GUILESS_MAIN(TestEscPosTransport)
#include "test_escpos_transport.moc"

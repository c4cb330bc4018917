#include "opos/CashDrawer.h"
#include "opos/LineDisplay.h"
#include "opos/OposConstants.h"
#include "services/FlexGridModel.h"
#include "services/FormState.h"
#include "support/LogRows.h"
#include "support/WindowFixture.h"

#include <QTest>
#include <stdexcept>

namespace {

// What the devices behind the recording names were asked, and the call that is to fail with a
// run-time failure.
struct CallRecord
{
    QStringList calls;
    QStringList namesLookedUp;
    QString failingCall;

    void note(const QString& call)
    {
        calls << call;
        if (!failingCall.isEmpty() && call.startsWith(failingCall)) {
            failingCall.clear(); // once
            throw std::runtime_error("device failed in " + call.toStdString());
        }
    }
};

const QString kDrawerName = QStringLiteral("Recording Drawer");
const QString kDisplayName = QStringLiteral("Recording Display");

// A simulated device's backend with every call recorded first: the life-cycle calls both
// kinds of device share.
template <typename Backend> class Recording : public Backend
{
public:
    Recording(std::unique_ptr<Backend> device, CallRecord& record)
        : m_device(std::move(device)), m_record(record)
    {}
    opos::DeviceResult open() override
    {
        note(QStringLiteral("open"));
        return m_device->open();
    }
    void close() override
    {
        note(QStringLiteral("close"));
        m_device->close();
    }
    opos::DeviceResult claim(int32_t timeoutMs) override
    {
        note(QStringLiteral("claim %1").arg(timeoutMs));
        return m_device->claim(timeoutMs);
    }
    void release() override
    {
        note(QStringLiteral("release"));
        m_device->release();
    }
    opos::DeviceResult enable() override
    {
        note(QStringLiteral("enable"));
        return m_device->enable();
    }
    void disable() override
    {
        note(QStringLiteral("disable"));
        m_device->disable();
    }
    QVariantMap deviceProperties() override { return m_device->deviceProperties(); }

protected:
    void note(const QString& call) { m_record.note(call); }
    std::unique_ptr<Backend> m_device;

private:
    CallRecord& m_record;
};

class RecordingDrawer : public Recording<opos::CashDrawerBackend>
{
public:
    using Recording::Recording;
    void setListener(opos::CashDrawerBackendListener* listener) override
    {
        m_device->setListener(listener);
    }
    opos::DeviceResult openDrawer() override
    {
        note(QStringLiteral("openDrawer"));
        return m_device->openDrawer();
    }
    bool drawerOpened() override { return m_device->drawerOpened(); }
};

class RecordingDisplay : public Recording<opos::LineDisplayBackend>
{
public:
    using Recording::Recording;
    int32_t rows() const override { return m_device->rows(); }
    int32_t columns() const override { return m_device->columns(); }
    // The window's rows with their trailing blanks removed: "show [QUENTA Text|] 0".
    opos::DeviceResult show(const QStringList& window, int32_t attribute) override
    {
        QStringList shown;
        for (const QString& row : window)
            shown << row.trimmed();
        note(QStringLiteral("show [%1] %2").arg(shown.join(u'|')).arg(attribute));
        return m_device->show(window, attribute);
    }
};

// A window whose registry also knows the two recording names; every name looked up is noted.
struct RecordingWindow
{
    RecordingWindow()
    {
        sim::SimulatedDevices* devices = &fixture.devices();
        CallRecord* rec = &record;
        fixture.registry().addCashDrawerResolver(
            [devices,
             rec](const QString& name) -> std::optional<opos::Lookup<opos::CashDrawerBackend>> {
                rec->namesLookedUp << name;
                if (name != kDrawerName)
                    return std::nullopt;
                return opos::Lookup<opos::CashDrawerBackend>{
                    std::make_unique<RecordingDrawer>(devices->cashDrawer().createBackend(), *rec),
                    0,
                    {}};
            });
        fixture.registry().addLineDisplayResolver(
            [devices,
             rec](const QString& name) -> std::optional<opos::Lookup<opos::LineDisplayBackend>> {
                rec->namesLookedUp << name;
                if (name != kDisplayName)
                    return std::nullopt;
                return opos::Lookup<opos::LineDisplayBackend>{
                    std::make_unique<RecordingDisplay>(devices->lineDisplay().createBackend(),
                                                       *rec),
                    0,
                    {}};
            });
    }
    QStringList logRows() { return logRowTexts(fixture.window().logGrid(), fixture.form()); }
    // Whether every written row shows both cells in the log's standard colour.
    bool logInStandardColour()
    {
        const FlexGridModel& grid = fixture.window().logGrid();
        for (int row = 1; row < fixture.form().LogRow; ++row)
            for (int col = 0; col < 2; ++col)
                if (grid.CellForeColor(row, col).isValid())
                    return false;
        return true;
    }

    CallRecord record;
    WindowFixture fixture;
};

const QStringList kDrawerCalls{QStringLiteral("open"),    QStringLiteral("claim 1000"),
                               QStringLiteral("enable"),  QStringLiteral("openDrawer"),
                               QStringLiteral("disable"), QStringLiteral("release"),
                               QStringLiteral("close")};

QStringList displayCalls(const QString& text)
{
    return {QStringLiteral("open"),
            QStringLiteral("claim 1000"),
            QStringLiteral("enable"),
            QStringLiteral("show [|] 0"),
            QStringLiteral("show [%1|] 0").arg(text),
            QStringLiteral("disable"),
            QStringLiteral("release"),
            QStringLiteral("close")};
}

// The log rows of a companion test whose every call answered `result`, in the calls' order.
QStringList drawerRows(const QString& result)
{
    QStringList rows;
    for (const char* call : {"Open()", "ClaimDevice()", "DeviceEnabled", "OpenDrawer()",
                             "DeviceEnabled", "ReleaseDevice()", "Close()"})
        rows << QStringLiteral("CashDrawer.%1 %2").arg(QLatin1String(call), result);
    return rows;
}

QStringList displayRows(const QString& result)
{
    QStringList rows;
    for (const char* call : {"Open()", "ClaimDevice()", "DeviceEnabled", "ClearText()",
                             "DisplayText()", "DeviceEnabled", "ReleaseDevice()", "Close()"})
        rows << QStringLiteral("LineDisplay.%1 %2").arg(QLatin1String(call), result);
    return rows;
}

} // namespace

class TestCompanionDevices : public QObject
{
    Q_OBJECT

private slots:
    void drawerSequence()
    {
        RecordingWindow w;
        w.fixture.type("cdDevice", kDrawerName);

        w.fixture.click("cmdCashDrawerOpen");

        QCOMPARE(w.record.calls, kDrawerCalls);
        QVERIFY(w.fixture.devices().cashDrawer().isOpen());
        QCOMPARE(w.fixture.window().OPOSCashDrawer1().State(), opos::OPOS_S_CLOSED);
        QCOMPARE(w.fixture.dialogs().boxes().size(), 0);
        const QStringList rows = drawerRows(QStringLiteral("OPOS_SUCCESS"));
        QCOMPARE(w.logRows(), rows);
        QVERIFY(w.logInStandardColour());

        w.record.calls.clear(); // a second click runs the whole life cycle again
        w.fixture.click("cmdCashDrawerOpen");
        QCOMPARE(w.record.calls, kDrawerCalls);
        QCOMPARE(w.logRows(), rows + rows);
    }

    void displaySequence_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("text") << QStringLiteral("QUENTA Text");
        QTest::newRow("empty text is sent too") << QString();
    }
    void displaySequence()
    {
        QFETCH(QString, text);
        RecordingWindow w;
        w.fixture.type("ldDevice", kDisplayName);
        w.fixture.type("txtLDDisplay", text);

        w.fixture.click("cmdDisplayText");

        QCOMPARE(w.record.calls, displayCalls(text));
        QCOMPARE(w.fixture.devices().lineDisplay().rows().constFirst().trimmed(), text);
        QCOMPARE(w.fixture.window().OPOSLineDisplay1().State(), opos::OPOS_S_CLOSED);
        QCOMPARE(w.fixture.dialogs().boxes().size(), 0);
        QCOMPARE(w.logRows(), displayRows(QStringLiteral("OPOS_SUCCESS")));
        QVERIFY(w.logInStandardColour());
    }

    void runTimeFailureStillClosesTheDevice_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("failingCall");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<int>("logRows"); // every call but the failing one logs its result
        const QString drawer = QStringLiteral("cmdCashDrawerOpen");
        const QString display = QStringLiteral("cmdDisplayText");
        // A failed claim leaves nothing to disable or release: the control object skips them.
        QTest::newRow("drawer claim")
            << drawer << QStringLiteral("claim")
            << QStringList{kDrawerCalls.mid(0, 2) << kDrawerCalls.last()} << 4;
        QTest::newRow("drawer action")
            << drawer << QStringLiteral("openDrawer") << kDrawerCalls << 6;
        // Still enabled after the failed disable: Close disables it.
        QTest::newRow("drawer disable")
            << drawer << QStringLiteral("disable")
            << QStringList{kDrawerCalls.mid(0, 6)
                           << QStringLiteral("disable") << kDrawerCalls.last()}
            << 6;
        const QStringList shown = displayCalls(QStringLiteral("QUENTA Text"));
        QTest::newRow("display clear") << display << QStringLiteral("show [|]")
                                       << QStringList{shown.mid(0, 4) << shown.mid(5)} << 6;
        // Close releases what is still claimed.
        QTest::newRow("display release")
            << display << QStringLiteral("release")
            << QStringList{shown.mid(0, 7) << QStringLiteral("release") << shown.last()} << 7;
    }
    void runTimeFailureStillClosesTheDevice()
    {
        QFETCH(QString, button);
        QFETCH(QString, failingCall);
        QFETCH(QStringList, calls);
        QFETCH(int, logRows);
        RecordingWindow w;
        w.fixture.type("cdDevice", kDrawerName);
        w.fixture.type("ldDevice", kDisplayName);
        w.record.failingCall = failingCall;

        w.fixture.click(button.toLatin1().constData());

        QCOMPARE(w.record.calls, calls);
        QCOMPARE(w.fixture.dialogs().boxes().size(), 1);
        QCOMPARE(w.fixture.dialogs().boxes().constFirst().title, QStringLiteral("ERROR MESSAGE"));
        QVERIFY(w.fixture.dialogs().prompts().constFirst().startsWith(
            QStringLiteral("device failed in ") + failingCall));
        QCOMPARE(w.logRows().size(), logRows);
        QVERIFY(w.logRows().constLast().endsWith(QStringLiteral(".Close() OPOS_SUCCESS")));

        // Nothing is left claimed or open: the next run goes through.
        w.record = {};
        w.fixture.click(button.toLatin1().constData());
        QCOMPARE(w.record.calls.size(), button == QLatin1String("cmdCashDrawerOpen") ? 7 : 8);
        QCOMPARE(w.fixture.dialogs().boxes().size(), 1);
    }

    void unknownNameMakesEveryCallQuietly_data()
    {
        QTest::addColumn<QString>("nameBox");
        QTest::addColumn<QString>("button");
        QTest::newRow("drawer") << QStringLiteral("cdDevice")
                                << QStringLiteral("cmdCashDrawerOpen");
        QTest::newRow("display") << QStringLiteral("ldDevice") << QStringLiteral("cmdDisplayText");
    }
    void unknownNameMakesEveryCallQuietly()
    {
        QFETCH(QString, nameBox);
        QFETCH(QString, button);
        RecordingWindow w;
        const QString name = QStringLiteral(" No Such Device ");
        w.fixture.type(nameBox.toLatin1().constData(), name);

        w.fixture.click(button.toLatin1().constData());

        QCOMPARE(w.record.namesLookedUp, QStringList{name}); // as typed, blanks included
        QCOMPARE(w.fixture.dialogs().boxes().size(), 0);
        // Each call logs why it failed: the name is unknown, and then the device is not open.
        const bool drawer = nameBox == QLatin1String("cdDevice");
        QStringList rows = drawer ? drawerRows(QStringLiteral("OPOS_E_CLOSED"))
                                  : displayRows(QStringLiteral("OPOS_E_CLOSED"));
        rows.first().replace(QStringLiteral("OPOS_E_CLOSED"), QStringLiteral("OPOS_E_NOEXIST"));
        QCOMPARE(w.logRows(), rows);
        // The last call, Close, answered for a device that never opened.
        const int32_t lastResult = nameBox == QLatin1String("cdDevice")
                                       ? w.fixture.window().OPOSCashDrawer1().ResultCode()
                                       : w.fixture.window().OPOSLineDisplay1().ResultCode();
        QCOMPARE(lastResult, opos::OPOS_E_CLOSED);
    }

    void emptyNameIsRefused_data() { unknownNameMakesEveryCallQuietly_data(); }
    void emptyNameIsRefused()
    {
        QFETCH(QString, nameBox);
        QFETCH(QString, button);
        RecordingWindow w;
        w.fixture.type(nameBox.toLatin1().constData(), QString());

        w.fixture.click(button.toLatin1().constData());

        QCOMPARE(w.fixture.dialogs().prompts(),
                 QStringList{QStringLiteral("DEVICE NAME Missing!")});
        QCOMPARE(w.fixture.dialogs().boxes().constFirst().title, QStringLiteral("ERROR MESSAGE"));
        QVERIFY(w.fixture.dialogs().boxes().constFirst().exclamationIcon);
        QVERIFY(w.record.namesLookedUp.isEmpty());
        QVERIFY(w.logRows().isEmpty());
    }
};

QTEST_MAIN(TestCompanionDevices)
#include "test_companion_devices.moc"

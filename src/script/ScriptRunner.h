#pragma once

#include "opos/ControlOptions.h"
#include "script/RunListener.h"
#include "script/ScriptStep.h"
#include "script/TranscriptText.h"

#include <QDateTime>
#include <QObject>
#include <QVariant>
#include <concepts>
#include <deque>
#include <memory>
#include <vector>

namespace opos {
class DeviceRegistry;
class PosPrinter;
class CashDrawer;
class LineDisplay;
class CompanionDevice;
} // namespace opos
namespace netprinter {
class NetworkPrinter;
}
namespace sim {
class SimulatedDevices;
}

namespace script {

class ScriptClock;
class TextWriter;

struct RunSummary
{
    int expectations = 0;
    int failures = 0;
};

// Runs a script on one printer, cash drawer and line display control object, found through the
// registry as the window finds them. Every call, event and expectation outcome becomes one
// transcript line for the listeners. Without simulated devices the "sim" statements fail.
class ScriptRunner : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScriptRunner)

public:
    ScriptRunner(const opos::DeviceRegistry& registry, opos::ControlOptions options,
                 sim::SimulatedDevices* simulated, ScriptClock& clock, QObject* parent = nullptr);
    ~ScriptRunner() override;

    void addListener(RunListener* listener);
    RunSummary run(const Script& script);

    opos::PosPrinter& printer() { return *m_printer; }

private:
    // One event a control object raised, kept until an expectation takes it.
    struct SeenEvent
    {
        DeviceClass device;
        QString name;
        int32_t value;    // Data, OutputID, EventNumber, ResultCode
        int32_t extended; // ErrorEvent: ResultCodeExtended
        int line = 0;     // the statement that was running when it arrived
        QDateTime at = {};
    };
    // What the last call gave.
    struct LastCall
    {
        bool made = false;
        bool failed = false; // a run-time failure
        int32_t result = 0;
        int32_t extended = 0;
        QString failure;
        int line = 0;
        QString statement;
        QString reason = {}; // the ErrorString the call set, when it failed with one
    };
    // A property's value with the result its read gives: not OPOS_SUCCESS when the device is
    // not in a state where the value means anything.
    struct PropertyRead
    {
        QVariant value;
        int32_t result = 0;
        QString reason; // why the read failed, for the transcript
    };

    void runStep(const Step& step);
    void deliverEvents();
    void call(const Step& step);
    int32_t callPrinter(const Step& step);
    int32_t callCompanion(const Step& step, opos::CompanionDevice& device);
    void printFile(const Step& step);
    QString scriptFile(const Step& step, int position) const;
    const QString& textArgument(const Step& step, int position);
    void setProperty(const Step& step);
    QVariant readProperty(DeviceClass device, const QString& name) const;
    PropertyRead checkedRead(DeviceClass device, const QString& name) const;
    QString errorString(DeviceClass device) const;
    QString simulatedState(const Step& step) const;
    void simulate(const Step& step);
    bool simulatedStateHolds(const Step& step) const;

    void expectResult(const Step& step);
    void expectProperty(const Step& step);
    void expectEvent(const Step& step);
    void expectSimulated(const Step& step);
    // `message` says why a failed expectation failed; `note` is shown on a PASS line.
    void reportOutcome(const Step& step, bool held, const QString& message,
                       const QString& note = {});
    void reportOutcome(int line, const QString& statement, bool held, const QString& message,
                       const QString& note = {});
    QString statement(const Step& step) const;
    void reportUnexpectedFailure();

    void recordEvent(SeenEvent event, const QString& text);
    std::deque<SeenEvent>::iterator findEvent(const Step& step);
    int32_t nextErrorAnswer();

    // A call's transcript line, named by the statement.
    void recordCall(const Step& step, int32_t result, int32_t extended);
    bool rewriteCallText(const Step& step, const QString& detail);
    QString callDetail(const Step& step, int32_t result, int32_t extended);
    bool putStatementCall(TextWriter& out, const Step& step);
    void putShownCall(TextWriter& out, const Step& step);
    bool startsAsShownCall(QByteArrayView statement, qsizetype textAt) const;
    void readAndShow(const Step& step);
    void recordFailure(const Step& step, const QString& what);
    void writeLine(QStringView device, QStringView name, QStringView detail);
    // The same with the name written in place by `putName(TextWriter&)`.
    template <typename PutName>
    requires std::invocable<const PutName&, TextWriter&>
    void writeLine(QStringView device, const PutName& putName, QStringView detail)
    {
        writeLineWith(
            device, &putName,
            [](const void* put, TextWriter& line) { (*static_cast<const PutName*>(put))(line); },
            detail);
    }
    void writeLineWith(QStringView device, const void* putName,
                       void (*put)(const void* putName, TextWriter& line), QStringView detail);
    void publishLine(QStringView line);
    opos::CompanionDevice& companion(DeviceClass device) const;
    sim::SimulatedDevices& simulated() const;

    ScriptClock& m_clock;
    const Script* m_script = nullptr; // the script being run
    sim::SimulatedDevices* m_simulated;
    // "sim printer listen": the simulated printer on the network, for this run.
    std::unique_ptr<netprinter::NetworkPrinter> m_networkPrinter;
    std::unique_ptr<opos::PosPrinter> m_printer;
    std::unique_ptr<opos::CashDrawer> m_drawer;
    std::unique_ptr<opos::LineDisplay> m_display;
    std::vector<RunListener*> m_listeners;
    QString m_names[3];
    QString m_folder;
    LastCall m_last;
    bool m_failurePending = false;
    std::deque<SeenEvent> m_events;
    std::deque<std::pair<int32_t, int32_t>> m_errorAnswers; // answer, how many times
    RunSummary m_summary;
    int m_currentLine = 0;
    int m_lastActionLine = 0; // the latest call, property write, sim control or wait
    QDateTime m_lastOutcomeAt;
    TimestampText m_timeText;
    QString m_line;          // the transcript line being written, its room kept from line to line
    QString m_callText;      // a call's text, its room kept from call to call
    TextSpan m_callTextSpan; // where m_callText's text stands among the script's texts
    // The call the transcript showed last, and the statement it was shown for (a part of the
    // script being run).
    struct ShownCall
    {
        QByteArrayView statement;
        QString text;
        qsizetype textAt = -1;     // see writtenLastTextAt()
        qsizetype shownTextAt = 0; // where the text starts in `text`, when textAt is not -1
        qsizetype lineAt = 0;      // where it was last written in m_line
    } m_shownCall;
    bool m_lineShowsCall = false; // the last line, m_line, shows its call as m_shownCall
    qint64 m_nextTurnMs = 0;      // when the event loop takes its next whole turn, on coarseMs()
};

} // namespace script

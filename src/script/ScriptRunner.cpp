#include "script/ScriptRunner.h"

#include "backends/netprinter/NetworkPrinter.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/CashDrawer.h"
#include "opos/LineDisplay.h"
#include "opos/OposConstants.h"
#include "opos/OposNames.h"
#include "opos/PosPrinter.h"
#include "script/ScriptClock.h"
#include "script/ScriptNames.h"
#include "script/TextWriter.h"
#include "script/TranscriptText.h"

#include <QCoreApplication>
#include <algorithm>
#include <ctime>
#include <exception>

namespace script {

namespace {

// Events no expectation took are kept this far back, so a long run keeps a bounded memory.
constexpr size_t kKeptEvents = 1000;
// How often a run of quick steps lets timers and sockets have their turn.
constexpr qint64 kTurnEveryMs = 5;

// A monotonic time in milliseconds that costs a few nanoseconds to read, exact to a few: enough
// to space the event loop's turns, which are looked for after every step.
qint64 coarseMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

void prefetchText(const Script& script, const Step& step)
{
    // A statement may stand on two lines of the cache.
    const char* const statement = script.text.constData() + step.textStart;
    __builtin_prefetch(statement);
    __builtin_prefetch(statement + step.textLength);
    const TextSpan text = step.arguments.textSpan(step.arguments.textPosition());
    if (text.length > 0)
        __builtin_prefetch(script.texts.data() + text.start);
}

QString valueText(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    return value.toString();
}

} // namespace

ScriptRunner::ScriptRunner(const opos::DeviceRegistry& registry, opos::ControlOptions options,
                           sim::SimulatedDevices* simulated, ScriptClock& clock, QObject* parent)
    : QObject(parent), m_clock(clock), m_simulated(simulated),
      m_printer(std::make_unique<opos::PosPrinter>(registry, options)),
      m_drawer(std::make_unique<opos::CashDrawer>(registry, options)),
      m_display(std::make_unique<opos::LineDisplay>(registry, options)), m_names{
                                                                             sim::kPrinterName,
                                                                             sim::kCashDrawerName,
                                                                             sim::kLineDisplayName}
{
    constexpr auto printer = DeviceClass::Printer;
    connect(m_printer.get(), &opos::PosPrinter::StatusUpdateEvent, this, [this](int32_t data) {
        recordEvent({printer, QStringLiteral("StatusUpdateEvent"), data, 0},
                    QStringLiteral("DATA=") + statusUpdateName(false, data));
    });
    connect(m_printer.get(), &opos::PosPrinter::OutputCompleteEvent, this, [this](int32_t id) {
        recordEvent({printer, QStringLiteral("OutputCompleteEvent"), id, 0},
                    outputCompleteEventDetail(id));
    });
    connect(m_printer.get(), &opos::PosPrinter::StatusChangesNotShown, this,
            [this](const QString& note) {
                writeLine(deviceWord(DeviceClass::Printer), QStringLiteral("StatusUpdateEvent()"),
                          note);
            });
    connect(m_printer.get(), &opos::PosPrinter::DirectIOEvent, this,
            [this](int32_t number, int32_t* pData, QString* pString) {
                recordEvent({printer, QStringLiteral("DirectIOEvent"), number, 0},
                            directIOEventDetail(number, pData ? *pData : 0,
                                                pString ? *pString : QString()));
            });
    connect(m_printer.get(), &opos::PosPrinter::ErrorEvent, this,
            [this](int32_t code, int32_t extended, int32_t locus, int32_t* response) {
                const int32_t answer = nextErrorAnswer();
                if (response)
                    *response = answer;
                recordEvent({printer, QStringLiteral("ErrorEvent"), code, extended},
                            errorEventDetail(code, extended, locus) +
                                (answer == opos::OPOS_ER_RETRY
                                     ? QStringLiteral(" -> OPOS_ER_RETRY")
                                     : QStringLiteral(" -> OPOS_ER_CLEAR")));
            });
    connect(m_drawer.get(), &opos::CashDrawer::StatusUpdateEvent, this, [this](int32_t data) {
        recordEvent({DeviceClass::Drawer, QStringLiteral("StatusUpdateEvent"), data, 0},
                    QStringLiteral("DATA=") + statusUpdateName(true, data));
    });
}

ScriptRunner::~ScriptRunner() = default;

void ScriptRunner::addListener(RunListener* listener)
{
    m_listeners.push_back(listener);
}

RunSummary ScriptRunner::run(const Script& script)
{
    m_summary = {};
    m_script = &script;
    // What these hold stands in the script run before.
    m_shownCall = {};
    m_callTextSpan = {};
    m_folder = script.folder;
    m_lastOutcomeAt = m_clock.now();
    writeLine(QStringLiteral("run"),
              QString(QCoreApplication::applicationName() + QLatin1Char(' ') +
                      QCoreApplication::applicationVersion())
                  .trimmed(),
              QString(QStringLiteral("script ") + script.fileName));
    const Step* const last = script.steps.data() + script.steps.size();
    for (const Step* next = script.steps.data(); next != last; ++next) {
        const Step& step = *next;
        // A long script's steps, statements and texts are far from the cache by the time they
        // run: those of the steps just ahead are fetched while this one runs.
        if (last - next > 2)
            __builtin_prefetch(next + 2);
        if (last - next > 1)
            prefetchText(script, next[1]);
        const bool checksLastCall =
            step.kind == Step::Kind::ExpectResult || step.kind == Step::Kind::ExpectFailure;
        if (m_failurePending && !checksLastCall)
            reportUnexpectedFailure();
        m_currentLine = step.line;
        switch (step.kind) {
        case Step::Kind::Call:
        case Step::Kind::PrintFile:
        case Step::Kind::SetProperty:
        case Step::Kind::Sim:
        case Step::Kind::Wait:
            m_lastActionLine = step.line;
            break;
        default:
            break;
        }
        runStep(step);
        deliverEvents();
    }
    if (m_failurePending)
        reportUnexpectedFailure();
    writeLine(QStringLiteral("run"),
              m_summary.failures ? QStringLiteral("FAILED") : QStringLiteral("PASSED"),
              QStringLiteral("%1, %2 failed")
                  .arg(expectationCount(m_summary.expectations))
                  .arg(m_summary.failures));
    m_script = nullptr;
    return m_summary;
}

// What a step raised is delivered before the next step, so that the transcript shows it in its
// place. A whole turn of the event loop for timers and sockets costs more than a quick call, so
// it comes every few milliseconds.
void ScriptRunner::deliverEvents()
{
    if (coarseMs() < m_nextTurnMs) {
        QCoreApplication::sendPostedEvents();
        return;
    }
    QCoreApplication::processEvents();
    m_nextTurnMs = coarseMs() + kTurnEveryMs;
}

void ScriptRunner::runStep(const Step& step)
{
    switch (step.kind) {
    case Step::Kind::Use:
        m_names[static_cast<int>(step.device)] = step.value().toString();
        break;
    case Step::Kind::Call:
    case Step::Kind::PrintFile:
    case Step::Kind::SetProperty:
    case Step::Kind::GetProperty:
    case Step::Kind::Sim:
        call(step);
        break;
    case Step::Kind::ExpectResult:
    case Step::Kind::ExpectFailure:
        expectResult(step);
        break;
    case Step::Kind::ExpectProperty:
        expectProperty(step);
        break;
    case Step::Kind::ExpectEvent:
        expectEvent(step);
        break;
    case Step::Kind::ExpectSim:
        expectSimulated(step);
        break;
    case Step::Kind::AnswerErrors:
        m_errorAnswers.emplace_back(step.value().toInt(), step.count());
        break;
    case Step::Kind::Wait:
        writeLine(QStringLiteral("wait"),
                  QString(QString::number(step.timeoutMs()) + QStringLiteral(" ms")), {});
        m_clock.waitUntil(step.timeoutMs(), [] { return false; });
        break;
    }
}

void ScriptRunner::expectResult(const Step& step)
{
    m_failurePending = false;
    if (!m_last.made) {
        reportOutcome(step, false, QStringLiteral("no call was made before"));
        return;
    }
    if (step.kind == Step::Kind::ExpectFailure) {
        reportOutcome(
            step, m_last.failed,
            QStringLiteral("the call gave %1, not a run-time failure")
                .arg(DecodeResultCode(m_last.result == opos::OPOS_E_EXTENDED ? m_last.extended
                                                                             : m_last.result)));
        return;
    }
    if (m_last.failed) {
        reportOutcome(step, false, QStringLiteral("run-time failure: ") + m_last.failure);
        return;
    }
    const int32_t expected = step.value().toInt();
    const bool held = m_last.result == expected ||
                      (m_last.result == opos::OPOS_E_EXTENDED && m_last.extended == expected);
    QString got = DecodeResultCode(m_last.result);
    if (m_last.result == opos::OPOS_E_EXTENDED)
        got += QStringLiteral(" / ") + DecodeResultCode(m_last.extended);
    if (!m_last.reason.isEmpty())
        got += QStringLiteral(" (%1)").arg(m_last.reason);
    reportOutcome(step, held, QStringLiteral("got ") + got);
}

void ScriptRunner::expectProperty(const Step& step)
{
    QString message;
    const auto holds = [&] {
        try {
            const PropertyRead read = checkedRead(step.device, step.name());
            if (read.result != opos::OPOS_SUCCESS) {
                message = QStringLiteral("%1 not read: ResultCode = %2, %3")
                              .arg(step.name(),
                                   propertyValueText(QStringLiteral("ResultCode"), read.result),
                                   read.reason);
                return false;
            }
            message = QStringLiteral("%1 is %2")
                          .arg(step.name(), propertyValueText(step.name(), read.value));
            const bool equal = read.value.typeId() == QMetaType::Bool
                                   ? read.value.toBool() == step.value().toBool()
                                   : valueText(read.value) == valueText(step.value());
            return equal != step.negated;
        } catch (const std::exception& what) {
            message = QStringLiteral("run-time failure: ") + QString::fromUtf8(what.what());
            return false;
        }
    };
    const bool held = m_clock.waitUntil(step.timeoutMs(), holds);
    reportOutcome(step, held, message);
}

void ScriptRunner::expectEvent(const Step& step)
{
    const auto found = [this, &step] { return findEvent(step) != m_events.end(); };
    const bool arrived = m_clock.waitUntil(step.timeoutMs(), found);
    QString note;
    if (arrived && !step.negated) {
        const auto taken = findEvent(step);
        // An event kept from before the latest action may not be the one the reader expects.
        if (taken->line < m_lastActionLine)
            note = QStringLiteral("took the event of %1 (during line %2)")
                       .arg(taken->at.toUTC().toString(Qt::ISODateWithMs))
                       .arg(taken->line);
        m_events.erase(taken);
    }
    const QString what = step.value().isValid()
                             ? step.name() + QLatin1Char(' ') + eventValueText(step)
                             : step.name();
    reportOutcome(step, arrived != step.negated,
                  arrived ? QStringLiteral("%1 arrived").arg(what)
                          : QStringLiteral("no %1 within %2 ms").arg(what).arg(step.timeoutMs()),
                  note);
}

void ScriptRunner::expectSimulated(const Step& step)
{
    QString failure;
    const bool held = m_clock.waitUntil(step.timeoutMs(), [&] {
        try {
            return simulatedStateHolds(step);
        } catch (const std::exception& what) {
            failure = QString::fromUtf8(what.what());
            return false;
        }
    });
    reportOutcome(step, held, failure.isEmpty() && !held ? simulatedState(step) : failure);
}

void ScriptRunner::reportOutcome(const Step& step, bool held, const QString& message,
                                 const QString& note)
{
    reportOutcome(step.line, statement(step), held, message, note);
}

void ScriptRunner::reportOutcome(int line, const QString& statement, bool held,
                                 const QString& message, const QString& note)
{
    const QDateTime now = m_clock.now();
    ExpectationOutcome outcome;
    outcome.line = line;
    outcome.statement = statement;
    outcome.held = held;
    outcome.message = held ? QString() : message;
    outcome.seconds = static_cast<double>(m_lastOutcomeAt.msecsTo(now)) / 1000.0;
    m_lastOutcomeAt = now;
    ++m_summary.expectations;
    if (!held)
        ++m_summary.failures;
    for (RunListener* listener : m_listeners)
        listener->expectationChecked(outcome);
    writeLine(held ? QStringLiteral("PASS") : QStringLiteral("FAIL"),
              QStringLiteral("line %1: %2").arg(line).arg(statement), held ? note : message);
}

void ScriptRunner::reportUnexpectedFailure()
{
    m_failurePending = false;
    reportOutcome(m_last.line, m_last.statement, false,
                  QStringLiteral("unexpected run-time failure: ") + m_last.failure);
}

QString ScriptRunner::statement(const Step& step) const
{
    return m_script ? m_script->statement(step) : QString();
}

void ScriptRunner::recordEvent(SeenEvent event, const QString& text)
{
    event.line = m_currentLine;
    event.at = m_clock.now();
    writeLine(deviceWord(event.device), QString(event.name + QStringLiteral("()")), text);
    m_events.push_back(std::move(event));
    if (m_events.size() > kKeptEvents)
        m_events.pop_front();
}

std::deque<ScriptRunner::SeenEvent>::iterator ScriptRunner::findEvent(const Step& step)
{
    return std::find_if(m_events.begin(), m_events.end(), [&step](const SeenEvent& event) {
        if (event.device != step.device || event.name != step.name())
            return false;
        if (!step.value().isValid())
            return true;
        const int32_t expected = step.value().toInt();
        return event.value == expected ||
               (event.name == u"ErrorEvent" && event.value == opos::OPOS_E_EXTENDED &&
                event.extended == expected);
    });
}

int32_t ScriptRunner::nextErrorAnswer()
{
    // Unanswered errors are cleared: a retry nobody asked for could repeat without end.
    if (m_errorAnswers.empty())
        return opos::OPOS_ER_CLEAR;
    auto& [answer, times] = m_errorAnswers.front();
    const int32_t given = answer;
    if (--times == 0)
        m_errorAnswers.pop_front();
    return given;
}

void ScriptRunner::writeLine(QStringView device, QStringView name, QStringView detail)
{
    writeLine(
        device, [name](TextWriter& line) { line.put(name); }, detail);
}

void ScriptRunner::writeLineWith(QStringView device, const void* putName,
                                 void (*put)(const void* putName, TextWriter& line),
                                 QStringView detail)
{
    // The line is written over the last one: its room is kept from line to line.
    m_lineShowsCall = false;
    TextWriter line(m_line, TextWriter::Start::OverText);
    line.put(m_timeText.view(m_clock.msecsSinceEpoch()));
    line.put(u"  ");
    line.put(device);
    line.put(u"  ");
    put(putName, line);
    if (!detail.isEmpty()) {
        line.put(u"  ");
        line.put(detail);
    }
    publishLine(line.written());
}

void ScriptRunner::publishLine(QStringView line)
{
    for (RunListener* listener : m_listeners)
        listener->transcriptLine(line);
}

} // namespace script

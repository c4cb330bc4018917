#include "script/HeadlessRun.h"

#include "backends/BackendSetup.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/DeviceRegistry.h"
#include "script/JUnitReport.h"
#include "script/ReportFile.h"
#include "script/ScriptClock.h"
#include "script/ScriptError.h"
#include "script/ScriptParser.h"
#include "script/ScriptRunner.h"
#include "script/StreamTranscript.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHostInfo>
#include <QTextStream>
#include <algorithm>
#include <optional>

namespace script {

namespace {

// The report of a run, and the file it goes to once the run has ended.
class RunReport
{
public:
    RunReport(const QString& path, const QString& suite, const QDateTime& started)
    {
        if (!path.isEmpty()) {
            m_file.emplace(path);
            m_report.emplace(suite, started);
        }
    }

    JUnitReport* listener() { return m_report ? &*m_report : nullptr; }

    // Opens the file before anything runs; false with the reason on `err`.
    bool open(QTextStream& err) { return !m_file || m_file->open() || refuse(err); }

    // Writes the report; on failure says why and leaves no older report behind.
    bool finish(QTextStream& err)
    {
        if (!m_file)
            return true;
        if (m_file->write(m_report->toXml(QHostInfo::localHostName())))
            return true;
        m_file->removeStale();
        return refuse(err);
    }

    // A run that could not run still leaves a report, saying why.
    void cannotRun(const QString& reason, QTextStream& err)
    {
        if (!m_report)
            return;
        m_report->cannotRun(reason);
        finish(err);
    }

private:
    bool refuse(QTextStream& err)
    {
        err << m_file->path() << ": cannot write the report: " << m_file->error() << '\n';
        err.flush();
        return false;
    }

    std::optional<ReportFile> m_file;
    std::optional<JUnitReport> m_report;
};

bool savesReceiptPicture(const Script& script)
{
    return std::any_of(script.steps.cbegin(), script.steps.cend(), [](const Step& step) {
        return step.kind == Step::Kind::Sim && step.name() == u"save-receipt";
    });
}

} // namespace

int runHeadless(const QString& scriptPath, const QString& reportPath,
                const opos::ControlOptions& options, QTextStream& out, QTextStream& err,
                const MakeApplication& makeApplication)
{
    EventLoopClock clock;
    const QString suite =
        scriptPath == u"-" ? QStringLiteral("stdin") : QFileInfo(scriptPath).completeBaseName();
    RunReport report(reportPath, suite, clock.now());
    if (!report.open(err))
        return kCannotRun;

    const auto cannotRun = [&](const QString& reason) {
        err << reason << '\n';
        err.flush();
        report.cannotRun(reason, err);
        return kCannotRun;
    };
    Script script;
    try {
        script = loadScript(scriptPath);
    } catch (const ScriptError& wrong) {
        return cannotRun(QString::fromStdString(wrong.what()));
    }
    if (!holdsExpectation(script))
        return cannotRun(QString::fromUtf8(
            ScriptError(script.fileName, 0, QStringLiteral("the script holds no expectation"))
                .what()));

    const std::unique_ptr<QCoreApplication> application =
        makeApplication ? makeApplication(savesReceiptPicture(script)) : nullptr;
    sim::SimulatedDevices simulated;
    opos::DeviceRegistry registry;
    addDefaultBackends(registry, simulated);
    ScriptRunner runner(registry, options, &simulated, clock);
    StreamTranscript transcript(out);
    runner.addListener(&transcript);
    if (JUnitReport* junit = report.listener())
        runner.addListener(junit);

    const RunSummary summary = runner.run(script);
    transcript.flush(); // before anything the report has to say on the error stream

    if (!report.finish(err))
        return kCannotRun;
    return summary.failures ? kExpectationFailed : kAllHeld;
}

} // namespace script

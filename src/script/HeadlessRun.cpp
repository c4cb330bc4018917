#include "script/HeadlessRun.h"

#include "backends/BackendSetup.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/DeviceRegistry.h"
#include "script/JUnitReport.h"
#include "script/ScriptClock.h"
#include "script/ScriptError.h"
#include "script/ScriptParser.h"
#include "script/ScriptRunner.h"
#include "script/StreamTranscript.h"

#include <QFileInfo>
#include <QHostInfo>
#include <QSaveFile>
#include <QTextStream>
#include <optional>

namespace script {

int runHeadless(const QString& scriptPath, const QString& reportPath,
                const opos::ControlOptions& options, QTextStream& out, QTextStream& err)
{
    Script script;
    try {
        script = loadScript(scriptPath);
    } catch (const ScriptError& wrong) {
        err << wrong.what() << '\n';
        err.flush();
        return kCannotRun;
    }

    EventLoopClock clock;
    sim::SimulatedDevices simulated;
    opos::DeviceRegistry registry;
    addDefaultBackends(registry, simulated);
    ScriptRunner runner(registry, options, &simulated, clock);
    StreamTranscript transcript(out);
    runner.addListener(&transcript);
    const QString suite =
        scriptPath == u"-" ? QStringLiteral("stdin") : QFileInfo(scriptPath).completeBaseName();
    std::optional<JUnitReport> report;
    if (!reportPath.isEmpty()) {
        report.emplace(suite, clock.now());
        runner.addListener(&*report);
    }

    const RunSummary summary = runner.run(script);

    if (report) {
        QSaveFile file(reportPath);
        if (!file.open(QIODevice::WriteOnly) || !report->write(file, QHostInfo::localHostName()) ||
            !file.commit()) {
            err << reportPath << ": cannot write the report: " << file.errorString() << '\n';
            err.flush();
            return kCannotRun;
        }
    }
    return summary.failures ? kExpectationFailed : kAllHeld;
}

} // namespace script

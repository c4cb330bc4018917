#pragma once

#include "opos/ControlOptions.h"

#include <QString>

class QTextStream;

namespace script {

// What the program answers after a run without a window.
enum ExitCode
{
    kAllHeld = 0,
    kExpectationFailed = 1,
    kCannotRun = 2,
};

// Runs the script file (standard input for "-") on the same devices the window reaches: the
// simulated ones, device addresses and the user's devices file. The transcript goes to `out`,
// faults that stop the run to `err`; with a report path a JUnit report is written there.
int runHeadless(const QString& scriptPath, const QString& reportPath,
                const opos::ControlOptions& options, QTextStream& out, QTextStream& err);

} // namespace script

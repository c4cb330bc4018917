#pragma once

#include "opos/ControlOptions.h"

#include <QString>
#include <functional>
#include <memory>

class QCoreApplication;
class QTextStream;

namespace script {

// What the program answers after a run without a window.
enum ExitCode
{
    kAllHeld = 0,
    kExpectationFailed = 1,
    kCannotRun = 2,
};

// Makes the application object for a run once its script is read: one that draws text (a GUI
// application) when the script saves a receipt picture, else a plain one, which starts and ends
// far quicker. Null when there is one already.
using MakeApplication = std::function<std::unique_ptr<QCoreApplication>(bool drawsText)>;

// Runs the script file (standard input for "-") on the same devices the window reaches: the
// simulated ones, device addresses and the user's devices file. The transcript goes to `out`,
// faults that stop the run to `err`; with a report path a JUnit report is written there.
int runHeadless(const QString& scriptPath, const QString& reportPath,
                const opos::ControlOptions& options, QTextStream& out, QTextStream& err,
                const MakeApplication& makeApplication = {});

} // namespace script

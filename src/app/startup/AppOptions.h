#pragma once

#include "opos/ControlOptions.h"

#include <QString>
#include <QStringList>

// What the command line (and the environment) asks of a run.
struct AppOptions
{
    opos::ControlOptions control;
    bool virtualDevices = true; // show the "Virtual devices" window beside the main window
    int quitAfterMs = -1;       // for smoke runs: close the program after this time; -1 never
    QString runScript;          // --run: run this script without a window ("-" for standard input)
    QString reportFile;         // --report: write the run's JUnit report here
    QString servePrinter;       // --serve-printer: be a network printer on [ADDRESS:]PORT
    QString receiptsDir;        // --receipts: with --serve-printer, one PNG per cut here
    bool helpRequested = false;
    bool versionRequested = false; // --version: print the program's version and stop
    QString helpText;
};

// Reads the arguments (the program name first). --control-version wins over the environment's
// OPOS_CONTROL_VERSION (given here as its value, empty when unset). A bad argument throws
// std::invalid_argument with a message for the user.
AppOptions parseAppOptions(const QStringList& arguments, const QString& environmentVersion);

// Whether the raw arguments ask for a run without a window. Decided before any application
// object exists, because a window application needs a display and a scripted run must not.
bool runsWithoutWindow(int argc, const char* const* argv);

#pragma once

class Dialogs;
class ErrorLamps;
class OperationLog;
class StatusNote;
struct ModuleFlags;
namespace opos {
class PosPrinter;
}

// What every printer command works with: the control object, the shared flags, the log, the
// lamp procedures, the boxes and the status bar's note. All owned by the window.
struct PrinterContext
{
    opos::PosPrinter& printer;
    ModuleFlags& flags;
    OperationLog& log;
    ErrorLamps& lamps;
    Dialogs& dialogs;
    StatusNote& note;
};

#pragma once

class Dialogs;
class ErrorLamps;
class OperationLog;
struct ModuleFlags;
namespace opos {
class PosPrinter;
}

// What every printer command works with: the control object, the shared flags, the log, the
// lamp procedures and the boxes. All owned by the window.
struct PrinterContext
{
    opos::PosPrinter& printer;
    ModuleFlags& flags;
    OperationLog& log;
    ErrorLamps& lamps;
    Dialogs& dialogs;
};

#include "printer/FilePrintGuard.h"

#include "printer/PrinterContext.h"
#include "services/Dialogs.h"
#include "services/FailureTrap.h"
#include "services/ModuleFlags.h"

bool refusedDuringFileJob(const PrinterContext& context)
{
    if (!context.flags.FileJobRunning)
        return false;
    context.dialogs.warning(QStringLiteral("FILE PRINTING in progress!"), kErrorMessageTitle);
    return true;
}

#pragma once

#include <QString>

// The flags and texts shared by the commands, the event handlers and the status refresh. One
// object, owned by the window and handed to whoever needs it.
struct ModuleFlags
{
    bool DeviceOpened = false;
    bool DeviceClaimed = false;
    bool PrintingBusy = false;
    bool CoverOpenAlarm = false;
    bool PaperEmptyAlarm = false;
    bool PaperNearEndAlarm = false;

    // Shared by file printing and the line and cut commands.
    bool PrintCancelled = false;
    bool TransactionActive = false;
    // True while a file job runs, its yields included.
    bool FileJobRunning = false;
};

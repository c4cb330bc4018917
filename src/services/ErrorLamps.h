#pragma once

#include <cstdint>

class Dialogs;
class Lamp;
struct ModuleFlags;

// Brings the cover and paper alarms and their lamps in line with a command's outcome at once,
// without waiting for the next status refresh.
class ErrorLamps
{
public:
    ErrorLamps(ModuleFlags& flags, Lamp& cover, Lamp& paper, Dialogs& dialogs);
    ErrorLamps(const ErrorLamps&) = delete;
    ErrorLamps& operator=(const ErrorLamps&) = delete;

    // After OPOS_E_EXTENDED, with the extended result code.
    void ShowErrorLamps(int32_t code);
    // After a print or cut failed with a code other than OPOS_E_EXTENDED.
    void ResetErrorLamps(int32_t code);

private:
    ModuleFlags& m_flags;
    Lamp& m_cover;
    Lamp& m_paper;
    Dialogs& m_dialogs;
};

#pragma once

#include "opos/OposConstants.h"
#include "opos/PrinterBackend.h"

#include <cstdint>

namespace opos {

// The life-cycle flags and the last result of one control object, with the checks that every
// member makes before it does anything.
struct ControlState
{
    bool opened = false;
    bool claimed = false;
    bool enabled = false;
    int32_t resultCode = OPOS_SUCCESS;
    int32_t resultCodeExtended = 0;

    // Sets ResultCode (and ResultCodeExtended) and returns the code.
    int32_t finish(int32_t code, int32_t extended = 0)
    {
        resultCode = code;
        resultCodeExtended = extended;
        return code;
    }
    int32_t finish(const DeviceResult& result) { return finish(result.code, result.extended); }

    // 0 when the condition holds, otherwise the code to return.
    int32_t needOpen() const { return opened ? OPOS_SUCCESS : OPOS_E_CLOSED; }
    int32_t needClaimed() const
    {
        return !opened ? OPOS_E_CLOSED : claimed ? OPOS_SUCCESS : OPOS_E_NOTCLAIMED;
    }
    int32_t needEnabled() const
    {
        return !opened ? OPOS_E_CLOSED : enabled ? OPOS_SUCCESS : OPOS_E_DISABLED;
    }
    int32_t state() const { return opened ? OPOS_S_IDLE : OPOS_S_CLOSED; }
};

// Claim time-outs: 0 try once, t > 0 wait up to t ms, -1 forever; anything below is illegal.
inline bool validTimeout(int32_t timeoutMs)
{
    return timeoutMs >= -1;
}

} // namespace opos

#pragma once

#include "opos/ControlState.h"

#include <QScopedValueRollback>
#include <memory>

// The life-cycle members every control object shares; the device-specific step is passed in.
namespace opos {

// ClaimDevice: the checks, then the backend's claim. A claim's wait may let the event loop run;
// while it does, inClaim makes Open, Close and the claim members answer E_BUSY.
template <typename ClaimCall>
int32_t claimDevice(ControlState& life, bool& inClaim, int32_t timeoutMs, ClaimCall claim)
{
    if (const int32_t code = life.needOpen())
        return life.finish(code);
    if (!validTimeout(timeoutMs))
        return life.finish(OPOS_E_ILLEGAL);
    if (life.claimed)
        return life.finish(OPOS_SUCCESS);
    if (inClaim)
        return life.finish(OPOS_E_BUSY);
    const QScopedValueRollback guard(inClaim, true);
    const DeviceResult result = claim(timeoutMs);
    if (result.ok())
        life.claimed = true;
    return life.finish(result);
}

// ReleaseDevice: the checks, then the device's release (which disables first where needed).
template <typename ReleaseCall>
int32_t releaseDevice(ControlState& life, bool inClaim, ReleaseCall release)
{
    if (const int32_t code = life.needOpen())
        return life.finish(code);
    if (!life.claimed)
        return life.finish(OPOS_E_ILLEGAL);
    if (inClaim)
        return life.finish(OPOS_E_BUSY);
    release();
    life.claimed = false;
    return life.finish(OPOS_SUCCESS);
}

// Close: the checks, then shutDown.
template <typename ShutDownCall>
int32_t closeDevice(ControlState& life, bool inClaim, ShutDownCall shutDown)
{
    if (const int32_t code = life.needOpen())
        return life.finish(code);
    if (inClaim)
        return life.finish(OPOS_E_BUSY);
    shutDown();
    return life.finish(OPOS_SUCCESS);
}

// Disables, releases and closes a backend as far as the life cycle got, then forgets it; the
// last ResultCode stays readable.
template <typename Backend> void shutDown(ControlState& life, std::unique_ptr<Backend>& backend)
{
    if (backend) {
        if (life.enabled)
            backend->disable();
        if (life.claimed)
            backend->release();
        if (life.opened)
            backend->close();
        backend.reset();
    }
    const ControlState last = life;
    life = ControlState{};
    life.finish(last.resultCode, last.resultCodeExtended);
}

} // namespace opos

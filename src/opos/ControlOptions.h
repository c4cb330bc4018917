#pragma once

#include "opos/OposConstants.h"

#include <cstdint>

namespace opos {

// Settings of the control layer itself, the same for every control object of a run.
struct ControlOptions
{
    // Reported as ControlObjectVersion; an older value makes the application behave as with an
    // older control object (Claim/Release instead of ClaimDevice/ReleaseDevice).
    int32_t controlObjectVersion = kDefaultControlObjectVersion;
};

} // namespace opos

#include "opos/PrinterStatusEvents.h"

#include "opos/OposConstants.h"

namespace opos {

int32_t powerStateValue(PowerState power, int32_t powerReporting)
{
    if (powerReporting == OPOS_PR_NONE)
        return OPOS_PS_UNKNOWN;
    if (powerReporting == OPOS_PR_STANDARD) // tells only on line or not
        return power == PowerState::Online ? OPOS_PS_ONLINE : OPOS_PS_OFF_OFFLINE;
    switch (power) {
    case PowerState::Online:
        return OPOS_PS_ONLINE;
    case PowerState::Off:
        return OPOS_PS_OFF;
    case PowerState::Offline:
        return OPOS_PS_OFFLINE;
    case PowerState::OffOffline:
        break;
    }
    return OPOS_PS_OFF_OFFLINE;
}

int statusUpdateKind(int32_t data)
{
    switch (data) {
    case PTR_SUE_COVER_OPEN:
    case PTR_SUE_COVER_OK:
        return 1;
    case PTR_SUE_REC_EMPTY:
    case PTR_SUE_REC_NEAREMPTY:
    case PTR_SUE_REC_PAPEROK:
        return 2;
    case OPOS_PS_ONLINE:
    case OPOS_PS_OFF:
    case OPOS_PS_OFFLINE:
    case OPOS_PS_OFF_OFFLINE:
        return 3;
    default:
        return 0;
    }
}

std::vector<int32_t> statusUpdateEvents(const PrinterStatus& before, const PrinterStatus& after,
                                        int32_t powerReporting)
{
    std::vector<int32_t> events;
    if (before.coverOpen != after.coverOpen)
        events.push_back(after.coverOpen ? PTR_SUE_COVER_OPEN : PTR_SUE_COVER_OK);
    if (before.receiptPaper != after.receiptPaper) {
        switch (after.receiptPaper) {
        case PaperState::Ok:
            events.push_back(PTR_SUE_REC_PAPEROK);
            break;
        case PaperState::NearEnd:
            events.push_back(PTR_SUE_REC_NEAREMPTY);
            break;
        case PaperState::Empty:
            events.push_back(PTR_SUE_REC_EMPTY);
            break;
        }
    }
    const int32_t powerBefore = powerStateValue(before.power, powerReporting);
    const int32_t powerAfter = powerStateValue(after.power, powerReporting);
    if (powerReporting != OPOS_PR_NONE && powerBefore != powerAfter)
        events.push_back(powerAfter);
    return events;
}

} // namespace opos

#include "services/ErrorLamps.h"

#include "opos/OposConstants.h"
#include "services/Colours.h"
#include "services/FailureTrap.h"
#include "services/Lamp.h"
#include "services/ModuleFlags.h"

ErrorLamps::ErrorLamps(ModuleFlags& flags, Lamp& cover, Lamp& paper, Dialogs& dialogs)
    : m_flags(flags), m_cover(cover), m_paper(paper), m_dialogs(dialogs)
{}

void ErrorLamps::ShowErrorLamps(int32_t code)
{
    trapFailures(m_dialogs, kLampErrorTitle, [this, code] {
        if (code == opos::OPOS_EPTR_COVER_OPEN) {
            // The paper state is unknown while the cover is open: leave it as it is.
            m_flags.CoverOpenAlarm = true;
            m_cover.SetFillColor(colours::Red);
            return;
        }
        m_flags.CoverOpenAlarm = false;
        m_cover.SetFillColor(colours::Green);
        m_flags.PaperEmptyAlarm = code == opos::OPOS_EPTR_REC_EMPTY;
        m_paper.SetFillColor(m_flags.PaperEmptyAlarm ? colours::Red : colours::Green);
    });
}

void ErrorLamps::ResetErrorLamps(int32_t code)
{
    trapFailures(m_dialogs, kLampErrorTitle, [this, code] {
        if (code == opos::OPOS_E_EXTENDED)
            return;
        m_flags.CoverOpenAlarm = false;
        m_cover.SetFillColor(colours::Green);
        m_flags.PaperEmptyAlarm = false;
        m_paper.SetFillColor(colours::Green);
    });
}

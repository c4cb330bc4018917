#include "services/StatusNote.h"

#include "opos/OposConstants.h"

namespace {

// Whether a status update ends the condition a failure with this code reported.
bool ends(int32_t data, int32_t code)
{
    using namespace opos;
    switch (code) {
    case OPOS_EPTR_COVER_OPEN:
        return data == PTR_SUE_COVER_OK;
    case OPOS_EPTR_REC_EMPTY:
        return data == PTR_SUE_REC_PAPEROK || data == PTR_SUE_REC_NEAREMPTY;
    case OPOS_E_OFFLINE:
    case OPOS_E_NOHARDWARE:
        return data == OPOS_SUE_POWER_ONLINE;
    default:
        return false;
    }
}

} // namespace

StatusNote::StatusNote(QObject* parent) : QObject(parent) {}

void StatusNote::failed(const QString& text, int32_t code)
{
    show(text, code);
}

void StatusNote::succeeded(const QString& text)
{
    show(text, opos::OPOS_SUCCESS);
}

void StatusNote::statusUpdated(int32_t data)
{
    if (m_code != opos::OPOS_SUCCESS && ends(data, m_code))
        show({}, opos::OPOS_SUCCESS);
}

void StatusNote::show(const QString& text, int32_t code)
{
    m_code = code;
    if (m_text == text)
        return;
    m_text = text;
    emit changed();
}

#include "opos/OposNames.h"

#include "opos/OposConstants.h"

// The names are QStringLiterals, so every log row that shows one shares its static text. Each
// case is keyed to the constant of the same name.

QString DecodeResultCode(int32_t code)
{
    switch (code) {
    case opos::OPOS_SUCCESS:
        return QStringLiteral("OPOS_SUCCESS");
    case opos::OPOS_E_CLOSED:
        return QStringLiteral("OPOS_E_CLOSED");
    case opos::OPOS_E_CLAIMED:
        return QStringLiteral("OPOS_E_CLAIMED");
    case opos::OPOS_E_NOTCLAIMED:
        return QStringLiteral("OPOS_E_NOTCLAIMED");
    case opos::OPOS_E_NOSERVICE:
        return QStringLiteral("OPOS_E_NOSERVICE");
    case opos::OPOS_E_DISABLED:
        return QStringLiteral("OPOS_E_DISABLED");
    case opos::OPOS_E_ILLEGAL:
        return QStringLiteral("OPOS_E_ILLEGAL");
    case opos::OPOS_E_NOHARDWARE:
        return QStringLiteral("OPOS_E_NOHARDWARE");
    case opos::OPOS_E_OFFLINE:
        return QStringLiteral("OPOS_E_OFFLINE");
    case opos::OPOS_E_NOEXIST:
        return QStringLiteral("OPOS_E_NOEXIST");
    case opos::OPOS_E_EXISTS:
        return QStringLiteral("OPOS_E_EXISTS");
    case opos::OPOS_E_FAILURE:
        return QStringLiteral("OPOS_E_FAILURE");
    case opos::OPOS_E_TIMEOUT:
        return QStringLiteral("OPOS_E_TIMEOUT");
    case opos::OPOS_E_BUSY:
        return QStringLiteral("OPOS_E_BUSY");
    case opos::OPOS_E_EXTENDED:
        return QStringLiteral("OPOS_E_EXTENDED");
    case opos::OPOS_EPTR_COVER_OPEN:
        return QStringLiteral("OPOS_EPTR_COVER_OPEN");
    case opos::OPOS_EPTR_JRN_EMPTY:
        return QStringLiteral("OPOS_EPTR_JRN_EMPTY");
    case opos::OPOS_EPTR_REC_EMPTY:
        return QStringLiteral("OPOS_EPTR_REC_EMPTY");
    case opos::OPOS_EPTR_SLP_EMPTY:
        return QStringLiteral("OPOS_EPTR_SLP_EMPTY");
    case opos::OPOS_EPTR_SLP_FORM:
        return QStringLiteral("OPOS_EPTR_SLP_FORM");
    case opos::OPOS_EPTR_TOOBIG:
        return QStringLiteral("OPOS_EPTR_TOOBIG");
    case opos::OPOS_EPTR_BADFORMAT:
        return QStringLiteral("OPOS_EPTR_BADFORMAT");
    case opos::OPOS_EPTR_JRN_CARTRIDGE_REMOVED:
        return QStringLiteral("OPOS_EPTR_JRN_CARTRIDGE_REMOVED");
    case opos::OPOS_EPTR_JRN_CARTRIDGE_EMPTY:
        return QStringLiteral("OPOS_EPTR_JRN_CARTRIDGE_EMPTY");
    case opos::OPOS_EPTR_JRN_HEAD_CLEANING:
        return QStringLiteral("OPOS_EPTR_JRN_HEAD_CLEANING");
    case opos::OPOS_EPTR_REC_CARTRIDGE_REMOVED:
        return QStringLiteral("OPOS_EPTR_REC_CARTRIDGE_REMOVED");
    case opos::OPOS_EPTR_REC_CARTRIDGE_EMPTY:
        return QStringLiteral("OPOS_EPTR_REC_CARTRIDGE_EMPTY");
    case opos::OPOS_EPTR_REC_HEAD_CLEANING:
        return QStringLiteral("OPOS_EPTR_REC_HEAD_CLEANING");
    case opos::OPOS_EPTR_SLP_CARTRIDGE_REMOVED:
        return QStringLiteral("OPOS_EPTR_SLP_CARTRIDGE_REMOVED");
    case opos::OPOS_EPTR_SLP_CARTRIDGE_EMPTY:
        return QStringLiteral("OPOS_EPTR_SLP_CARTRIDGE_EMPTY");
    case opos::OPOS_EPTR_SLP_HEAD_CLEANING:
        return QStringLiteral("OPOS_EPTR_SLP_HEAD_CLEANING");
    case opos::OPOS_OR_ALREADYOPEN:
        return QStringLiteral("OPOS_OR_ALREADYOPEN");
    case opos::OPOS_OR_REGBADNAME:
        return QStringLiteral("OPOS_OR_REGBADNAME");
    case opos::OPOS_OR_REGPROGID:
        return QStringLiteral("OPOS_OR_REGPROGID");
    case opos::OPOS_OR_CREATE:
        return QStringLiteral("OPOS_OR_CREATE");
    case opos::OPOS_OR_BADIF:
        return QStringLiteral("OPOS_OR_BADIF");
    case opos::OPOS_OR_FAILEDOPEN:
        return QStringLiteral("OPOS_OR_FAILEDOPEN");
    case opos::OPOS_OR_BADVERSION:
        return QStringLiteral("OPOS_OR_BADVERSION");
    case opos::OPOS_ORS_NOPORT:
        return QStringLiteral("OPOS_ORS_NOPORT");
    case opos::OPOS_ORS_NOTSUPPORTED:
        return QStringLiteral("OPOS_ORS_NOTSUPPORTED");
    case opos::OPOS_ORS_CONFIG:
        return QStringLiteral("OPOS_ORS_CONFIG");
    case opos::OPOS_ORS_SPECIFIC:
        return QStringLiteral("OPOS_ORS_SPECIFIC");
    default:
        return QString::number(code);
    }
}

QString DecodeStatusUpdate(int32_t data)
{
    switch (data) {
    case opos::PTR_SUE_COVER_OPEN:
        return QStringLiteral("PTR_SUE_COVER_OPEN");
    case opos::PTR_SUE_COVER_OK:
        return QStringLiteral("PTR_SUE_COVER_OK");
    case opos::PTR_SUE_JRN_EMPTY:
        return QStringLiteral("PTR_SUE_JRN_EMPTY");
    case opos::PTR_SUE_JRN_NEAREMPTY:
        return QStringLiteral("PTR_SUE_JRN_NEAREMPTY");
    case opos::PTR_SUE_JRN_PAPEROK:
        return QStringLiteral("PTR_SUE_JRN_PAPEROK");
    case opos::PTR_SUE_REC_EMPTY:
        return QStringLiteral("PTR_SUE_REC_EMPTY");
    case opos::PTR_SUE_REC_NEAREMPTY:
        return QStringLiteral("PTR_SUE_REC_NEAREMPTY");
    case opos::PTR_SUE_REC_PAPEROK:
        return QStringLiteral("PTR_SUE_REC_PAPEROK");
    case opos::PTR_SUE_SLP_EMPTY:
        return QStringLiteral("PTR_SUE_SLP_EMPTY");
    case opos::PTR_SUE_SLP_NEAREMPTY:
        return QStringLiteral("PTR_SUE_SLP_NEAREMPTY");
    case opos::PTR_SUE_SLP_PAPEROK:
        return QStringLiteral("PTR_SUE_SLP_PAPEROK");
    case opos::PTR_SUE_JRN_CARTRIDGE_EMPTY:
        return QStringLiteral("PTR_SUE_JRN_CARTRIDGE_EMPTY");
    case opos::PTR_SUE_JRN_CARTRIDGE_NEAREMPTY:
        return QStringLiteral("PTR_SUE_JRN_CARTRIDGE_NEAREMPTY");
    case opos::PTR_SUE_JRN_HEAD_CLEANING:
        return QStringLiteral("PTR_SUE_JRN_HEAD_CLEANING");
    case opos::PTR_SUE_JRN_CARTRIDGE_OK:
        return QStringLiteral("PTR_SUE_JRN_CARTRIDGE_OK");
    case opos::PTR_SUE_REC_CARTRIDGE_EMPTY:
        return QStringLiteral("PTR_SUE_REC_CARTRIDGE_EMPTY");
    case opos::PTR_SUE_REC_CARTRIDGE_NEAREMPTY:
        return QStringLiteral("PTR_SUE_REC_CARTRIDGE_NEAREMPTY");
    case opos::PTR_SUE_REC_HEAD_CLEANING:
        return QStringLiteral("PTR_SUE_REC_HEAD_CLEANING");
    case opos::PTR_SUE_REC_CARTRIDGE_OK:
        return QStringLiteral("PTR_SUE_REC_CARTRIDGE_OK");
    case opos::PTR_SUE_SLP_CARTRIDGE_EMPTY:
        return QStringLiteral("PTR_SUE_SLP_CARTRIDGE_EMPTY");
    case opos::PTR_SUE_SLP_CARTRIDGE_NEAREMPTY:
        return QStringLiteral("PTR_SUE_SLP_CARTRIDGE_NEAREMPTY");
    case opos::PTR_SUE_SLP_HEAD_CLEANING:
        return QStringLiteral("PTR_SUE_SLP_HEAD_CLEANING");
    case opos::PTR_SUE_SLP_CARTRIDGE_OK:
        return QStringLiteral("PTR_SUE_SLP_CARTRIDGE_OK");
    case opos::PTR_SUE_JRN_COVER_OPEN:
        return QStringLiteral("PTR_SUE_JRN_COVER_OPEN");
    case opos::PTR_SUE_JRN_COVER_OK:
        return QStringLiteral("PTR_SUE_JRN_COVER_OK");
    case opos::PTR_SUE_REC_COVER_OPEN:
        return QStringLiteral("PTR_SUE_REC_COVER_OPEN");
    case opos::PTR_SUE_REC_COVER_OK:
        return QStringLiteral("PTR_SUE_REC_COVER_OK");
    case opos::PTR_SUE_SLP_COVER_OPEN:
        return QStringLiteral("PTR_SUE_SLP_COVER_OPEN");
    case opos::PTR_SUE_SLP_COVER_OK:
        return QStringLiteral("PTR_SUE_SLP_COVER_OK");
    case opos::PTR_SUE_IDLE:
        return QStringLiteral("PTR_SUE_IDLE");
    default:
        return QStringLiteral("UNKNOWN!");
    }
}

QString decodeStateValue(int32_t state)
{
    switch (state) {
    case opos::OPOS_S_CLOSED:
        return QStringLiteral("OPOS_S_CLOSED");
    case opos::OPOS_S_IDLE:
        return QStringLiteral("OPOS_S_IDLE");
    case opos::OPOS_S_BUSY:
        return QStringLiteral("OPOS_S_BUSY");
    case opos::OPOS_S_ERROR:
        return QStringLiteral("OPOS_S_ERROR");
    default:
        return QStringLiteral("UNKNOWN!");
    }
}

QString directIOEventDetail(int32_t eventNumber, int32_t data, const QString& text)
{
    return QStringLiteral("EN=") + QString::number(eventNumber) + QStringLiteral(" | pD=") +
           QString::number(data) + QStringLiteral(" | pStr=") + text;
}

QString errorEventDetail(int32_t resultCode, int32_t resultCodeExtended, int32_t errorLocus)
{
    return QStringLiteral("RC=") + DecodeResultCode(resultCode) + QStringLiteral(" | RCE=") +
           DecodeResultCode(resultCodeExtended) + QStringLiteral(" | EL=") +
           QString::number(errorLocus);
}

QString outputCompleteEventDetail(int32_t outputId)
{
    return QStringLiteral("OID=") + QString::number(outputId);
}

QString statusUpdateEventDetail(int32_t data)
{
    return QStringLiteral("DATA=") + DecodeStatusUpdate(data);
}

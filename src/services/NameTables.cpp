#include "services/NameTables.h"

// The names are QStringLiterals, so every log row that shows one shares its static text.

QString DecodeResultCode(int32_t code)
{
    switch (code) {
    case 0:
        return QStringLiteral("OPOS_SUCCESS");
    case 101:
        return QStringLiteral("OPOS_E_CLOSED");
    case 102:
        return QStringLiteral("OPOS_E_CLAIMED");
    case 103:
        return QStringLiteral("OPOS_E_NOTCLAIMED");
    case 104:
        return QStringLiteral("OPOS_E_NOSERVICE");
    case 105:
        return QStringLiteral("OPOS_E_DISABLED");
    case 106:
        return QStringLiteral("OPOS_E_ILLEGAL");
    case 107:
        return QStringLiteral("OPOS_E_NOHARDWARE");
    case 108:
        return QStringLiteral("OPOS_E_OFFLINE");
    case 109:
        return QStringLiteral("OPOS_E_NOEXIST");
    case 110:
        return QStringLiteral("OPOS_E_EXISTS");
    case 111:
        return QStringLiteral("OPOS_E_FAILURE");
    case 112:
        return QStringLiteral("OPOS_E_TIMEOUT");
    case 113:
        return QStringLiteral("OPOS_E_BUSY");
    case 114:
        return QStringLiteral("OPOS_E_EXTENDED");
    case 201:
        return QStringLiteral("OPOS_EPTR_COVER_OPEN");
    case 202:
        return QStringLiteral("OPOS_EPTR_JRN_EMPTY");
    case 203:
        return QStringLiteral("OPOS_EPTR_REC_EMPTY");
    case 204:
        return QStringLiteral("OPOS_EPTR_SLP_EMPTY");
    case 205:
        return QStringLiteral("OPOS_EPTR_SLP_FORM");
    case 206:
        return QStringLiteral("OPOS_EPTR_TOOBIG");
    case 207:
        return QStringLiteral("OPOS_EPTR_BADFORMAT");
    case 208:
        return QStringLiteral("OPOS_EPTR_JRN_CARTRIDGE_REMOVED");
    case 209:
        return QStringLiteral("OPOS_EPTR_JRN_CARTRIDGE_EMPTY");
    case 210:
        return QStringLiteral("OPOS_EPTR_JRN_HEAD_CLEANING");
    case 211:
        return QStringLiteral("OPOS_EPTR_REC_CARTRIDGE_REMOVED");
    case 212:
        return QStringLiteral("OPOS_EPTR_REC_CARTRIDGE_EMPTY");
    case 213:
        return QStringLiteral("OPOS_EPTR_REC_HEAD_CLEANING");
    case 214:
        return QStringLiteral("OPOS_EPTR_SLP_CARTRIDGE_REMOVED");
    case 215:
        return QStringLiteral("OPOS_EPTR_SLP_CARTRIDGE_EMPTY");
    case 216:
        return QStringLiteral("OPOS_EPTR_SLP_HEAD_CLEANING");
    case 301:
        return QStringLiteral("OPOS_OR_ALREADYOPEN");
    case 302:
        return QStringLiteral("OPOS_OR_REGBADNAME");
    case 303:
        return QStringLiteral("OPOS_OR_REGPROGID");
    case 304:
        return QStringLiteral("OPOS_OR_CREATE");
    case 305:
        return QStringLiteral("OPOS_OR_BADIF");
    case 306:
        return QStringLiteral("OPOS_OR_FAILEDOPEN");
    case 307:
        return QStringLiteral("OPOS_OR_BADVERSION");
    case 401:
        return QStringLiteral("OPOS_ORS_NOPORT");
    case 402:
        return QStringLiteral("OPOS_ORS_NOTSUPPORTED");
    case 403:
        return QStringLiteral("OPOS_ORS_CONFIG");
    case 450:
        return QStringLiteral("OPOS_ORS_SPECIFIC");
    default:
        return QString::number(code);
    }
}

QString DecodeStatusUpdate(int32_t data)
{
    switch (data) {
    case 11:
        return QStringLiteral("PTR_SUE_COVER_OPEN");
    case 12:
        return QStringLiteral("PTR_SUE_COVER_OK");
    case 21:
        return QStringLiteral("PTR_SUE_JRN_EMPTY");
    case 22:
        return QStringLiteral("PTR_SUE_JRN_NEAREMPTY");
    case 23:
        return QStringLiteral("PTR_SUE_JRN_PAPEROK");
    case 24:
        return QStringLiteral("PTR_SUE_REC_EMPTY");
    case 25:
        return QStringLiteral("PTR_SUE_REC_NEAREMPTY");
    case 26:
        return QStringLiteral("PTR_SUE_REC_PAPEROK");
    case 27:
        return QStringLiteral("PTR_SUE_SLP_EMPTY");
    case 28:
        return QStringLiteral("PTR_SUE_SLP_NEAREMPTY");
    case 29:
        return QStringLiteral("PTR_SUE_SLP_PAPEROK");
    case 41:
        return QStringLiteral("PTR_SUE_JRN_CARTRIDGE_EMPTY");
    case 42:
        return QStringLiteral("PTR_SUE_JRN_CARTRIDGE_NEAREMPTY");
    case 43:
        return QStringLiteral("PTR_SUE_JRN_HEAD_CLEANING");
    case 44:
        return QStringLiteral("PTR_SUE_JRN_CARTRIDGE_OK");
    case 45:
        return QStringLiteral("PTR_SUE_REC_CARTRIDGE_EMPTY");
    case 46:
        return QStringLiteral("PTR_SUE_REC_CARTRIDGE_NEAREMPTY");
    case 47:
        return QStringLiteral("PTR_SUE_REC_HEAD_CLEANING");
    case 48:
        return QStringLiteral("PTR_SUE_REC_CARTRIDGE_OK");
    case 49:
        return QStringLiteral("PTR_SUE_SLP_CARTRIDGE_EMPTY");
    case 50:
        return QStringLiteral("PTR_SUE_SLP_CARTRIDGE_NEAREMPTY");
    case 51:
        return QStringLiteral("PTR_SUE_SLP_HEAD_CLEANING");
    case 52:
        return QStringLiteral("PTR_SUE_SLP_CARTRIDGE_OK");
    case 60:
        return QStringLiteral("PTR_SUE_JRN_COVER_OPEN");
    case 61:
        return QStringLiteral("PTR_SUE_JRN_COVER_OK");
    case 62:
        return QStringLiteral("PTR_SUE_REC_COVER_OPEN");
    case 63:
        return QStringLiteral("PTR_SUE_REC_COVER_OK");
    case 64:
        return QStringLiteral("PTR_SUE_SLP_COVER_OPEN");
    case 65:
        return QStringLiteral("PTR_SUE_SLP_COVER_OK");
    case 1001:
        return QStringLiteral("PTR_SUE_IDLE");
    default:
        return QStringLiteral("UNKNOWN!");
    }
}

QString DecodeStateValue(int32_t state)
{
    switch (state) {
    case 1:
        return QStringLiteral("OPOS_S_CLOSED");
    case 2:
        return QStringLiteral("OPOS_S_IDLE");
    case 3:
        return QStringLiteral("OPOS_S_BUSY");
    case 4:
        return QStringLiteral("OPOS_S_ERROR");
    default:
        return QStringLiteral("UNKNOWN!");
    }
}

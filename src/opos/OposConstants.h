#pragma once

#include <cstdint>

// Values of the UnifiedPOS (OPOS) standard used by the control layer and the application.
namespace opos {

// Result codes.
inline constexpr int32_t OPOS_SUCCESS = 0;
inline constexpr int32_t OPOS_E_CLOSED = 101;
inline constexpr int32_t OPOS_E_CLAIMED = 102;
inline constexpr int32_t OPOS_E_NOTCLAIMED = 103;
inline constexpr int32_t OPOS_E_NOSERVICE = 104;
inline constexpr int32_t OPOS_E_DISABLED = 105;
inline constexpr int32_t OPOS_E_ILLEGAL = 106;
inline constexpr int32_t OPOS_E_NOHARDWARE = 107;
inline constexpr int32_t OPOS_E_OFFLINE = 108;
inline constexpr int32_t OPOS_E_NOEXIST = 109;
inline constexpr int32_t OPOS_E_EXISTS = 110;
inline constexpr int32_t OPOS_E_FAILURE = 111;
inline constexpr int32_t OPOS_E_TIMEOUT = 112;
inline constexpr int32_t OPOS_E_BUSY = 113;
inline constexpr int32_t OPOS_E_EXTENDED = 114;

// OpenResult details.
inline constexpr int32_t OPOS_OR_ALREADYOPEN = 301;
inline constexpr int32_t OPOS_OR_REGBADNAME = 302;
inline constexpr int32_t OPOS_OR_REGPROGID = 303;
inline constexpr int32_t OPOS_OR_CREATE = 304;
inline constexpr int32_t OPOS_OR_BADIF = 305;
inline constexpr int32_t OPOS_OR_FAILEDOPEN = 306;
inline constexpr int32_t OPOS_OR_BADVERSION = 307;
inline constexpr int32_t OPOS_ORS_NOPORT = 401;
inline constexpr int32_t OPOS_ORS_NOTSUPPORTED = 402;
inline constexpr int32_t OPOS_ORS_CONFIG = 403;
inline constexpr int32_t OPOS_ORS_SPECIFIC = 450;

// Extended result codes of the POS Printer.
inline constexpr int32_t OPOS_EPTR_COVER_OPEN = 201;
inline constexpr int32_t OPOS_EPTR_JRN_EMPTY = 202;
inline constexpr int32_t OPOS_EPTR_REC_EMPTY = 203;
inline constexpr int32_t OPOS_EPTR_SLP_EMPTY = 204;
inline constexpr int32_t OPOS_EPTR_SLP_FORM = 205;
inline constexpr int32_t OPOS_EPTR_TOOBIG = 206;
inline constexpr int32_t OPOS_EPTR_BADFORMAT = 207;
inline constexpr int32_t OPOS_EPTR_JRN_CARTRIDGE_REMOVED = 208;
inline constexpr int32_t OPOS_EPTR_JRN_CARTRIDGE_EMPTY = 209;
inline constexpr int32_t OPOS_EPTR_JRN_HEAD_CLEANING = 210;
inline constexpr int32_t OPOS_EPTR_REC_CARTRIDGE_REMOVED = 211;
inline constexpr int32_t OPOS_EPTR_REC_CARTRIDGE_EMPTY = 212;
inline constexpr int32_t OPOS_EPTR_REC_HEAD_CLEANING = 213;
inline constexpr int32_t OPOS_EPTR_SLP_CARTRIDGE_REMOVED = 214;
inline constexpr int32_t OPOS_EPTR_SLP_CARTRIDGE_EMPTY = 215;
inline constexpr int32_t OPOS_EPTR_SLP_HEAD_CLEANING = 216;

// Device states.
inline constexpr int32_t OPOS_S_CLOSED = 1;
inline constexpr int32_t OPOS_S_IDLE = 2;
inline constexpr int32_t OPOS_S_BUSY = 3;
inline constexpr int32_t OPOS_S_ERROR = 4;

// Error event locus and response.
inline constexpr int32_t OPOS_EL_OUTPUT = 1;
inline constexpr int32_t OPOS_EL_INPUT = 2;
inline constexpr int32_t OPOS_EL_INPUT_DATA = 3;
inline constexpr int32_t OPOS_ER_RETRY = 11;
inline constexpr int32_t OPOS_ER_CLEAR = 12;
inline constexpr int32_t OPOS_ER_CONTINUEINPUT = 13;

// Error levels.
inline constexpr int32_t PTR_EL_NONE = 1;
inline constexpr int32_t PTR_EL_RECOVERABLE = 2;
inline constexpr int32_t PTR_EL_FATAL = 3;

// Printer stations.
inline constexpr int32_t PTR_S_JOURNAL = 1;
inline constexpr int32_t PTR_S_RECEIPT = 2;
inline constexpr int32_t PTR_S_SLIP = 4;

// TransactionPrint controls.
inline constexpr int32_t PTR_TP_TRANSACTION = 11;
inline constexpr int32_t PTR_TP_NORMAL = 12;

// Barcode symbologies (PTR_BCS_*); JAN8 and JAN13 are EAN8 and EAN13.
inline constexpr int32_t PTR_BCS_UPCA = 101;
inline constexpr int32_t PTR_BCS_UPCE = 102;
inline constexpr int32_t PTR_BCS_JAN8 = 103;
inline constexpr int32_t PTR_BCS_EAN8 = 103;
inline constexpr int32_t PTR_BCS_JAN13 = 104;
inline constexpr int32_t PTR_BCS_EAN13 = 104;
inline constexpr int32_t PTR_BCS_TF = 105;
inline constexpr int32_t PTR_BCS_ITF = 106;
inline constexpr int32_t PTR_BCS_Codabar = 107;
inline constexpr int32_t PTR_BCS_Code39 = 108;
inline constexpr int32_t PTR_BCS_Code93 = 109;
inline constexpr int32_t PTR_BCS_Code128 = 110;
inline constexpr int32_t PTR_BCS_UPCA_S = 111;
inline constexpr int32_t PTR_BCS_UPCE_S = 112;
inline constexpr int32_t PTR_BCS_UPCD1 = 113;
inline constexpr int32_t PTR_BCS_UPCD2 = 114;
inline constexpr int32_t PTR_BCS_UPCD3 = 115;
inline constexpr int32_t PTR_BCS_UPCD4 = 116;
inline constexpr int32_t PTR_BCS_UPCD5 = 117;
inline constexpr int32_t PTR_BCS_EAN8_S = 118;
inline constexpr int32_t PTR_BCS_EAN13_S = 119;
inline constexpr int32_t PTR_BCS_EAN128 = 120;
inline constexpr int32_t PTR_BCS_OCRA = 121;
inline constexpr int32_t PTR_BCS_OCRB = 122;
inline constexpr int32_t PTR_BCS_Code128_Parsed = 123;
inline constexpr int32_t PTR_BCS_PDF417 = 201;
inline constexpr int32_t PTR_BCS_MAXICODE = 202;
inline constexpr int32_t PTR_BCS_DATAMATRIX = 203;
inline constexpr int32_t PTR_BCS_QRCODE = 204;
inline constexpr int32_t PTR_BCS_UQRCODE = 205;
inline constexpr int32_t PTR_BCS_AZTEC = 206;
inline constexpr int32_t PTR_BCS_UPDF417 = 207;

// Barcode alignment and readable-text position; bitmap width, alignment and memory types.
inline constexpr int32_t PTR_BC_LEFT = -1;
inline constexpr int32_t PTR_BC_CENTER = -2;
inline constexpr int32_t PTR_BC_RIGHT = -3;
inline constexpr int32_t PTR_BC_TEXT_NONE = -11;
inline constexpr int32_t PTR_BC_TEXT_ABOVE = -12;
inline constexpr int32_t PTR_BC_TEXT_BELOW = -13;
inline constexpr int32_t PTR_BM_ASIS = -11;
inline constexpr int32_t PTR_BM_LEFT = -1;
inline constexpr int32_t PTR_BM_CENTER = -2;
inline constexpr int32_t PTR_BM_RIGHT = -3;
inline constexpr int32_t PTR_BMT_BMP = 1;
inline constexpr int32_t PTR_BMT_JPEG = 2;
inline constexpr int32_t PTR_BMT_GIF = 3;

// Status update events of the POS Printer.
inline constexpr int32_t PTR_SUE_COVER_OPEN = 11;
inline constexpr int32_t PTR_SUE_COVER_OK = 12;
inline constexpr int32_t PTR_SUE_JRN_EMPTY = 21;
inline constexpr int32_t PTR_SUE_JRN_NEAREMPTY = 22;
inline constexpr int32_t PTR_SUE_JRN_PAPEROK = 23;
inline constexpr int32_t PTR_SUE_REC_EMPTY = 24;
inline constexpr int32_t PTR_SUE_REC_NEAREMPTY = 25;
inline constexpr int32_t PTR_SUE_REC_PAPEROK = 26;
inline constexpr int32_t PTR_SUE_SLP_EMPTY = 27;
inline constexpr int32_t PTR_SUE_SLP_NEAREMPTY = 28;
inline constexpr int32_t PTR_SUE_SLP_PAPEROK = 29;
inline constexpr int32_t PTR_SUE_JRN_CARTRIDGE_EMPTY = 41;
inline constexpr int32_t PTR_SUE_JRN_CARTRIDGE_NEAREMPTY = 42;
inline constexpr int32_t PTR_SUE_JRN_HEAD_CLEANING = 43;
inline constexpr int32_t PTR_SUE_JRN_CARTRIDGE_OK = 44;
inline constexpr int32_t PTR_SUE_REC_CARTRIDGE_EMPTY = 45;
inline constexpr int32_t PTR_SUE_REC_CARTRIDGE_NEAREMPTY = 46;
inline constexpr int32_t PTR_SUE_REC_HEAD_CLEANING = 47;
inline constexpr int32_t PTR_SUE_REC_CARTRIDGE_OK = 48;
inline constexpr int32_t PTR_SUE_SLP_CARTRIDGE_EMPTY = 49;
inline constexpr int32_t PTR_SUE_SLP_CARTRIDGE_NEAREMPTY = 50;
inline constexpr int32_t PTR_SUE_SLP_HEAD_CLEANING = 51;
inline constexpr int32_t PTR_SUE_SLP_CARTRIDGE_OK = 52;
inline constexpr int32_t PTR_SUE_JRN_COVER_OPEN = 60;
inline constexpr int32_t PTR_SUE_JRN_COVER_OK = 61;
inline constexpr int32_t PTR_SUE_REC_COVER_OPEN = 62;
inline constexpr int32_t PTR_SUE_REC_COVER_OK = 63;
inline constexpr int32_t PTR_SUE_SLP_COVER_OPEN = 64;
inline constexpr int32_t PTR_SUE_SLP_COVER_OK = 65;
inline constexpr int32_t PTR_SUE_IDLE = 1001;

// Power.
inline constexpr int32_t OPOS_PR_NONE = 0;
inline constexpr int32_t OPOS_PR_STANDARD = 1;
inline constexpr int32_t OPOS_PR_ADVANCED = 2;
inline constexpr int32_t OPOS_PN_DISABLED = 0;
inline constexpr int32_t OPOS_PN_ENABLED = 1;
inline constexpr int32_t OPOS_PS_UNKNOWN = 2000;
inline constexpr int32_t OPOS_PS_ONLINE = 2001;
inline constexpr int32_t OPOS_PS_OFF = 2002;
inline constexpr int32_t OPOS_PS_OFFLINE = 2003;
inline constexpr int32_t OPOS_PS_OFF_OFFLINE = 2004;
inline constexpr int32_t OPOS_SUE_POWER_ONLINE = 2001;
inline constexpr int32_t OPOS_SUE_POWER_OFF = 2002;
inline constexpr int32_t OPOS_SUE_POWER_OFFLINE = 2003;
inline constexpr int32_t OPOS_SUE_POWER_OFF_OFFLINE = 2004;

// Cash drawer status update events.
inline constexpr int32_t CASH_SUE_DRAWERCLOSED = 0;
inline constexpr int32_t CASH_SUE_DRAWEROPEN = 1;

// Line display text attributes.
inline constexpr int32_t DISP_DT_NORMAL = 0;
inline constexpr int32_t DISP_DT_BLINK = 1;
inline constexpr int32_t DISP_DT_REVERSE = 2;
inline constexpr int32_t DISP_DT_BLINK_REVERSE = 3;

// Control object version that renamed Claim/Release to ClaimDevice/ReleaseDevice.
inline constexpr int32_t kVersionWithClaimDevice = 1005000;
inline constexpr int32_t kDefaultControlObjectVersion = 1016000;

} // namespace opos

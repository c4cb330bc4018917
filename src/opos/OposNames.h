#pragma once

#include <QString>
#include <cstdint>

// The OPOS constant names shown in the operation log, the status panel and script transcripts,
// and the detail texts of the printer's event rows.

// The name of a result code or extended result code (one number space for both); a code
// without a name gives its plain decimal text ("-1", "115").
QString DecodeResultCode(int32_t code);

// The name of a printer status-update value; "UNKNOWN!" for a value without a name.
QString DecodeStatusUpdate(int32_t data);

// The name of a control object's State value; "UNKNOWN!" outside 1 to 4.
QString decodeStateValue(int32_t state);

// The detail texts of the event rows: "EN=5 | pD=0 | pStr=", "RC=... | RCE=... | EL=1",
// "OID=42", "DATA=PTR_SUE_COVER_OK".
QString directIOEventDetail(int32_t eventNumber, int32_t data, const QString& text);
QString errorEventDetail(int32_t resultCode, int32_t resultCodeExtended, int32_t errorLocus);
QString outputCompleteEventDetail(int32_t outputId);
QString statusUpdateEventDetail(int32_t data);

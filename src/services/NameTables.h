#pragma once

#include <QString>
#include <cstdint>

class Dialogs;
namespace opos {
class PosPrinter;
}

// The OPOS constant names shown in the operation log and the status panel.

// The name of a result code or extended result code (one number space for both); a code
// without a name gives its plain decimal text ("-1", "115").
QString DecodeResultCode(int32_t code);

// The name of a printer status-update value; "UNKNOWN!" for a value without a name.
QString DecodeStatusUpdate(int32_t data);

// The name of a control object's State value; "UNKNOWN!" outside 1 to 4.
QString DecodeStateValue(int32_t state);

// The name of the printer's current State; "UNKNOWN!" outside 1 to 4. A failure to read the
// state is shown in a warning box titled "MESSAGGIO DI ERRORE" and gives "UNKNOWN!".
QString DecodeState(const opos::PosPrinter& printer, Dialogs& dialogs);

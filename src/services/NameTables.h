#pragma once

#include "opos/OposNames.h"

#include <QString>

class Dialogs;
namespace opos {
class PosPrinter;
}

// The name of the printer's current State; "UNKNOWN!" outside 1 to 4. A failure to read the
// state is shown in a warning box titled "MESSAGGIO DI ERRORE" and gives "UNKNOWN!".
QString DecodeState(const opos::PosPrinter& printer, Dialogs& dialogs);

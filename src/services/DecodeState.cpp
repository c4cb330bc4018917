#include "opos/PosPrinter.h"
#include "services/Dialogs.h"
#include "services/NameTables.h"

#include <exception>

QString DecodeState(const opos::PosPrinter& printer, Dialogs& dialogs)
{
    try {
        return decodeStateValue(printer.State());
    } catch (const std::exception& failure) {
        dialogs.warning(QString::fromUtf8(failure.what()), QStringLiteral("MESSAGGIO DI ERRORE"));
        return QStringLiteral("UNKNOWN!");
    }
}

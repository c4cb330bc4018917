#include "opos/PosPrinter.h"
#include "services/Dialogs.h"
#include "services/NameTables.h"

#include <exception>

QString DecodeState(const opos::PosPrinter& printer, Dialogs& dialogs)
{
    try {
        switch (printer.State()) {
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
    } catch (const std::exception& failure) {
        dialogs.warning(QString::fromUtf8(failure.what()), QStringLiteral("MESSAGGIO DI ERRORE"));
        return QStringLiteral("UNKNOWN!");
    }
}

#pragma once

#include "services/Dialogs.h"

#include <QLatin1String>
#include <QString>
#include <exception>

// Titles of the warning box that shows a trapped run-time failure.
inline constexpr QLatin1String kErrorMessageTitle("ERROR MESSAGE");
inline constexpr QLatin1String kLampErrorTitle("MESSAGGIO DI ERRORE");

// Runs a handler's body; a run-time failure ends the body and its description is shown in a
// warning box with the given title. What the body did before the failure stays done. Returns
// whether the body ran to its end.
template <typename Body> bool trapFailures(Dialogs& dialogs, const QString& title, Body&& body)
{
    try {
        body();
        return true;
    } catch (const std::exception& failure) {
        dialogs.warning(QString::fromUtf8(failure.what()), title);
        return false;
    }
}

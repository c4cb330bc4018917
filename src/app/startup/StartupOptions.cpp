#include "app/startup/StartupOptions.h"

#include "services/Dialogs.h"
#include "services/FailureTrap.h"

#include <cstdio>

bool displayIsAvailable(const QProcessEnvironment& environment)
{
    const QString platform = environment.value(QStringLiteral("QT_QPA_PLATFORM"));
    if (platform.startsWith(QLatin1String("offscreen")) ||
        platform.startsWith(QLatin1String("minimal")))
        return false;
    return !environment.value(QStringLiteral("DISPLAY")).isEmpty() ||
           !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
}

int refuseOptions(const QString& message, Dialogs* dialogs)
{
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    if (dialogs)
        dialogs->warning(message, kErrorMessageTitle);
    return 2;
}

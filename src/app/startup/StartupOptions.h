#pragma once

#include <QProcessEnvironment>
#include <QString>

class Dialogs;

// Whether a window can be shown to the user: a desktop session's display is set and Qt is not
// told to draw off screen.
bool displayIsAvailable(const QProcessEnvironment& environment);

// Reports options the program cannot start with: the message on stderr, and in a warning box
// titled "ERROR MESSAGE" when there are dialogs to show it (started from a desktop launcher, the
// user sees no terminal). Returns the exit code for bad options, 2.
int refuseOptions(const QString& message, Dialogs* dialogs);

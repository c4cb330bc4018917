#pragma once

#include <QObject>

class Dialogs;
class QLineEdit;
namespace opos {
class LineDisplay;
}

// The "Line Display" page's test: shows the typed text on the named display in one go, from
// Open to Close.
class LineDisplayCommands : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LineDisplayCommands)

public:
    LineDisplayCommands(opos::LineDisplay& display, QLineEdit& ldDevice, QLineEdit& txtLDDisplay,
                        Dialogs& dialogs, QObject* parent = nullptr);

    void DisplayText();

private:
    opos::LineDisplay& m_display;
    QLineEdit& m_ldDevice;
    QLineEdit& m_txtLDDisplay;
    Dialogs& m_dialogs;
};

#pragma once

#include <QObject>

class Dialogs;
class OperationLog;
class QLineEdit;
namespace opos {
class LineDisplay;
}

// The "Line Display" page's test: shows the typed text on the named display in one go, from
// Open to Close, and logs each call's result.
class LineDisplayCommands : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LineDisplayCommands)

public:
    LineDisplayCommands(opos::LineDisplay& display, QLineEdit& ldDevice, QLineEdit& txtLDDisplay,
                        Dialogs& dialogs, OperationLog& log, QObject* parent = nullptr);

    void DisplayText();

private:
    opos::LineDisplay& m_display;
    QLineEdit& m_ldDevice;
    QLineEdit& m_txtLDDisplay;
    Dialogs& m_dialogs;
    OperationLog& m_log;
};

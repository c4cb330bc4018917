#pragma once

#include <QObject>

class Dialogs;
class OperationLog;
class QLineEdit;
namespace opos {
class CashDrawer;
}

// The "Cash Drawer" page's test: opens the named drawer in one go, from Open to Close, and logs
// each call's result.
class CashDrawerCommands : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CashDrawerCommands)

public:
    CashDrawerCommands(opos::CashDrawer& drawer, QLineEdit& cdDevice, Dialogs& dialogs,
                       OperationLog& log, QObject* parent = nullptr);

    void CashDrawerOpen();

private:
    opos::CashDrawer& m_drawer;
    QLineEdit& m_cdDevice;
    Dialogs& m_dialogs;
    OperationLog& m_log;
};

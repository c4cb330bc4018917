#pragma once

#include "printer/PrinterContext.h"

#include <QObject>
#include <QString>

class QLineEdit;

// The fields of the "Mixed CMDs" page that DirectIO reads; the page's Object box is not used.
struct DirectIOWidgets
{
    QLineEdit* txtCommand;
    QLineEdit* txtData;
};

// The string every DirectIO request carries: 15 characters, its NUL included.
QString directIOString();

// Sends one DirectIO request with the typed command and data numbers and logs its outcome;
// asks the printer to report when it becomes idle (FlagWhenIdle).
class DirectIOCommands : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DirectIOCommands)

public:
    DirectIOCommands(const PrinterContext& context, const DirectIOWidgets& widgets,
                     QObject* parent = nullptr);

    void DirectIO();
    void SetFlagWhenIdle();

private:
    PrinterContext m_context;
    DirectIOWidgets m_widgets;
};

#pragma once

#include <QObject>
#include <cstdint>

class Dialogs;
class OperationLog;
class QString;
struct ModuleFlags;

// The handlers of the printer's four events. Each logs one coloured row; the error event asks
// whether to retry and hands the answer back, and status updates keep the alarm flags current.
// They never call the printer.
class PrinterEventHandlers : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PrinterEventHandlers)

public:
    PrinterEventHandlers(ModuleFlags& flags, OperationLog& log, Dialogs& dialogs,
                         QObject* parent = nullptr);

    void OnDirectIOEvent(int32_t eventNumber, int32_t* pData, QString* pString);
    void OnErrorEvent(int32_t resultCode, int32_t resultCodeExtended, int32_t errorLocus,
                      int32_t* pErrorResponse);
    void OnOutputCompleteEvent(int32_t outputId);
    void OnStatusUpdateEvent(int32_t data);
    // Status changes that came too fast to show one by one: the note says how many.
    void OnStatusChangesNotShown(const QString& note);

private:
    ModuleFlags& m_flags;
    OperationLog& m_log;
    Dialogs& m_dialogs;
};

#include "printer/PrinterEventHandlers.h"

#include "opos/OposConstants.h"
#include "services/Colours.h"
#include "services/FailureTrap.h"
#include "services/ModuleFlags.h"
#include "services/NameTables.h"
#include "services/OperationLog.h"

#include <QString>

PrinterEventHandlers::PrinterEventHandlers(ModuleFlags& flags, OperationLog& log, Dialogs& dialogs,
                                           QObject* parent)
    : QObject(parent), m_flags(flags), m_log(log), m_dialogs(dialogs)
{}

void PrinterEventHandlers::OnDirectIOEvent(int32_t eventNumber, int32_t* pData, QString* pString)
{
    trapFailures(m_dialogs, QStringLiteral("DirectIO EVENT Handler"), [=, this] {
        const int32_t data = pData ? *pData : 0;
        const QString text = pString ? *pString : QString();
        m_log.AppendEventLogRow(QStringLiteral("DirectIOEvent()"), colours::Green,
                                directIOEventDetail(eventNumber, data, text));
    });
}

void PrinterEventHandlers::OnErrorEvent(int32_t resultCode, int32_t resultCodeExtended,
                                        int32_t errorLocus, int32_t* pErrorResponse)
{
    const QString title = QStringLiteral("ERROR EVENT Handler");
    trapFailures(m_dialogs, title, [=, this] {
        m_log.AppendEventLogRow(QStringLiteral("ErrorEvent()"), colours::Red,
                                errorEventDetail(resultCode, resultCodeExtended, errorLocus));

        QString prompt;
        if (resultCode != opos::OPOS_E_EXTENDED)
            prompt = QStringLiteral("ResultCode = ") + QString::number(resultCode) +
                     QStringLiteral(" , Retry ?");
        else if (resultCodeExtended == opos::OPOS_EPTR_COVER_OPEN)
            prompt = QStringLiteral("ERROR COVER OPEN!, Retry ?");
        else if (resultCodeExtended == opos::OPOS_EPTR_REC_EMPTY)
            prompt = QStringLiteral("ERROR PAPER END!, Retry ?");
        else
            prompt = QStringLiteral("ResultCodeExtended = ") + QString::number(resultCodeExtended) +
                     QStringLiteral(" , Retry ?");
        const Dialogs::Answer answer = m_dialogs.question(prompt, title);
        if (pErrorResponse)
            *pErrorResponse =
                answer == Dialogs::Answer::Cancel ? opos::OPOS_ER_CLEAR : opos::OPOS_ER_RETRY;
    });
}

void PrinterEventHandlers::OnOutputCompleteEvent(int32_t outputId)
{
    trapFailures(m_dialogs, QStringLiteral("OutputComplete EVENT Handler"), [=, this] {
        m_log.AppendEventLogRow(QStringLiteral("OutputCompleteEvent()"), colours::Green,
                                outputCompleteEventDetail(outputId));
    });
}

void PrinterEventHandlers::OnStatusUpdateEvent(int32_t data)
{
    trapFailures(m_dialogs, QStringLiteral("StatusUpdate EVENT Handler"), [=, this] {
        // The flags change first, so that they hold even if logging fails.
        switch (data) {
        case opos::PTR_SUE_COVER_OPEN:
            m_flags.CoverOpenAlarm = true;
            break;
        case opos::PTR_SUE_COVER_OK:
            m_flags.CoverOpenAlarm = false;
            break;
        case opos::PTR_SUE_REC_EMPTY:
            m_flags.PaperEmptyAlarm = true;
            break;
        case opos::PTR_SUE_REC_NEAREMPTY:
            m_flags.PaperEmptyAlarm = false;
            m_flags.PaperNearEndAlarm = true;
            break;
        case opos::PTR_SUE_REC_PAPEROK:
            m_flags.PaperEmptyAlarm = false;
            m_flags.PaperNearEndAlarm = false;
            break;
        default:
            break;
        }
        m_log.AppendEventLogRow(QStringLiteral("StatusUpdateEvent()"), colours::Blue,
                                statusUpdateEventDetail(data));
    });
}

void PrinterEventHandlers::OnStatusChangesNotShown(const QString& note)
{
    trapFailures(m_dialogs, QStringLiteral("StatusUpdate EVENT Handler"), [=, this] {
        m_log.AppendEventLogRow(QStringLiteral("StatusUpdateEvent()"), colours::Blue, note);
    });
}

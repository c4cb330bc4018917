#pragma once

#include "opos/PrinterBackend.h"

#include <QString>
#include <QtGlobal>
#include <mutex>
#include <optional>
#include <vector>

namespace opos {

// Hands device statuses from the backend's thread to the control object's, in order. Once a few
// wait untaken, a new one replaces the newest of them and counts as folded, so a device that
// flips its status without pause costs a handful of pending statuses, not one per change.
class StatusMailbox
{
public:
    // True when the mailbox was empty: the receiver must be told to take().
    bool put(const PrinterStatus& status);
    static constexpr size_t kKept = 16;
    struct Taken
    {
        std::vector<PrinterStatus> statuses;
        qint64 folded = 0; // changes replaced before they were taken
    };
    std::optional<Taken> take();

private:
    std::mutex m_mutex;
    std::vector<PrinterStatus> m_statuses;
    qint64 m_folded = 0;
};

// Counts the status changes not shown as events and words them for the log and transcript.
class FoldReport
{
public:
    // True for the first fold since the last note: the caller asks for note() a little later.
    bool add(qint64 count, qint64 nowMs);
    // "… 3,052,114 status changes in 5.0 s not shown"; empty when nothing was folded. Starts
    // counting afresh.
    QString note(qint64 nowMs);

private:
    qint64 m_count = 0;
    qint64 m_sinceMs = 0;
};

} // namespace opos

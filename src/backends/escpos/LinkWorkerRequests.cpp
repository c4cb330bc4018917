// The LinkWorker's side of requests callers send themselves, and of the reading it lends them.
#include "backends/escpos/LinkWorker.h"

#include <sys/socket.h>
#include <unistd.h>

namespace escpos {

// Requests callers sent themselves join those the worker sent, in the order they went out.
void LinkWorker::takeSent()
{
    {
        std::lock_guard lock(m_state.mutex);
        if (m_state.sent.empty())
            return;
        m_taken.swap(m_state.sent);
    }
    for (SentRequest& request : m_taken) {
        Query query;
        query.expect = request.expect;
        query.timeoutMs = request.timeoutMs;
        query.deadline = request.verdict;
        query.update = std::move(request.update);
        m_queries.push_back(std::move(query));
    }
    m_taken.clear();
}

// Callers stop sending their own requests while the worker writes or changes what it owes;
// updateRequests() lets them again.
void LinkWorker::closeRequests()
{
    {
        std::lock_guard lock(m_state.mutex);
        m_state.requestsOpen = false;
    }
    takeSent();
}

// Callers may send their own requests while nothing of the worker's waits to be written and no
// reply is owed or request held: then theirs cannot overtake anything, nor a late reply be
// taken for theirs.
void LinkWorker::updateRequests()
{
    const bool open = m_open && m_transport && m_held.empty() && !m_resyncing &&
                      m_owedRealTime.empty() && m_owedTransmit.empty() &&
                      m_transport->bytesToWrite() == 0;
    {
        std::lock_guard lock(m_state.mutex);
        m_state.requestsOpen = open && m_state.requestSocket >= 0;
        m_state.alarm = m_queryTimer.isActive() ? m_alarm : QDeadlineTimer(QDeadlineTimer::Forever);
    }
    lendReading();
}

// Stops reading while nothing at all is going on, so that a caller that can wait for the
// socket itself reads its own reply. Not while automatic status is on: its frames must be
// heard when they come.
void LinkWorker::lendReading()
{
    if (m_lent || m_holdLending > 0 || !m_queries.empty() || !m_sentBehind.empty() ||
        !m_writeMarks.empty() || m_autoStatusOn || m_readTimer.isActive() || !m_sorter.idle())
        return;
    {
        std::lock_guard lock(m_state.mutex);
        const LinkState& s = m_state;
        if (!s.requestsOpen || !s.lendWanted || !s.outputIdle() || !s.sent.empty() ||
            !s.handedBack.isEmpty())
            return;
        m_state.readingLent = true;
        m_ownRepliesSeen = m_state.ownReplies;
    }
    m_lent = true;
    m_transport->setReading(false);
    m_lendTimer.start();
}

// Takes the reading back when callers stopped using it, and lends it again only once a caller
// asks for it again.
void LinkWorker::checkLentReading()
{
    {
        std::lock_guard lock(m_state.mutex);
        if (m_state.ownReplies != m_ownRepliesSeen) {
            m_ownRepliesSeen = m_state.ownReplies;
            return;
        }
        m_state.lendWanted = false;
    }
    reclaimReading();
}

// Takes the reading back before the thread sends or writes. False while a caller still reads
// its reply: it hands the reading back when it is done, and until then what the thread sends
// waits behind that caller's request for its replies.
bool LinkWorker::reclaimReading()
{
    if (!m_lent)
        return true;
    {
        std::lock_guard lock(m_state.mutex);
        m_state.readingLent = false;
        if (m_state.callerReading)
            return false;
    }
    ++m_holdLending; // not lent again before the caller of this has done what it is here for
    resumeReading();
    --m_holdLending;
    return true;
}

// The reading comes back: a request a caller handed over, then those sent meanwhile, wait for
// their replies in the order they went out, and what the caller read of them comes first.
void LinkWorker::resumeReading()
{
    QByteArray read;
    qsizetype unasked = 0;
    {
        std::lock_guard lock(m_state.mutex);
        if (m_state.callerReading)
            return; // it hands the reading back when it is done
        m_state.readingLent = false;
        read.swap(m_state.handedBack);
        unasked = std::exchange(m_state.handedBackUnasked, 0);
    }
    m_lent = false;
    m_lendTimer.stop();
    if (!m_open || !m_transport)
        return;
    m_transport->setReading(true);
    // What came before the caller's request is looked at before that request is entered, so
    // that it cannot be taken for its answer.
    if (unasked > 0) {
        takeArrived(QByteArrayView(read).first(unasked));
        read.remove(0, unasked);
    }
    takeSent();
    for (Query& behind : std::exchange(m_sentBehind, {}))
        m_queries.push_back(std::move(behind));
    if (!read.isEmpty()) {
        take(read);
        return;
    }
    sendHeld();
    armTimer();
}

// The link's copy of the socket goes before the transport closes its own, which it would
// otherwise keep open.
void LinkWorker::shutRequests()
{
    bool orphaned = false;
    {
        std::lock_guard lock(m_state.mutex);
        m_state.requestsOpen = false;
        m_state.readingLent = false;
        m_state.handedBack.clear();
        m_state.handedBackUnasked = 0;
        // A caller reading from the socket closes it when it is done.
        orphaned = m_state.callerReading && m_state.requestSocket >= 0;
        if (orphaned) {
            // Ends the reader's read at once; it closes the socket when it is done.
            ::shutdown(m_state.requestSocket, SHUT_RD);
            m_state.orphanSocket = m_state.requestSocket;
        } else if (m_state.requestSocket >= 0)
            ::close(m_state.requestSocket);
        m_state.requestSocket = -1;
    }
    m_lent = false;
    m_lendTimer.stop();
    takeSent();
    if (orphaned)
        m_wake();
}

} // namespace escpos

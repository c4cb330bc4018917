#pragma once

#include "backends/escpos/DeviceSettings.h"
#include "backends/escpos/DeviceStatus.h"
#include "backends/escpos/DeviceTransport.h"
#include "opos/PrinterBackend.h"
#include "opos/Waiter.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QThread>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace escpos {

class LinkWorker;

// What a request expects back: so many real-time status bytes and transmit-status bytes.
struct Expect
{
    int realTime = 0;
    int transmit = 0;
};

// Why a request ended without its answer. Callers branch on this; the text beside it is for
// people only.
enum class ReplyFailure
{
    None,
    Silent,     // timed out without a byte from the device meanwhile
    Unanswered, // timed out while the device sent something else
    NotSent,    // timed out before it could be sent: an earlier request is still owed its answer
    TimedOut,   // the caller's wait ended before the link's own verdict
    Cancelled,  // the person ended the wait
    Offline     // the connection is down or was lost
};

// The answer to one request, filled in on the link's thread as the replies arrive.
struct QueryResult
{
    int32_t code = 0; // OPOS_E_TIMEOUT or OPOS_E_OFFLINE when it did not complete
    QString text;
    QByteArray realTime;
    QByteArray transmit;
    bool done = false;
    ReplyFailure failure = ReplyFailure::None;
    bool ok() const { return done && code == 0; }
    // Nothing came back: no byte while it waited, or it never went out for an earlier silence.
    bool silent() const
    {
        return failure == ReplyFailure::Silent || failure == ReplyFailure::NotSent;
    }
};

// How long before a caller's deadline the link ends a request that has no answer.
inline constexpr int kVerdictMarginMs = 25;

// Why a request ended without its answer while the device flooded the link.
QString floodedOut(const QString& flood);

// What a request answers when the device did not answer an earlier one.
QueryResult notSent();

struct LinkOptions
{
    StatusWatch watch = StatusWatch::Poll;
    int pollMs = 500;
    int statusMs = 1000;
    int connectMs = 3000;
    // While the reading is lent to callers, a connection the device drops goes unnoticed until
    // a caller reads; so the reading comes back once callers have not used it for this long.
    int lentIdleMs = 50;
};

using StatusWatcher = std::function<void(const DeviceStatus&)>;
using Confirmed = std::function<void(const opos::DeviceResult&)>;
using ReplyUpdate = std::function<void(const QueryResult&)>; // on progress, and once done

// A request a caller sent on its own thread, left for the link's thread to match replies to.
struct SentRequest
{
    Expect expect;
    int timeoutMs = 0;
    QDeadlineTimer verdict;
    ReplyUpdate update;
};

// What a Link and its worker share across threads.
struct LinkState
{
    std::mutex mutex;
    bool connected = false;
    bool connecting = false;
    quint64 epoch = 0; // counts connections made, so users know when the device starts afresh
    QString lastError;
    QString flood;  // what a device sends beyond any reply, while it does; empty otherwise
    QByteArray out; // queued for the device, not yet handed to it
    bool pumpScheduled = false;
    qint64 backlog = 0; // handed to the transport, not yet written to the system
    int users = 0;
    quint64 aborts = 0; // counts abortOutput() calls, so waiting writers notice one
    std::vector<std::pair<int, Confirmed>> confirms; // asked for behind the queued output
    // Nothing of the link's own output is on its way: none queued, scheduled, with the transport
    // or waiting for its confirmation.
    bool outputIdle() const
    {
        return out.isEmpty() && !pumpScheduled && confirms.empty() && backlog == 0;
    }

    // While the link's thread has nothing of its own on the way and owes no reply, a caller
    // sends its request itself on the link's copy of the socket and leaves it in `sent`: the
    // thread is woken only by the reply, not once more to send. `alarm` is when that thread
    // next looks at deadlines; a request whose verdict comes before it is not sent this way.
    int requestSocket = -1;
    bool requestsOpen = false;
    QDeadlineTimer alarm{QDeadlineTimer::Forever};
    std::vector<SentRequest> sent;

    // Further still: while the link is idle, and a caller that may block in a read of its own
    // asked for it, the link's thread stops reading. Such a caller then sends its request and
    // reads its own reply (`callerReading` while it does), and the link's thread is not woken
    // at all. Whatever else that thread does takes the reading back; a caller that finds it
    // taken hands it back when it is done, with any bytes it read that were not its answer.
    bool lendWanted = false;
    bool readingLent = false;
    bool callerReading = false;
    quint64 ownReplies = 0; // counts replies callers read themselves, so the thread sees use
    QByteArray handedBack;  // read by a caller, for the link's thread to look at
    // The first so many bytes of handedBack came before the caller's request went out: they
    // answer nothing the caller sent.
    qsizetype handedBackUnasked = 0;
    // Reads on requestSocket say when their bytes arrived, so that bytes that came before a
    // request are told apart in the reply read itself, without a look at the socket before
    // each request. Learnt from the reads; false again on a fresh connection.
    bool arrivalTimesKnown = false;
    qint64 ownRequestSentNs = 0; // when the caller's request went out, in the reads' clock
    int orphanSocket = -1; // the request socket of a closed connection, for its reader to close

    std::mutex watchMutex; // held while watchers are called, so removal waits for them
    std::map<int, StatusWatcher> watchers;
    int nextWatcher = 1;
};

// One connection to a physical device, shared by every backend that uses it (a printer and the
// drawer on its kick-out port). The transport lives on the link's own thread; callers on any
// thread wait through a Waiter for one deadline, so a dead device costs at most that.
class Link
{
public:
    Link(Address address, LinkOptions options, TransportFactory factory,
         std::shared_ptr<opos::Waiter> callWaiter);
    ~Link(); // closes the transport and ends the thread before it returns
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    const Address& address() const { return m_address; }
    const LinkOptions& options() const { return m_options; }

    // The waiter for a wait on this thread: the control object's for a call made by the user,
    // a plain blocking one for the output worker.
    opos::Waiter& waiter(bool userCall);

    // A user starts using the connection: connects when it is not yet. detach() closes it when
    // the last user leaves.
    opos::DeviceResult attach(QDeadlineTimer deadline, opos::Waiter& waiter);
    void detach();
    // Connects once more after the connection was lost; success when it is up.
    opos::DeviceResult reconnect(QDeadlineTimer deadline, opos::Waiter& waiter);
    bool isConnected() const;
    quint64 epoch() const;
    // "the device sends data nobody asked for: …" while the device floods the link.
    QString flood() const;
    // True while the link's thread leaves reading to callers that wait for their own replies.
    bool readingLent() const;

    // Queues bytes behind everything queued before; waits only while much is queued already.
    opos::DeviceResult write(QByteArrayView bytes, QDeadlineTimer deadline, opos::Waiter& waiter);
    // Waits until everything queued has been handed to the system.
    opos::DeviceResult flush(QDeadlineTimer deadline, opos::Waiter& waiter);
    // write() and then flush(): the bytes are with the system when it succeeds.
    opos::DeviceResult send(QByteArrayView bytes, QDeadlineTimer deadline, opos::Waiter& waiter);
    // Drops output not yet handed to the system and ends every wait in write() and flush()
    // with E_FAILURE. Callable from any thread, also while another thread waits.
    void abortOutput();
    // Sends a request behind the queued output and waits for its replies. enough() may end the
    // wait early on what arrived so far; it is called on the link's thread while the caller
    // waits, so the caller wakes only for an answer. A reply that comes after the wait gave up
    // is thrown away, never taken for the answer to a later request.
    QueryResult query(QByteArray request, Expect expect, QDeadlineTimer deadline,
                      opos::Waiter& waiter,
                      const std::function<bool(const QueryResult&)>& enough = {});
    // Without waiting: `done` hears (on the link's thread) when the device has everything
    // queued so far: its transmit-status reply on a two-way device, else the last byte written
    // to the system. A lost connection or no reply within timeoutMs of the last progress ends
    // it with a failure.
    void confirm(int timeoutMs, Confirmed done);

    // Watchers hear every status the link learns while connected (polled or sent by the
    // device), and an unanswered status when the device goes silent or away. They are called
    // on the link's thread.
    int addWatcher(StatusWatcher watcher);
    // Wakes every wait on the link, so it looks again at what its ready() checks.
    void wakeAll();
    void removeWatcher(int id);

private:
    struct Answer;
    enum class Route
    {
        Post,       // the link's thread sends the request and reads the reply
        SentItself, // the caller sent it; the link's thread reads the reply
        ReadItself  // the caller sent it and reads the reply
    };

    void post(std::function<void(LinkWorker&)> call);
    void postPump(bool soon);
    void postResume();
    // Which way a request goes; a request the caller sent itself is still to be entered in
    // `sent` (SentItself), or its replies read (ReadItself). Called with the state's mutex held.
    Route route(const QByteArray& request, QDeadlineTimer verdict, opos::Waiter& waiter);
    bool sendItself(const QByteArray& request, QDeadlineTimer verdict);
    void sendNow(const QByteArray& request);
    bool takeIdleInput();
    std::shared_ptr<Answer> awaitedAnswer(SentRequest& entry,
                                          const std::function<bool(const QueryResult&)>& enough);
    std::optional<QueryResult> readOwnReply(SentRequest& entry, std::shared_ptr<Answer>& answer,
                                            QDeadlineTimer deadline, opos::Waiter& waiter,
                                            const std::function<bool(const QueryResult&)>& enough);
    // `unasked`: how many of the bytes read, from the first, came before the request's answer.
    std::optional<QueryResult> handOver(SentRequest& entry, QByteArray read, qsizetype unasked = 0);
    void stopReading();
    QueryResult readerLost();
    QueryResult offlineResult() const;
    QueryResult awaitAnswer(Answer& answer, QDeadlineTimer deadline, opos::Waiter& waiter);
    opos::DeviceResult connectDevice(QDeadlineTimer deadline, opos::Waiter& waiter);

    Address m_address;
    QString m_key; // the address as waits and traces name it, made once
    LinkOptions m_options;
    std::shared_ptr<opos::Waiter> m_callWaiter;
    opos::BlockingWaiter m_threadWaiter;
    mutable LinkState m_state;
    QThread m_thread;
    LinkWorker* m_worker;
};

// A copy of the transport's socket for callers that read their own replies: in blocking mode, so
// that a caller sleeps in the read itself, each read bounded by a slice of 50 ms, and with the
// time each read's bytes arrived where the system gives it; -1 when it cannot be made so.
int replySocket(int transportSocket);

// The result of a wait that did not end in an answer.
opos::DeviceResult waitFailed(opos::Waiter::Outcome outcome, const QString& timedOut);

} // namespace escpos

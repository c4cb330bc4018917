// The caller's side of a request whose reply the caller reads itself, while the link's thread
// has lent it the reading (see LinkState).
#include "backends/escpos/ByteTrace.h"
#include "backends/escpos/Link.h"
#include "backends/escpos/LinkWorker.h"

#include <QVarLengthArray>
#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace escpos {

namespace {

// The longest a caller sleeps in one read before it looks whether its call was cancelled.
constexpr qint64 kReadSliceUs = 50'000;

bool nothingYet(ssize_t n)
{
    // EWOULDBLOCK is EAGAIN on Linux.
    return n < 0 && (errno == EAGAIN || errno == EINTR);
}

bool setReceiveTimeout(int fd, qint64 us)
{
    const timeval bound{static_cast<time_t>(us / 1'000'000),
                        static_cast<suseconds_t>(us % 1'000'000)};
    return ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound) == 0;
}

// Sleeps in recv() itself, the cheapest wait for a reply: one call where waiting for the socket
// first would take two. The socket's receive time-out ends the read within a slice, so that a
// cancelled call is noticed; a deadline nearer than that bounds this read instead.
// remainingNs: -1 for no deadline.
ssize_t readWithin(int fd, char* buffer, size_t size, qint64 remainingNs)
{
    const qint64 us = remainingNs < 0 ? kReadSliceUs : (remainingNs + 999) / 1000;
    const bool shortened = us < kReadSliceUs && setReceiveTimeout(fd, std::max<qint64>(us, 1));
    const ssize_t n = ::recv(fd, buffer, size, 0);
    const int error = errno;
    if (shortened)
        setReceiveTimeout(fd, kReadSliceUs);
    errno = error;
    return n;
}

} // namespace

int replySocket(int transportSocket)
{
    const int fd = ::fcntl(transportSocket, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0 ||
        !setReceiveTimeout(fd, kReadSliceUs)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

Link::Route Link::route(const QByteArray& request, QDeadlineTimer verdict, opos::Waiter& waiter)
{
    LinkState& s = m_state;
    const bool readsItself = waiter.blocksCallingThread();
    if (!s.readingLent) {
        s.lendWanted = readsItself;
        return sendItself(request, verdict) ? Route::SentItself : Route::Post;
    }
    // A caller that may not block in a read gives the request to the link's thread, which
    // takes the reading back first; so does one that finds anything on its way.
    if (!readsItself) {
        s.lendWanted = false;
        return Route::Post;
    }
    if (s.callerReading || s.requestSocket < 0 || !s.outputIdle() || takeIdleInput())
        return Route::Post;
    s.callerReading = true;
    ++s.ownReplies;
    sendNow(request);
    return Route::ReadItself;
}

// What the device sent while nobody asked for anything answers nothing: the link's thread
// looks at it, and takes the reading back, before the next request goes out. True when there
// was something (input, its end or an error). Called with the state's mutex held.
bool Link::takeIdleInput()
{
    char probe[256];
    const ssize_t n = ::recv(m_state.requestSocket, probe, sizeof probe, MSG_DONTWAIT);
    if (nothingYet(n))
        return false;
    if (n > 0)
        m_state.handedBack.append(probe, n);
    m_state.readingLent = false;
    postResume();
    return true;
}

// Reads the replies to the request just sent, as they come. The answer, when it comes whole
// and holds nothing else, is the result; anything else goes to the link's thread with what was
// read so far (nullopt), and the caller waits for that thread's answer, made in `answer`.
std::optional<QueryResult> Link::readOwnReply(SentRequest& entry, std::shared_ptr<Answer>& answer,
                                              QDeadlineTimer deadline, opos::Waiter& waiter,
                                              const std::function<bool(const QueryResult&)>& enough)
{
    int fd = -1;
    quint64 epoch = 0;
    {
        std::lock_guard lock(m_state.mutex);
        fd = m_state.requestSocket;
        epoch = m_state.epoch;
    }
    const auto lost = [&] {
        std::lock_guard lock(m_state.mutex);
        return !m_state.connected || m_state.epoch != epoch || m_state.requestSocket != fd;
    };
    const Expect expect = entry.expect;
    const qsizetype wanted = expect.realTime + expect.transmit;
    QueryResult result;
    // What was read so far: no more than the answer has, so it fits as it is.
    QVarLengthArray<char, 16> read(wanted);
    qsizetype got = 0;
    const auto handBack = [&] {
        answer = awaitedAnswer(entry, enough);
        return handOver(entry, QByteArray(read.constData(), got));
    };
    ReplySorter sorter;
    const QDeadlineTimer verdict = std::min(entry.verdict, deadline);
    for (;;) {
        // The verdict is due, or the person ended the wait: the link's thread says why.
        const opos::Waiter::Bound limit = waiter.bound(verdict);
        const qint64 remainingNs = limit.deadline.remainingTimeNSecs();
        if (limit.cancelled || remainingNs == 0)
            return handBack();
        const ssize_t n =
            readWithin(fd, read.data() + got, static_cast<size_t>(wanted - got), remainingNs);
        if (lost())
            return readerLost();
        if (nothingYet(n))
            continue;
        if (n <= 0)
            return handBack(); // its end or an error: the thread finds out
        sorter.feed(QByteArrayView(read.constData() + got, n));
        got += n;
        result.realTime += sorter.take(ReplyKind::RealTime, n);
        result.transmit += sorter.take(ReplyKind::Transmit, n);
        // A status frame, more of a kind than asked for, or a byte that is no reply: the link's
        // thread knows what to make of it.
        if (!sorter.takeFrames().empty() || result.realTime.size() > expect.realTime ||
            result.transmit.size() > expect.transmit ||
            result.realTime.size() + result.transmit.size() != got)
            return handBack();
        if (got == wanted) {
            traceBytes(linkTrace(), m_key, "received", QByteArrayView(read.constData(), got));
            stopReading();
            result.done = true;
            return result;
        }
        if (enough && enough(result))
            return handBack();
    }
}

// The request, and what was read of its replies, go to the link's thread, which reads from
// now on; nullopt, or the result when the connection is gone already.
std::optional<QueryResult> Link::handOver(SentRequest& entry, QByteArray read)
{
    {
        std::lock_guard lock(m_state.mutex);
        if (m_state.connected && m_state.requestSocket >= 0) {
            m_state.sent.push_back(std::move(entry));
            m_state.handedBack.append(read);
            m_state.callerReading = false;
            m_state.readingLent = false;
            postResume();
            return std::nullopt;
        }
    }
    return readerLost();
}

void Link::postResume()
{
    post([](LinkWorker& worker) { worker.resumeReading(); });
}

// The connection went away while the caller read: it says so, and lets go of the socket.
QueryResult Link::readerLost()
{
    stopReading();
    std::lock_guard lock(m_state.mutex);
    return offlineResult();
}

// The caller is done reading. The link's thread reads again if it asked for that meanwhile; a
// socket its connection left behind is closed.
void Link::stopReading()
{
    std::lock_guard lock(m_state.mutex);
    m_state.callerReading = false;
    if (m_state.orphanSocket >= 0) {
        ::close(m_state.orphanSocket);
        m_state.orphanSocket = -1;
    }
    if (!m_state.readingLent && m_state.connected && m_state.requestSocket >= 0)
        postResume();
}

} // namespace escpos

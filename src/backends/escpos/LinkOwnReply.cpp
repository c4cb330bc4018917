// The caller's side of a request whose reply the caller reads itself, while the link's thread
// has lent it the reading (see LinkState).
#include "backends/escpos/ByteTrace.h"
#include "backends/escpos/Link.h"
#include "backends/escpos/LinkWorker.h"

#include <QVarLengthArray>
#include <cerrno>
#include <cstring>
#include <ctime>
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

// The system's clock that stamps arriving bytes.
qint64 realTimeNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

struct Read
{
    ssize_t n = -1;
    qint64 arrivedNs = 0; // when the last of its bytes arrived; 0 when the read did not say
};

// Sleeps in the read itself, the cheapest wait for a reply: one call where waiting for the
// socket first would take two. The socket's receive time-out ends the read within a slice, so
// that a cancelled call is noticed; a deadline nearer than that bounds this read instead.
// remainingNs: -1 for no deadline.
Read readWithin(int fd, char* buffer, size_t size, qint64 remainingNs)
{
    const qint64 us = remainingNs < 0 ? kReadSliceUs : (remainingNs + 999) / 1000;
    const bool shortened = us < kReadSliceUs && setReceiveTimeout(fd, std::max<qint64>(us, 1));
    iovec piece{buffer, size};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec)) + 64];
    msghdr message{};
    message.msg_iov = &piece;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    Read read;
    read.n = ::recvmsg(fd, &message, 0);
    const int error = errno;
    if (shortened)
        setReceiveTimeout(fd, kReadSliceUs);
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); read.n > 0 && c; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
            timespec at{};
            std::memcpy(&at, CMSG_DATA(c), sizeof at);
            read.arrivedNs = qint64(at.tv_sec) * 1'000'000'000 + at.tv_nsec;
        }
    }
    errno = error;
    return read;
}

struct Sorted
{
    enum Verdict
    {
        Fits,  // every byte is a reply this request still waits for
        Early, // a transmit-status byte before all real-time replies came: no part of this answer
        Else   // a status frame, more of a kind than asked for, or a byte that is no reply
    } verdict = Fits;
    qsizetype at = 0; // where in the bytes the verdict fell
};

// Sorts the bytes of an answer the caller reads itself into its two kinds. A device answers the
// real-time requests at once and the transmit-status request behind the data before it, so the
// real-time replies come first.
Sorted sortOwnReply(QByteArrayView bytes, Expect expect, QVarLengthArray<char, 8>& realTime,
                    QVarLengthArray<char, 8>& transmit)
{
    for (qsizetype at = 0; at < bytes.size(); ++at) {
        const char c = bytes[at];
        switch (byteKind(static_cast<uint8_t>(c))) {
        case ByteKind::RealTime:
            if (realTime.size() == expect.realTime)
                return {Sorted::Else, at};
            realTime.append(c);
            break;
        case ByteKind::Transmit:
            if (realTime.size() < expect.realTime)
                return {Sorted::Early, at};
            if (transmit.size() == expect.transmit)
                return {Sorted::Else, at};
            transmit.append(c);
            break;
        case ByteKind::FrameStart:
        case ByteKind::Other:
            return {Sorted::Else, at};
        }
    }
    return {};
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
    // Without arrival times the caller looks for unasked bytes before each request instead.
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
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
    if (s.callerReading || s.requestSocket < 0 || !s.outputIdle() ||
        (!s.arrivalTimesKnown && takeIdleInput()))
        return Route::Post;
    s.callerReading = true;
    ++s.ownReplies;
    s.ownRequestSentNs = realTimeNs();
    sendNow(request);
    return Route::ReadItself;
}

// What the device sent while nobody asked for anything answers nothing: the link's thread
// looks at it, and takes the reading back, before the next request goes out. Only while the
// reads do not say when their bytes arrived: otherwise the reply read finds such bytes itself.
// True when there was something (input, its end or an error). Called with the state's mutex
// held.
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
    qint64 sentNs = 0;
    {
        std::lock_guard lock(m_state.mutex);
        fd = m_state.requestSocket;
        epoch = m_state.epoch;
        sentNs = m_state.ownRequestSentNs;
    }
    // Also learns whether the reads say when their bytes arrived.
    const auto lost = [&](const Read& read) {
        std::lock_guard lock(m_state.mutex);
        if (read.n > 0)
            m_state.arrivalTimesKnown = read.arrivedNs != 0;
        return !m_state.connected || m_state.epoch != epoch || m_state.requestSocket != fd;
    };
    const Expect expect = entry.expect;
    const qsizetype wanted = expect.realTime + expect.transmit;
    // What was read so far: no more than the answer has, so it fits as it is.
    QVarLengthArray<char, 16> read(wanted);
    qsizetype got = 0;
    // `unasked`: how many of the bytes read came before the request's own.
    const auto handBack = [&](qsizetype unasked = 0) {
        answer = awaitedAnswer(entry, enough);
        return handOver(entry, QByteArray(read.constData(), got), unasked);
    };
    QVarLengthArray<char, 8> realTime;
    QVarLengthArray<char, 8> transmit;
    const auto resultSoFar = [&] {
        QueryResult result;
        result.realTime = QByteArray(realTime.constData(), realTime.size());
        result.transmit = QByteArray(transmit.constData(), transmit.size());
        return result;
    };
    const QDeadlineTimer verdict = std::min(entry.verdict, deadline);
    for (;;) {
        // The verdict is due, or the person ended the wait: the link's thread says why.
        const opos::Waiter::Bound limit = waiter.bound(verdict);
        const qint64 remainingNs = limit.deadline.remainingTimeNSecs();
        if (limit.cancelled || remainingNs == 0)
            return handBack();
        const Read piece =
            readWithin(fd, read.data() + got, static_cast<size_t>(wanted - got), remainingNs);
        const ssize_t n = piece.n;
        if (lost(piece))
            return readerLost();
        if (nothingYet(n))
            continue;
        if (n <= 0)
            return handBack(); // its end or an error: the thread finds out
        const QByteArrayView bytes(read.constData() + got, n);
        got += n;
        // Bytes arrive in order: when the last of these came before the request went out, all
        // read so far did, and the link's thread takes them for what they are. (A clock set
        // back meanwhile makes every time look early: then the times say nothing.) So it does a
        // transmit status ahead of the real-time replies, such as a late one, with what came
        // before it. Anything else that is no part of the answer it also knows what to make of.
        if (piece.arrivedNs != 0 && piece.arrivedNs < sentNs && realTimeNs() >= sentNs)
            return handBack(got);
        const Sorted sorted = sortOwnReply(bytes, expect, realTime, transmit);
        if (sorted.verdict == Sorted::Early)
            return handBack(got - n + sorted.at + 1);
        if (sorted.verdict == Sorted::Else)
            return handBack();
        if (got == wanted) {
            traceBytes(linkTrace(), m_key, "received", QByteArrayView(read.constData(), got));
            stopReading();
            QueryResult result = resultSoFar();
            result.done = true;
            return result;
        }
        if (enough && enough(resultSoFar()))
            return handBack();
    }
}

// The request, and what was read of its replies, go to the link's thread, which reads from
// now on; nullopt, or the result when the connection is gone already.
std::optional<QueryResult> Link::handOver(SentRequest& entry, QByteArray read, qsizetype unasked)
{
    {
        std::lock_guard lock(m_state.mutex);
        if (m_state.connected && m_state.requestSocket >= 0) {
            m_state.sent.push_back(std::move(entry));
            if (unasked > 0)
                m_state.handedBackUnasked = m_state.handedBack.size() + unasked;
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

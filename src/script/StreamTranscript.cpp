#include "script/StreamTranscript.h"

#include "script/TextWriter.h"

#include <QFileDevice>
#include <QTextStream>
#include <algorithm>

namespace script {

namespace {

constexpr qsizetype kRingMask = StreamTranscript::kRingChars - 1;
static_assert((StreamTranscript::kRingChars & kRingMask) == 0, "the ring wraps by a mask");

} // namespace

StreamTranscript::StreamTranscript(QTextStream& out)
    : m_out(out), m_ring(std::make_unique_for_overwrite<char16_t[]>(size_t(kRingChars))),
      m_writer([this] { writeBlocks(); })
{}

StreamTranscript::~StreamTranscript()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_linesCame.notify_one();
    m_stopped.notify_one();
    m_writer.join();
    flush();
}

qsizetype StreamTranscript::pending() const
{
    return m_put.load() - m_written.load();
}

void StreamTranscript::transcriptLine(QStringView line)
{
    if (putLine(line)) {
        // Through the lock, so that the writer cannot miss it between its look and its wait.
        {
            const std::lock_guard lock(m_mutex);
        }
        m_linesCame.notify_one();
    }
}

// Copies the line and its end into the ring and makes them visible to the writer, at once when
// the ring has room, piece by piece when it has less. A full ring is written out by this thread:
// what it wrote is still in its cache, and it has to wait for the stream anyway. True when the
// ring was empty before: the writer then starts the time the new lines may wait.
bool StreamTranscript::putLine(QStringView line)
{
    bool wake = false;
    qsizetype at = m_put.load(std::memory_order_relaxed); // only this thread moves it
    const qsizetype total = line.size() + 1;
    for (qsizetype done = 0; done < total;) {
        const qsizetype room = kRingChars - (at - m_written.load());
        if (room == 0) {
            flush();
            continue;
        }
        const qsizetype size = std::min(room, total - done);
        const qsizetype ofLine = std::min(size, line.size() - done);
        copyIn(at, line.sliced(done, ofLine));
        if (ofLine < size)
            m_ring[size_t((at + ofLine) & kRingMask)] = u'\n';
        const qsizetype before = at;
        at += size;
        done += size;
        // Both sequentially consistent, as the writer's store of m_written and its look at
        // m_put before it sleeps: either it sees these characters, or this thread sees that it
        // had taken all before them.
        m_put.store(at);
        wake = wake || m_written.load() >= before;
    }
    return wake;
}

void StreamTranscript::copyIn(qsizetype at, QStringView text)
{
    const qsizetype offset = at & kRingMask;
    const qsizetype first = std::min(text.size(), kRingChars - offset);
    std::copy_n(text.utf16(), first, m_ring.get() + offset);
    std::copy_n(text.utf16() + first, text.size() - first, m_ring.get());
}

void StreamTranscript::flush()
{
    const std::lock_guard writing(m_writing);
    const qsizetype from = m_written.load(std::memory_order_relaxed); // moved under m_writing
    qsizetype to = m_put.load();
    // A character pair a line given in pieces split waits for its second half.
    if (to > from && QChar::isHighSurrogate(m_ring[size_t((to - 1) & kRingMask)]))
        --to;
    if (from == to)
        return;
    const qsizetype offset = from & kRingMask;
    const qsizetype first = std::min(to - from, kRingChars - offset);
    write(QStringView(m_ring.get() + offset, first), QStringView(m_ring.get(), to - from - first));
    m_out.flush();
    // Written past the stream, so its flush may not reach a file's own buffer.
    if (auto* const file = qobject_cast<QFileDevice*>(m_out.device()))
        file->flush();
    m_written.store(to);
}

// The ring's characters from `first` on to `second`: UTF-8 goes to the stream's device as it is
// encoded here, plain ASCII in wide steps; anything else the stream encodes itself.
void StreamTranscript::write(QStringView first, QStringView second)
{
    QIODevice* const device = m_out.device();
    if (!device || m_out.encoding() != QStringConverter::Utf8 || m_out.generateByteOrderMark()) {
        m_out << first << second;
        return;
    }
    m_out.flush(); // what others wrote to the stream comes first
    const qsizetype room = 3 * (first.size() + second.size());
    if (m_bytes.size() < room)
        m_bytes.resize(room);
    char* end = m_bytes.data();
    // A character pair the ring's end splits is encoded whole.
    if (!first.isEmpty() && !second.isEmpty() && first.back().isHighSurrogate()) {
        const char16_t pair[2] = {first.back().unicode(), second.front().unicode()};
        end = encodeUtf8(end, first.chopped(1));
        end = encodeUtf8(end, QStringView(pair, 2));
        second = second.sliced(1);
    } else {
        end = encodeUtf8(end, first);
    }
    end = encodeUtf8(end, second);
    device->write(m_bytes.constData(), end - m_bytes.constData());
}

// Lines that came after an empty ring are written once they have waited kBlockDelay, unless the
// runner's thread has written them by then.
void StreamTranscript::writeBlocks()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_linesCame.wait(lock, [this] { return m_stopping || pending() > 0; });
        if (m_stopping)
            return;
        m_stopped.wait_for(lock, kBlockDelay, [this] { return m_stopping; });
        lock.unlock();
        flush();
        lock.lock();
    }
}

} // namespace script

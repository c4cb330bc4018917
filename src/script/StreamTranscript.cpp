#include "script/StreamTranscript.h"

#include <QTextStream>

namespace script {

namespace {

// Characters of a block that is written at once, without waiting for its delay to pass.
constexpr qsizetype kBlockChars = 128 * 1024;
// Characters the runner may be ahead of the stream before it waits.
constexpr qsizetype kMostPendingChars = 4 * kBlockChars;

} // namespace

StreamTranscript::StreamTranscript(QTextStream& out)
    : m_out(out), m_writer([this] { writeBlocks(); })
{}

StreamTranscript::~StreamTranscript()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_linesCame.notify_one();
    m_writer.join();
    flush();
}

void StreamTranscript::transcriptLine(const QString& line)
{
    std::unique_lock lock(m_mutex);
    m_blockTaken.wait(lock, [this] { return m_pending.size() < kMostPendingChars; });
    const qsizetype before = m_pending.size();
    m_pending += line;
    m_pending += QLatin1Char('\n');
    // The writer hears of the first line of a block and of a full block; between the two it
    // waits of its own accord.
    const bool tell = before == 0 || (before < kBlockChars && m_pending.size() >= kBlockChars);
    lock.unlock();
    if (tell)
        m_linesCame.notify_one();
}

void StreamTranscript::flush()
{
    const std::lock_guard writing(m_writing);
    {
        const std::lock_guard lock(m_mutex);
        m_block.swap(m_pending);
    }
    m_blockTaken.notify_all();
    if (m_block.isEmpty())
        return;
    m_out << m_block;
    m_out.flush();
    m_block.resize(0); // keeps its room for the next block
}

void StreamTranscript::writeBlocks()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_linesCame.wait(lock, [this] { return m_stopping || !m_pending.isEmpty(); });
        if (m_stopping)
            return;
        m_linesCame.wait_for(lock, kBlockDelay,
                             [this] { return m_stopping || m_pending.size() >= kBlockChars; });
        lock.unlock();
        flush();
        lock.lock();
    }
}

} // namespace script

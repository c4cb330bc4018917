#pragma once

#include "script/RunListener.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class QTextStream;

namespace script {

// Writes the transcript to a stream (standard output) in blocks: a long run of quick lines then
// costs one write a block instead of one a line. A thread of its own writes the lines that have
// waited kBlockDelay, so that a run watched over ssh still shows each line as it happens, also
// while a call holds the runner's thread. When the stream cannot keep up, the runner waits for it
// instead of gathering without bound.
//
// The lines pass through a ring that only the runner's thread fills: a line costs a copy and two
// atomic positions, never a lock. A full ring is written by the runner's thread itself; the lock
// and the wake-up come once a block.
class StreamTranscript final : public RunListener
{
public:
    explicit StreamTranscript(QTextStream& out);
    ~StreamTranscript() override;
    StreamTranscript(const StreamTranscript&) = delete;
    StreamTranscript& operator=(const StreamTranscript&) = delete;

    // From one thread at a time: the runner's.
    void transcriptLine(QStringView line) override;
    void expectationChecked(const ExpectationOutcome& /*outcome*/) override {}

    // Writes every line given so far before it returns.
    void flush();

    // How long the first line of a block waits for the lines that follow it.
    static constexpr std::chrono::milliseconds kBlockDelay{20};
    // Characters the runner may be ahead of the stream before it writes them itself: the ring's
    // size, small enough to stay in the second-level cache.
    static constexpr qsizetype kRingChars = 128 * 1024;

private:
    bool putLine(QStringView line);
    void copyIn(qsizetype at, QStringView text);
    void writeBlocks();
    void write(QStringView first, QStringView second);
    qsizetype pending() const;

    QTextStream& m_out;
    const std::unique_ptr<char16_t[]> m_ring;
    // Characters ever put and ever written: their difference is what waits, their remainders
    // by the ring's size where it stands. Apart, so that the two threads do not share a line
    // of the cache.
    alignas(64) std::atomic<qsizetype> m_put = 0;
    alignas(64) std::atomic<qsizetype> m_written = 0;
    std::mutex m_writing; // held while the ring goes to m_out
    QByteArray m_bytes;   // the ring's characters in UTF-8, on their way out; under m_writing
    std::mutex m_mutex;   // for the waits below
    std::condition_variable m_linesCame;
    std::condition_variable m_stopped;
    bool m_stopping = false; // guarded by m_mutex
    std::thread m_writer;    // last: it starts once the rest is ready
};

} // namespace script

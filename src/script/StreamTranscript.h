#pragma once

#include "script/RunListener.h"

#include <QString>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

class QTextStream;

namespace script {

// Writes the transcript to a stream (standard output). A thread of its own writes the lines in
// blocks, each block soon after its first line: a long run of quick lines then costs one write a
// block instead of one a line, and a run watched over ssh still shows each line as it happens,
// also while a call holds the runner's thread. When the stream cannot keep up, the runner waits
// for it instead of gathering without bound.
class StreamTranscript final : public RunListener
{
public:
    explicit StreamTranscript(QTextStream& out);
    ~StreamTranscript() override;
    StreamTranscript(const StreamTranscript&) = delete;
    StreamTranscript& operator=(const StreamTranscript&) = delete;

    void transcriptLine(const QString& line) override;
    void expectationChecked(const ExpectationOutcome& /*outcome*/) override {}

    // Writes every line given so far before it returns.
    void flush();

    // How long the first line of a block waits for the lines that follow it.
    static constexpr std::chrono::milliseconds kBlockDelay{20};

private:
    void writeBlocks();

    QTextStream& m_out;
    std::mutex m_writing; // held while m_block goes to m_out
    QString m_block;
    std::mutex m_mutex; // guards what follows
    std::condition_variable m_linesCame;
    std::condition_variable m_blockTaken;
    QString m_pending;
    bool m_stopping = false;
    std::thread m_writer; // last: it starts once the rest is ready
};

} // namespace script

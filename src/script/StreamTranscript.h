#pragma once

#include "script/RunListener.h"

#include <QTextStream>

namespace script {

// Writes the transcript to a stream (standard output), one line at a time, flushed at once so
// that a run watched over ssh shows each line as it happens.
class StreamTranscript final : public RunListener
{
public:
    explicit StreamTranscript(QTextStream& out) : m_out(out) {}

    void transcriptLine(const QString& line) override
    {
        m_out << line << '\n';
        m_out.flush();
    }
    void expectationChecked(const ExpectationOutcome& /*outcome*/) override {}

private:
    QTextStream& m_out;
};

} // namespace script

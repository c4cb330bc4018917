#pragma once

#include <QString>

namespace script {

// The outcome of one expectation, or of a run-time failure no expectation asked for.
struct ExpectationOutcome
{
    int line = 0;
    QString statement; // as written in the script
    bool held = false;
    QString message;    // why it failed
    double seconds = 0; // time since the previous outcome (or the start)
};

// Receives a run as it happens: every transcript line, and every expectation's outcome just
// before the transcript line that reports it.
class RunListener
{
public:
    virtual ~RunListener() = default;
    virtual void transcriptLine(QStringView line) = 0;
    virtual void expectationChecked(const ExpectationOutcome& outcome) = 0;
};

} // namespace script

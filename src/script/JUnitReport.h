#pragma once

#include "script/RunListener.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>
#include <deque>
#include <vector>

namespace script {

// Collects a run as a JUnit XML report: one test suite for the script, one test case per
// expectation; a failed case carries its own transcript lines: those written since the previous
// expectation (the newest kContextLines of them) and its FAIL line. A run that could not run at
// all is one test case with an <error> that names the reason.
class JUnitReport final : public RunListener
{
public:
    static constexpr size_t kContextLines = 20;

    JUnitReport(QString suiteName, QDateTime started);

    void transcriptLine(QStringView line) override;
    void expectationChecked(const ExpectationOutcome& outcome) override;
    void cannotRun(const QString& reason);

    QByteArray toXml(const QString& hostName) const;

private:
    struct Case
    {
        ExpectationOutcome outcome;
        QStringList context;
        bool error = false; // the run could not run: outcome.message says why
    };

    QString m_suite;
    QDateTime m_started;
    std::deque<QString> m_recent; // lines since the previous expectation's own line
    std::vector<Case> m_cases;
    bool m_outcomeLineNext = false; // the next line reports the newest case
    double m_seconds = 0;
};

} // namespace script

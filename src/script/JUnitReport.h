#pragma once

#include "script/RunListener.h"

#include <QDateTime>
#include <QIODevice>
#include <QStringList>
#include <deque>
#include <vector>

namespace script {

// Collects a run as a JUnit XML report: one test suite for the script, one test case per
// expectation; a failed case carries the transcript lines around it (a few before, a few after).
class JUnitReport final : public RunListener
{
public:
    static constexpr int kLinesBefore = 6;
    static constexpr int kLinesAfter = 3;

    JUnitReport(QString suiteName, QDateTime started);

    void transcriptLine(const QString& line) override;
    void expectationChecked(const ExpectationOutcome& outcome) override;

    // Writes the report; false when the device refused it.
    bool write(QIODevice& device, const QString& hostName) const;

private:
    struct Case
    {
        ExpectationOutcome outcome;
        QStringList context;
        int linesStillWanted = 0;
    };

    QString m_suite;
    QDateTime m_started;
    std::deque<QString> m_recent;
    std::vector<Case> m_cases;
    std::vector<size_t> m_collecting; // failed cases still gathering the lines after them
    double m_seconds = 0;
};

} // namespace script

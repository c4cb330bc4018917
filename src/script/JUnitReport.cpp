#include "script/JUnitReport.h"

#include <QXmlStreamWriter>
#include <algorithm>

namespace script {

namespace {

// XML 1.0 cannot carry most control characters, even escaped; print data (ESC above all) often
// holds them. They are written as \xHH, as the script would write them.
QString xmlText(const QString& text)
{
    QString safe;
    safe.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() < 0x20 && c != u'\n' && c != u'\t' && c != u'\r')
            safe += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else if (c.unicode() == 0xFFFE || c.unicode() == 0xFFFF)
            safe += QStringLiteral("\\x%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            safe += c;
    }
    return safe;
}

} // namespace

JUnitReport::JUnitReport(QString suiteName, QDateTime started)
    : m_suite(std::move(suiteName)), m_started(std::move(started))
{}

void JUnitReport::transcriptLine(QStringView line)
{
    if (m_outcomeLineNext) {
        m_outcomeLineNext = false;
        if (!m_cases.back().outcome.held)
            m_cases.back().context.append(line.toString());
        m_recent.clear();
        return;
    }
    m_recent.push_back(line.toString());
    if (m_recent.size() > kContextLines)
        m_recent.pop_front();
}

void JUnitReport::expectationChecked(const ExpectationOutcome& outcome)
{
    Case entry{outcome, {}, false};
    m_seconds += outcome.seconds;
    if (!outcome.held)
        entry.context = QStringList(m_recent.cbegin(), m_recent.cend());
    m_cases.push_back(std::move(entry));
    m_outcomeLineNext = true;
}

void JUnitReport::cannotRun(const QString& reason)
{
    ExpectationOutcome outcome;
    outcome.statement = QStringLiteral("the script could not run");
    outcome.message = reason;
    m_cases.push_back({outcome, {reason}, true});
}

QByteArray JUnitReport::toXml(const QString& hostName) const
{
    const auto errors = std::count_if(m_cases.cbegin(), m_cases.cend(),
                                      [](const Case& entry) { return entry.error; });
    const auto failures = std::count_if(m_cases.cbegin(), m_cases.cend(), [](const Case& entry) {
        return !entry.outcome.held && !entry.error;
    });
    const QString tests = QString::number(m_cases.size());
    const QString failed = QString::number(failures);
    const QString errored = QString::number(errors);
    const QString time = QString::number(m_seconds, 'f', 3);

    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuites"));
    xml.writeAttribute(QStringLiteral("tests"), tests);
    xml.writeAttribute(QStringLiteral("failures"), failed);
    xml.writeAttribute(QStringLiteral("errors"), errored);
    xml.writeAttribute(QStringLiteral("time"), time);
    xml.writeStartElement(QStringLiteral("testsuite"));
    xml.writeAttribute(QStringLiteral("name"), xmlText(m_suite));
    xml.writeAttribute(QStringLiteral("tests"), tests);
    xml.writeAttribute(QStringLiteral("failures"), failed);
    xml.writeAttribute(QStringLiteral("errors"), errored);
    xml.writeAttribute(QStringLiteral("skipped"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("time"), time);
    xml.writeAttribute(QStringLiteral("timestamp"), m_started.toUTC().toString(Qt::ISODate));
    xml.writeAttribute(QStringLiteral("hostname"), hostName);
    for (const Case& entry : m_cases) {
        xml.writeStartElement(QStringLiteral("testcase"));
        xml.writeAttribute(QStringLiteral("classname"), xmlText(m_suite));
        xml.writeAttribute(QStringLiteral("name"),
                           entry.error ? entry.outcome.statement
                                       : QStringLiteral("line %1: %2")
                                             .arg(entry.outcome.line)
                                             .arg(xmlText(entry.outcome.statement)));
        xml.writeAttribute(QStringLiteral("time"), QString::number(entry.outcome.seconds, 'f', 3));
        if (!entry.outcome.held) {
            xml.writeStartElement(entry.error ? QStringLiteral("error")
                                              : QStringLiteral("failure"));
            xml.writeAttribute(QStringLiteral("message"), xmlText(entry.outcome.message));
            xml.writeAttribute(QStringLiteral("type"), entry.error ? QStringLiteral("cannot run")
                                                                   : QStringLiteral("expectation"));
            xml.writeCharacters(xmlText(entry.context.join(QLatin1Char('\n'))));
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

} // namespace script

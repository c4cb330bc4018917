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

void JUnitReport::transcriptLine(const QString& line)
{
    for (size_t index : m_collecting) {
        m_cases[index].context.append(line);
        --m_cases[index].linesStillWanted;
    }
    std::erase_if(m_collecting,
                  [this](size_t index) { return m_cases[index].linesStillWanted <= 0; });
    m_recent.push_back(line);
    if (m_recent.size() > kLinesBefore)
        m_recent.pop_front();
}

void JUnitReport::expectationChecked(const ExpectationOutcome& outcome)
{
    Case entry{outcome, {}, 0};
    m_seconds += outcome.seconds;
    if (!outcome.held) {
        entry.context = QStringList(m_recent.cbegin(), m_recent.cend());
        entry.linesStillWanted = kLinesAfter;
        m_collecting.push_back(m_cases.size());
    }
    m_cases.push_back(std::move(entry));
}

bool JUnitReport::write(QIODevice& device, const QString& hostName) const
{
    const auto failures = std::count_if(m_cases.cbegin(), m_cases.cend(),
                                        [](const Case& entry) { return !entry.outcome.held; });
    const QString tests = QString::number(m_cases.size());
    const QString failed = QString::number(failures);
    const QString time = QString::number(m_seconds, 'f', 3);

    QXmlStreamWriter xml(&device);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuites"));
    xml.writeAttribute(QStringLiteral("tests"), tests);
    xml.writeAttribute(QStringLiteral("failures"), failed);
    xml.writeAttribute(QStringLiteral("errors"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("time"), time);
    xml.writeStartElement(QStringLiteral("testsuite"));
    xml.writeAttribute(QStringLiteral("name"), xmlText(m_suite));
    xml.writeAttribute(QStringLiteral("tests"), tests);
    xml.writeAttribute(QStringLiteral("failures"), failed);
    xml.writeAttribute(QStringLiteral("errors"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("skipped"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("time"), time);
    xml.writeAttribute(QStringLiteral("timestamp"), m_started.toUTC().toString(Qt::ISODate));
    xml.writeAttribute(QStringLiteral("hostname"), hostName);
    for (const Case& entry : m_cases) {
        xml.writeStartElement(QStringLiteral("testcase"));
        xml.writeAttribute(QStringLiteral("classname"), xmlText(m_suite));
        xml.writeAttribute(
            QStringLiteral("name"),
            QStringLiteral("line %1: %2").arg(entry.outcome.line).arg(entry.outcome.statement));
        xml.writeAttribute(QStringLiteral("time"), QString::number(entry.outcome.seconds, 'f', 3));
        if (!entry.outcome.held) {
            xml.writeStartElement(QStringLiteral("failure"));
            xml.writeAttribute(QStringLiteral("message"), xmlText(entry.outcome.message));
            xml.writeAttribute(QStringLiteral("type"), QStringLiteral("expectation"));
            xml.writeCharacters(xmlText(entry.context.join(QLatin1Char('\n'))));
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return !xml.hasError();
}

} // namespace script

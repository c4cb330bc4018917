#include "opos/StatusMailbox.h"

#include <QLocale>

namespace opos {

bool StatusMailbox::put(const PrinterStatus& status)
{
    std::lock_guard lock(m_mutex);
    const bool wasEmpty = m_statuses.empty();
    if (m_statuses.size() < kKept) {
        m_statuses.push_back(status);
    } else {
        m_statuses.back() = status;
        ++m_folded;
    }
    return wasEmpty;
}

std::optional<StatusMailbox::Taken> StatusMailbox::take()
{
    std::lock_guard lock(m_mutex);
    if (m_statuses.empty())
        return std::nullopt;
    return Taken{std::exchange(m_statuses, {}), std::exchange(m_folded, 0)};
}

bool FoldReport::add(qint64 count, qint64 nowMs)
{
    if (count <= 0)
        return false;
    const bool first = m_count == 0;
    if (first)
        m_sinceMs = nowMs;
    m_count += count;
    return first;
}

QString FoldReport::note(qint64 nowMs)
{
    if (m_count == 0)
        return {};
    const qint64 count = std::exchange(m_count, 0);
    const double seconds = static_cast<double>(std::max<qint64>(0, nowMs - m_sinceMs)) / 1000.0;
    return QStringLiteral("… %1 status %2 in %3 s not shown")
        .arg(QLocale(QLocale::English).toString(count),
             QLatin1String(count == 1 ? "change" : "changes"), QString::number(seconds, 'f', 1));
}

} // namespace opos

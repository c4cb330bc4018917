#include "backends/escpos/ReadThrottle.h"

#include <QElapsedTimer>
#include <QLocale>

namespace escpos {

namespace {

constexpr qint64 kSecondMs = 1000;

qint64 monotonicMs()
{
    // Any fixed origin will do: only differences are used.
    QElapsedTimer timer;
    timer.start();
    return timer.msecsSinceReference();
}

} // namespace

ReadThrottle::ReadThrottle(Clock clock) : m_clock(clock ? std::move(clock) : Clock(monotonicMs))
{
    reset();
}

void ReadThrottle::reset()
{
    m_sliceStart = m_secondStart = m_clock();
    m_inSlice = m_inSecond = 0;
    m_limitedThisSecond = false;
    m_complaint.clear();
}

void ReadThrottle::advance()
{
    const qint64 now = m_clock();
    if (now - m_sliceStart >= kSliceMs) {
        m_sliceStart = now;
        m_inSlice = 0;
    }
    if (now - m_secondStart < kSecondMs)
        return;
    if (m_limitedThisSecond) {
        const double seconds = static_cast<double>(now - m_secondStart) / kSecondMs;
        m_complaint =
            QStringLiteral("the device sends data nobody asked for: %1 in %2 s")
                .arg(QLocale::c().formattedDataSize(m_inSecond, 1, QLocale::DataSizeSIFormat),
                     QString::number(seconds, 'f', seconds < 1.95 ? 0 : 1));
    } else {
        m_complaint.clear();
    }
    m_secondStart = now;
    m_inSecond = 0;
    m_limitedThisSecond = false;
}

qint64 ReadThrottle::allowance()
{
    advance();
    const qint64 left = kBytesPerSlice - m_inSlice;
    if (left <= 0)
        m_limitedThisSecond = true;
    return std::max<qint64>(0, left);
}

void ReadThrottle::took(qint64 bytes)
{
    m_inSlice += bytes;
    m_inSecond += bytes;
}

qint64 ReadThrottle::resumeInMs() const
{
    return std::max<qint64>(1, kSliceMs - (m_clock() - m_sliceStart));
}

QString ReadThrottle::complaint()
{
    advance();
    return m_complaint;
}

} // namespace escpos

#pragma once

#include <QTimer>
#include <algorithm>
#include <chrono>

// The longest time the GUI thread did not turn its event loop since the watch was made, seen by
// a timer that fires as often as the loop lets it (every `intervalMs`), up to now.
class StallWatch
{
public:
    using Clock = std::chrono::steady_clock;

    explicit StallWatch(int intervalMs = 1) : m_last(Clock::now())
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(intervalMs);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            const auto now = Clock::now();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
            ++m_turns;
        });
        m_timer.start();
    }

    double longestMs() const
    {
        const auto tail = Clock::now() - m_last;
        return std::chrono::duration<double, std::milli>(std::max(m_longest, tail)).count();
    }
    int turns() const { return m_turns; }

private:
    QTimer m_timer;
    Clock::time_point m_last;
    Clock::duration m_longest{};
    int m_turns = 0;
};

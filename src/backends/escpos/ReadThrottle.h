#pragma once

#include <QString>
#include <functional>

namespace escpos {

// Bounds how fast a device is read, so that one sending without end (a device file such as
// /dev/zero, a printer flooding status frames) costs little processor time, and puts into words
// what such a device sends. Time comes from the clock given, in milliseconds.
class ReadThrottle
{
public:
    using Clock = std::function<qint64()>;
    // No status exchange needs more than a few bytes a second; this leaves wide room.
    static constexpr qint64 kBytesPerSlice = 32 * 1024;
    static constexpr qint64 kSliceMs = 50;

    explicit ReadThrottle(Clock clock = {});

    // How many bytes may be read now; 0 means wait resumeInMs() first.
    qint64 allowance();
    void took(qint64 bytes);
    qint64 resumeInMs() const;
    // "the device sends data nobody asked for: 1.2 MB in 1 s" while the device keeps the
    // throttle busy; empty once it sent less than the budget for a whole second.
    QString complaint();
    void reset();

private:
    void advance();

    Clock m_clock;
    qint64 m_sliceStart = 0;
    qint64 m_inSlice = 0;
    qint64 m_secondStart = 0;
    qint64 m_inSecond = 0;
    bool m_limitedThisSecond = false;
    QString m_complaint;
};

} // namespace escpos

#include "backends/escpos/DeviceStatus.h"

#include <QVarLengthArray>
#include <utility>

namespace escpos {

namespace {

bool bit(uint8_t value, int n)
{
    return (value >> n) & 1;
}

constexpr uint8_t kXon = 0x11;
constexpr uint8_t kXoff = 0x13;

} // namespace

QByteArray statusRequest()
{
    return QByteArrayLiteral("\x10\x04\x01\x10\x04\x02\x10\x04\x04");
}

DeviceStatus decodeRealTime(uint8_t printer, uint8_t offlineCause, uint8_t paper)
{
    DeviceStatus status;
    status.answered = true;
    status.drawerHigh = bit(printer, 2);
    status.offline = bit(printer, 3);
    status.coverOpen = bit(offlineCause, 2);
    status.paperEndStop = bit(offlineCause, 5);
    status.error = bit(offlineCause, 6);
    status.paperNearEnd = (paper & 0x0C) != 0;
    status.paperEnd = (paper & 0x60) != 0;
    return status;
}

DeviceStatus decodeAutoStatus(const std::array<uint8_t, 4>& frame)
{
    DeviceStatus status;
    status.answered = true;
    status.drawerHigh = bit(frame[0], 2);
    status.offline = bit(frame[0], 3);
    status.coverOpen = bit(frame[0], 5);
    status.error = (frame[1] & 0x6C) != 0;
    status.paperNearEnd = (frame[2] & 0x03) != 0;
    status.paperEnd = (frame[2] & 0x0C) != 0;
    status.paperEndStop = status.paperEnd && status.offline;
    return status;
}

ByteKind byteKind(uint8_t byte)
{
    if (byte == kXon || byte == kXoff)
        return ByteKind::Other;
    if ((byte & 0x93) == 0x10)
        return ByteKind::FrameStart;
    if ((byte & 0x93) == 0x12)
        return ByteKind::RealTime;
    if ((byte & 0x90) == 0x00)
        return ByteKind::Transmit;
    return ByteKind::Other;
}

void ReplySorter::feed(QByteArrayView bytes)
{
    // Sorted here first, so that each queue grows once per feed and not once per byte.
    QVarLengthArray<char, 64> realTime;
    QVarLengthArray<char, 64> transmit;
    for (const char c : bytes) {
        const auto byte = static_cast<uint8_t>(c);
        if (byte == kXon || byte == kXoff)
            continue;
        const ByteKind kind = byteKind(byte);
        if (m_frameFill > 0) {
            m_frame[m_frameFill++] = byte;
            if (m_frameFill == 4) {
                m_frames.push_back(m_frame);
                m_frameFill = 0;
            }
        } else if (kind == ByteKind::FrameStart) {
            m_frame[0] = byte;
            m_frameFill = 1;
        } else if (kind == ByteKind::RealTime) {
            realTime.append(c);
        } else if (kind == ByteKind::Transmit) {
            transmit.append(c);
        }
    }
    const auto queue = [](QByteArray& to, const QVarLengthArray<char, 64>& sorted) {
        if (to.isEmpty()) // the usual case: made at its size instead of grown
            to = QByteArray(sorted.constData(), sorted.size());
        else
            to.append(sorted.constData(), sorted.size());
    };
    if (!realTime.isEmpty())
        queue(m_realTime, realTime);
    if (!transmit.isEmpty())
        queue(m_transmit, transmit);
}

qsizetype ReplySorter::available(ReplyKind kind) const
{
    return kind == ReplyKind::RealTime ? m_realTime.size() : m_transmit.size();
}

QByteArray ReplySorter::take(ReplyKind kind, qsizetype count)
{
    QByteArray& queue = kind == ReplyKind::RealTime ? m_realTime : m_transmit;
    if (count >= queue.size())
        return std::exchange(queue, {});
    QByteArray taken = queue.first(count);
    queue.remove(0, count);
    return taken;
}

void ReplySorter::discard(ReplyKind kind)
{
    (kind == ReplyKind::RealTime ? m_realTime : m_transmit).clear();
}

std::vector<std::array<uint8_t, 4>> ReplySorter::takeFrames()
{
    return std::exchange(m_frames, {});
}

} // namespace escpos

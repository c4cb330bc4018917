#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <cstdint>
#include <deque>
#include <vector>

namespace escpos {

// What a printer said about itself, decoded from real-time status replies or automatic status
// back. `answered` is false when it said nothing in time or the connection is gone.
struct DeviceStatus
{
    bool answered = false;
    bool drawerHigh = false;
    bool offline = false;
    bool coverOpen = false;
    bool paperEndStop = false; // stopped because the paper ran out
    bool error = false;
    bool paperNearEnd = false;
    bool paperEnd = false;
    friend bool operator==(const DeviceStatus&, const DeviceStatus&) = default;
};

// The request for the three real-time status bytes that make a DeviceStatus: printer (1),
// offline cause (2), paper sensor (4).
QByteArray statusRequest();
DeviceStatus decodeRealTime(uint8_t printer, uint8_t offlineCause, uint8_t paper);
DeviceStatus decodeAutoStatus(const std::array<uint8_t, 4>& frame);

// The kinds of bytes a printer sends back.
enum class ReplyKind
{
    RealTime, // answer to DLE EOT n, pattern 0xx1xx10
    Transmit  // answer to GS r n, sent after the data queued before it, pattern 0xx0xxxx
};

// What one byte from the device is, outside a status frame.
enum class ByteKind
{
    RealTime,
    Transmit,
    FrameStart, // the first byte of an automatic status frame, pattern 0xx1xx00
    Other       // XON, XOFF and anything else: no reply
};
ByteKind byteKind(uint8_t byte);

// Sorts the incoming byte stream into real-time replies, transmit-status replies and automatic
// status frames, dropping XON/XOFF and anything else.
class ReplySorter
{
public:
    void feed(QByteArrayView bytes);
    // Nothing is waiting to be taken, and no status frame is half received.
    bool idle() const
    {
        return m_realTime.isEmpty() && m_transmit.isEmpty() && m_frames.empty() && m_frameFill == 0;
    }
    qsizetype available(ReplyKind kind) const;
    QByteArray take(ReplyKind kind, qsizetype count);
    void discard(ReplyKind kind);
    // Complete automatic status frames received since the last call.
    std::vector<std::array<uint8_t, 4>> takeFrames();

private:
    QByteArray m_realTime;
    QByteArray m_transmit;
    std::vector<std::array<uint8_t, 4>> m_frames;
    std::array<uint8_t, 4> m_frame{};
    int m_frameFill = 0; // bytes of a frame being received, 0 when none
};

} // namespace escpos

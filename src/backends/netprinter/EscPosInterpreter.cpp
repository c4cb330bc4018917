#include "backends/netprinter/EscPosInterpreter.h"

#include <cstring>

namespace netprinter {

namespace {

constexpr qsizetype kBatch = 512;       // segments handed to the roll at once
constexpr qsizetype kHeadBytes = 16;    // data kept of a payload too large to keep
constexpr qsizetype kMaxNoteText = 200; // characters of a text line in the transcript

} // namespace

EscPosInterpreter::EscPosInterpreter(VirtualPrinterDevice& device, Output output)
    : m_device(device), m_output(std::move(output))
{
    resetState();
    m_state = m_device.snapshot();
}

void EscPosInterpreter::resetState()
{
    m_style = {};
    m_fontB = false;
    setCodeTable(0);
    m_lineSpacing = 30;
    m_symbols = {};
}

void EscPosInterpreter::setCodeTable(int n)
{
    if (const auto table = codeTable(n)) {
        m_table = *table;
        m_tableNumber = n;
    } else {
        note(QStringLiteral("code table %1 is not known here: table %2 stays")
                 .arg(n)
                 .arg(m_tableNumber));
    }
}

void EscPosInterpreter::feed(QByteArrayView bytes)
{
    m_state = m_device.snapshot();
    if (m_state.switchedOff) {
        // Without power nothing is received, nothing answered.
        if (!m_droppedWhileOff)
            note(QStringLiteral("the printer is switched off: what it receives is lost"));
        m_droppedWhileOff = true;
        return;
    }
    if (m_pending.isEmpty() && m_state.canPrint()) {
        const qsizetype used = process(bytes);
        m_pending.append(bytes.sliced(used));
    } else {
        m_pending.append(bytes);
        if (m_state.canPrint()) {
            m_pending.remove(0, process(m_pending));
            m_scanned = 0;
        }
    }
    if (!m_state.canPrint())
        holdRealTime();
    flush();
}

void EscPosInterpreter::deviceChanged()
{
    const DeviceSnapshot before = m_state;
    m_state = m_device.snapshot();
    if (m_state.switchedOff && !before.switchedOff) {
        // Power gone: the buffer, the modes and automatic status back go with it.
        endText();
        flush();
        m_pending.clear();
        m_scanned = 0;
        m_payload.reset();
        m_userCharsLeft = 0;
        m_asbMask = 0;
        m_lastAsb.reset();
        resetState();
        note(QStringLiteral("the printer is switched off"));
        return;
    }
    if (!m_state.switchedOff)
        m_droppedWhileOff = false;
    sendAutomaticStatus(false);
    if (m_state.canPrint() && !m_pending.isEmpty()) {
        note(QStringLiteral("the printer is ready: printing %1 held bytes").arg(m_pending.size()));
        m_pending.remove(0, process(m_pending));
        m_scanned = 0;
        flush();
    }
}

void EscPosInterpreter::finish()
{
    if (m_payload)
        note(QStringLiteral("the stream ended %1 bytes before the end of %2")
                 .arg(m_payload->remaining)
                 .arg(mnemonic(m_payload->header)));
    else if (!m_pending.isEmpty())
        note(QStringLiteral("the stream ended with %1 bytes not printed: %2")
                 .arg(m_pending.size())
                 .arg(hexBytes(m_pending)));
    m_pending.clear();
    m_payload.reset();
    // The job's last line is printed, not left to run into the next job's first one.
    if (m_column > 0 || !m_text.isEmpty())
        push(opos::PrintSegment::Kind::NewLine);
    flushUnknown();
    flush();
}

qsizetype EscPosInterpreter::process(QByteArrayView bytes)
{
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        const QByteArrayView rest = bytes.sliced(pos);
        const qsizetype used = m_payload ? takePayload(rest) : step(rest);
        if (used == 0)
            break;
        pos += used;
        if (m_segments.size() >= kBatch)
            flush();
    }
    return pos;
}

qsizetype EscPosInterpreter::step(QByteArrayView bytes)
{
    const auto first = static_cast<uint8_t>(bytes[0]);
    if (m_userCharsLeft > 0) {
        // ESC &: each character brings its width, then its columns.
        --m_userCharsLeft;
        m_payload = Payload{m_userCharHeader, qint64{m_userCharHeight} * first, 0, {}, false};
        m_payload->total = m_payload->remaining;
        if (m_payload->remaining == 0)
            m_payload.reset();
        return 1;
    }
    if (first >= 0x20)
        return text(bytes);
    const Frame frame = frameOf(bytes);
    if (frame.header == 0)
        return 0;
    if (!frame.known) {
        if (frame.payload == 0) {
            noteUnknown(bytes.first(frame.header));
            return frame.header;
        }
        flushUnknown();
        note(QStringLiteral("unknown %1, skipped with its %2 data bytes")
                 .arg(hexBytes(bytes.first(frame.header)))
                 .arg(frame.payload));
        m_payload = Payload{
            bytes.first(frame.header).toByteArray(), frame.payload, frame.payload, {}, false};
        return frame.header;
    }
    flushUnknown();
    const QByteArrayView header = bytes.first(frame.header);
    if (frame.rule == PayloadRule::UntilNul) {
        const qsizetype limit = std::min(bytes.size(), frame.header + kMaxNulTerminated + 1);
        const void* nul =
            std::memchr(bytes.data() + frame.header, 0, static_cast<size_t>(limit - frame.header));
        if (!nul && bytes.size() <= frame.header + kMaxNulTerminated)
            return 0;
        const qsizetype end =
            nul ? static_cast<const char*>(nul) - bytes.data() : limit; // the NUL not included
        const QByteArrayView data = bytes.sliced(frame.header, end - frame.header);
        executeWithData(header, data, data.size(), true);
        if (!nul)
            note(QStringLiteral("%1: no NUL after %2 bytes; taken as the end")
                     .arg(mnemonic(header))
                     .arg(kMaxNulTerminated));
        return nul ? end + 1 : end;
    }
    if (frame.rule == PayloadRule::UserChars) {
        noteCommand(header, frame);
        m_userCharHeader = header.toByteArray();
        m_userCharHeight = static_cast<uint8_t>(header[2]);
        m_userCharsLeft =
            std::max(0, static_cast<uint8_t>(header[4]) - static_cast<uint8_t>(header[3]) + 1);
        return frame.header;
    }
    if (frame.rule != PayloadRule::None) {
        m_payload = Payload{header.toByteArray(), frame.payload, frame.payload, {}, true};
        if (frame.payload == 0) {
            m_payload.reset();
            executeWithData(header, {}, 0, true);
        }
        return frame.header;
    }
    execute(header, frame);
    return frame.header;
}

qsizetype EscPosInterpreter::takePayload(QByteArrayView bytes)
{
    Payload& p = *m_payload;
    const qsizetype n = static_cast<qsizetype>(std::min<qint64>(p.remaining, bytes.size()));
    const QByteArrayView part = bytes.first(n);
    if (p.keep && p.kept.size() + n > kMaxKept) {
        p.keep = false;
        p.kept.truncate(kHeadBytes);
    }
    if (p.keep)
        p.kept.append(part);
    else if (p.kept.size() < kHeadBytes)
        p.kept.append(part.first(std::min(n, kHeadBytes - p.kept.size())));
    p.remaining -= n;
    if (p.remaining == 0) {
        const Payload done = std::move(p);
        m_payload.reset();
        if (frameOf(done.header).known)
            executeWithData(done.header, done.kept, done.total, done.keep);
    }
    return n;
}

qsizetype EscPosInterpreter::text(QByteArrayView bytes)
{
    flushUnknown();
    qsizetype n = 0;
    while (n < bytes.size() && static_cast<uint8_t>(bytes[n]) >= 0x20)
        ++n;
    const qsizetype start = m_text.size();
    m_text.resize(start + n);
    QChar* out = m_text.data() + start;
    for (qsizetype i = 0; i < n; ++i)
        out[i] = QChar(m_table[static_cast<uint8_t>(bytes[i])]);
    m_column += static_cast<int>(n);
    if (transcribing() && m_line.size() < kMaxNoteText)
        m_line += QStringView(out, std::min(n, kMaxNoteText - m_line.size()));
    return n;
}

void EscPosInterpreter::holdRealTime()
{
    // A printer that cannot print still answers real-time requests as they arrive.
    qsizetype i = m_scanned;
    while (i < m_pending.size()) {
        if (m_pending[i] != '\x10') {
            ++i;
            continue;
        }
        const QByteArrayView rest = QByteArrayView(m_pending).sliced(i);
        if (rest.size() < 2)
            break;
        if (rest[1] != '\x04' && rest[1] != '\x14') {
            ++i;
            continue;
        }
        const Frame frame = frameOf(rest);
        if (frame.header == 0)
            break;
        if (frame.known)
            executeDle(rest.first(frame.header));
        m_pending.remove(i, frame.header);
    }
    m_scanned = i;
}

void EscPosInterpreter::endText()
{
    if (m_text.isEmpty())
        return;
    opos::PrintSegment segment;
    segment.kind = opos::PrintSegment::Kind::Text;
    segment.text = std::move(m_text);
    segment.style = m_style;
    m_segments.push_back(std::move(segment));
    m_text.clear();
}

void EscPosInterpreter::push(opos::PrintSegment::Kind kind, int number)
{
    endText();
    opos::PrintSegment segment;
    segment.kind = kind;
    segment.number = number;
    segment.style = m_style;
    m_segments.push_back(std::move(segment));
    if (kind != opos::PrintSegment::Kind::Text) {
        m_column = 0;
        if (transcribing() && !m_line.isEmpty())
            note(QStringLiteral("text \"%1\"").arg(std::exchange(m_line, {})));
    }
}

void EscPosInterpreter::flush()
{
    endText();
    if (!m_segments.empty())
        m_device.print(m_segments, m_fontB ? 64 : 48);
    m_segments.clear();
    if (m_cutPending && m_output.cut) {
        m_cutPending = false;
        m_output.cut();
    }
}

void EscPosInterpreter::note(const QString& line)
{
    if (m_output.transcript)
        m_output.transcript(line);
}

void EscPosInterpreter::noteCommand(QByteArrayView header, const Frame& frame,
                                    const QString& detail)
{
    if (!transcribing())
        return;
    note(QStringLiteral("%1  %2%3")
             .arg(mnemonic(header), QLatin1String(frame.name),
                  detail.isEmpty() ? QString() : QStringLiteral(": ") + detail));
}

void EscPosInterpreter::noteUnknown(QByteArrayView bytes)
{
    if (m_unknown.size() < kHeadBytes)
        m_unknown.append(bytes.first(std::min(bytes.size(), kHeadBytes - m_unknown.size())));
    m_unknownCount += bytes.size();
}

void EscPosInterpreter::flushUnknown()
{
    if (m_unknownCount == 0)
        return;
    note(QStringLiteral("unknown %1 (%2 bytes skipped)")
             .arg(hexBytes(m_unknown, m_unknown.size()) +
                  (m_unknownCount > m_unknown.size() ? QStringLiteral(" …") : QString()))
             .arg(m_unknownCount));
    m_unknown.clear();
    m_unknownCount = 0;
}

void EscPosInterpreter::reply(QByteArrayView bytes, QByteArrayView header, const char* what)
{
    if (m_output.reply && !bytes.isEmpty())
        m_output.reply(bytes);
    note(QStringLiteral("%1  %2 -> %3")
             .arg(mnemonic(header), QLatin1String(what),
                  bytes.isEmpty() ? QStringLiteral("no answer") : hexBytes(bytes)));
}

} // namespace netprinter

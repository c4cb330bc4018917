#include "opos/FilePrintLines.h"

#include <QIODevice>
#include <algorithm>
#include <stdexcept>
#include <vector>

namespace {

constexpr qint64 kChunkBytes = 64 * 1024;

[[noreturn]] void throwReadError(const QIODevice& device)
{
    throw std::runtime_error("The file cannot be read: " + device.errorString().toStdString());
}

// Reads up to kChunkBytes more into buffer; false at the end of the device.
bool appendChunk(QIODevice& device, QByteArray& buffer)
{
    const qsizetype oldSize = buffer.size();
    buffer.resize(oldSize + kChunkBytes);
    const qint64 got = device.read(buffer.data() + oldSize, kChunkBytes);
    if (got < 0)
        throwReadError(device);
    buffer.resize(oldSize + got);
    return got > 0;
}

bool isValidUtf8(QIODevice& device)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QByteArray chunk;
    std::vector<QChar> scratch(utf8.requiredSpace(kChunkBytes + 8));
    while (appendChunk(device, chunk)) {
        utf8.appendToBuffer(scratch.data(), chunk);
        if (utf8.hasError())
            return false;
        chunk.clear();
    }
    // A sequence cut off by the end of the file is still waiting in the decoder; a following
    // ASCII byte makes it an error.
    utf8.appendToBuffer(scratch.data(), QByteArrayView("\n"));
    return !utf8.hasError();
}

} // namespace

TextFileLines::TextFileLines(QIODevice& device)
    : m_device(device), m_utf8(isValidUtf8(device)),
      m_decoder(m_utf8 ? QStringDecoder(QStringDecoder::Utf8) : QStringDecoder("windows-1252"))
{
    if (!m_decoder.isValid())
        throw std::runtime_error("No Windows-1252 decoder is available");
    if (!m_device.seek(0))
        throwReadError(m_device);
}

std::optional<QString> TextFileLines::next()
{
    const std::optional<QByteArray> bytes = nextBytes();
    if (!bytes)
        return std::nullopt;
    // Line ends never fall inside a UTF-8 sequence, so each line decodes on its own; the
    // decoder drops a byte-order mark at the start of the file.
    return QString(m_decoder.decode(*bytes));
}

std::optional<QByteArray> TextFileLines::nextBytes()
{
    const auto isLineEnd = [](char c) { return c == '\n' || c == '\r'; };
    for (;;) {
        if (m_skipLf && m_pos < m_buffer.size()) {
            m_skipLf = false;
            if (m_buffer.at(m_pos) == '\n')
                ++m_pos;
        }
        const auto begin = m_buffer.cbegin() + m_pos;
        const auto end = std::find_if(begin, m_buffer.cend(), isLineEnd);
        if (end != m_buffer.cend()) {
            QByteArray line(begin, end - begin);
            m_skipLf = *end == '\r';
            m_pos = end - m_buffer.cbegin() + 1;
            return line;
        }
        if (!readMore()) {
            if (m_pos == m_buffer.size())
                return std::nullopt;
            QByteArray line = m_buffer.sliced(m_pos);
            m_pos = m_buffer.size();
            return line;
        }
    }
}

bool TextFileLines::readMore()
{
    if (m_atEnd)
        return false;
    m_buffer.remove(0, m_pos);
    m_pos = 0;
    m_atEnd = !appendChunk(m_device, m_buffer);
    return !m_atEnd;
}

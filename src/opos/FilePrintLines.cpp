#include "opos/FilePrintLines.h"

#include <QByteArrayView>
#include <QFile>
#include <QIODevice>
#include <QStringDecoder>
#include <stdexcept>

namespace {

constexpr qint64 kChunkBytes = 64 * 1024;
// How much text after the first line that is not plain ASCII decides the encoding.
constexpr qsizetype kSniffBytes = 64 * 1024;

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

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// The sample up to its last line end: a sequence cut off by the end of a read is no error.
QByteArrayView completeLines(QByteArrayView sample)
{
    for (qsizetype i = sample.size(); i > 0; --i)
        if (sample[i - 1] == '\n' || sample[i - 1] == '\r')
            return sample.first(i);
    return {};
}

} // namespace

RawTextLines::RawTextLines(QIODevice& device) : m_device(device)
{
    while (m_buffer.size() < 3 && readMore()) {
    }
    const QByteArrayView head(m_buffer);
    if (head.startsWith("\xEF\xBB\xBF")) {
        m_marked = TextEncoding::Utf8;
        m_pos = 3;
    } else if (head.startsWith("\xFF\xFE")) {
        m_marked = TextEncoding::Utf16LE;
        m_pos = 2;
    } else if (head.startsWith("\xFE\xFF")) {
        m_marked = TextEncoding::Utf16BE;
        m_pos = 2;
    }
    if (m_marked == TextEncoding::Utf16LE || m_marked == TextEncoding::Utf16BE)
        m_unit = 2;
    m_scan = m_pos;
}

bool RawTextLines::isUnit(qsizetype at, char c) const
{
    if (at + m_unit > m_buffer.size())
        return false;
    if (m_unit == 1)
        return m_buffer.at(at) == c;
    const bool bigEndian = m_marked == TextEncoding::Utf16BE;
    return m_buffer.at(at + (bigEndian ? 1 : 0)) == c && m_buffer.at(at + (bigEndian ? 0 : 1)) == 0;
}

qsizetype RawTextLines::findLineEnd()
{
    const qsizetype size = m_buffer.size();
    if (m_unit == 1) {
        const char* data = m_buffer.constData();
        for (; m_scan < size; ++m_scan)
            if (data[m_scan] == '\n' || data[m_scan] == '\r')
                return m_scan;
        return -1;
    }
    for (; m_scan + m_unit <= size; m_scan += m_unit)
        if (isUnit(m_scan, '\n') || isUnit(m_scan, '\r'))
            return m_scan;
    return -1;
}

std::optional<QByteArray> RawTextLines::next()
{
    for (;;) {
        if (m_skipLf && m_pos + m_unit <= m_buffer.size()) {
            m_skipLf = false;
            if (isUnit(m_pos, '\n'))
                m_pos += m_unit;
            m_scan = m_pos;
        }
        const qsizetype end = findLineEnd();
        if (end >= 0) {
            QByteArray line = m_buffer.sliced(m_pos, end - m_pos);
            m_skipLf = isUnit(end, '\r');
            m_pos = m_scan = end + m_unit;
            return line;
        }
        if (!readMore()) {
            if (m_pos >= m_buffer.size())
                return std::nullopt;
            QByteArray line = m_buffer.sliced(m_pos);
            m_pos = m_scan = m_buffer.size();
            return line;
        }
        if (m_longLineReading && m_buffer.size() - m_pos >= m_longLineBytes)
            m_longLineReading();
    }
}

void RawTextLines::setLongLineWatch(qsizetype bytes, std::function<void()> reading)
{
    m_longLineBytes = bytes;
    m_longLineReading = std::move(reading);
}

QByteArray RawTextLines::ahead(qsizetype bytes)
{
    while (m_buffer.size() - m_pos < bytes && readMore()) {
    }
    return m_buffer.sliced(m_pos);
}

bool RawTextLines::readMore()
{
    if (m_atEnd)
        return false;
    // Only what is past the returned lines is kept; a long line moves once, not per chunk.
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_scan -= m_pos;
        m_pos = 0;
    }
    m_atEnd = !appendChunk(m_device, m_buffer);
    return !m_atEnd;
}

TextFileLines::TextFileLines(QIODevice& device)
    : m_lines(device), m_encoding(m_lines.markedEncoding()), m_windows1252("windows-1252"),
      m_utf16(m_encoding == TextEncoding::Utf16BE ? QStringDecoder::Utf16BE
                                                  : QStringDecoder::Utf16LE,
              QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom)
{
    if (!m_windows1252.isValid())
        throw std::runtime_error("No Windows-1252 decoder is available");
}

std::optional<QString> TextFileLines::next()
{
    const std::optional<QByteArray> bytes = m_lines.next();
    if (!bytes)
        return std::nullopt;
    if (!m_encoding && !isAscii(*bytes))
        decideFor(*bytes);
    return decode(*bytes);
}

void TextFileLines::decideFor(const QByteArray& line)
{
    const QByteArray after = m_lines.ahead(kSniffBytes);
    const QByteArrayView rest = m_lines.atEnd() ? QByteArrayView(after) : completeLines(after);
    m_encoding =
        line.isValidUtf8() && rest.isValidUtf8() ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

QString TextFileLines::decode(const QByteArray& line)
{
    switch (encoding()) {
    case TextEncoding::Utf8:
        if (line.isValidUtf8())
            return QString::fromUtf8(line);
        m_encoding = TextEncoding::Windows1252;
        return m_windows1252.decode(line);
    case TextEncoding::Windows1252:
        return m_windows1252.decode(line);
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        return m_utf16.decode(line);
    }
    return {};
}

std::optional<qint64> countTextLines(QIODevice& device, std::stop_token stop)
{
    RawTextLines lines(device);
    for (qint64 count = 0;; ++count) {
        if (count % 4096 == 0 && stop.stop_requested())
            return std::nullopt;
        if (!lines.next())
            return count;
    }
}

BackgroundLineCount::BackgroundLineCount(const QString& path)
    : m_thread([this, path](std::stop_token stop) {
          QFile file(path);
          if (!file.open(QIODevice::ReadOnly))
              return;
          try {
              if (const std::optional<qint64> count = countTextLines(file, stop))
                  m_count.store(*count, std::memory_order_release);
          } catch (const std::exception&) {
              // The job reads the file itself and reports its failures; the count stays unknown.
          }
      })
{}

std::optional<qint64> BackgroundLineCount::result() const
{
    const qint64 count = m_count.load(std::memory_order_acquire);
    return count < 0 ? std::nullopt : std::optional<qint64>(count);
}

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <optional>

class QIODevice;

// Reads a text file line by line. A line ends at LF, CR or CR LF; the ends are not part of the
// line, a last line without an end is still read, and an empty file has no lines. A file that
// is valid UTF-8 is read as UTF-8; any other file byte by byte as Windows-1252, which gives
// every byte a character, so nothing is lost or replaced. A read error throws.
class TextFileLines
{
public:
    // Reads the whole device once to choose the encoding, then starts again from its beginning.
    explicit TextFileLines(QIODevice& device);
    TextFileLines(const TextFileLines&) = delete;
    TextFileLines& operator=(const TextFileLines&) = delete;

    bool isUtf8() const { return m_utf8; }
    std::optional<QString> next();

private:
    std::optional<QByteArray> nextBytes();
    bool readMore(); // false at the end of the device

    QIODevice& m_device;
    bool m_utf8 = false;
    QStringDecoder m_decoder;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    bool m_atEnd = false;
    bool m_skipLf = false; // the last line ended with CR: an LF right after it belongs to it
};

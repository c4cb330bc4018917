#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <atomic>
#include <functional>
#include <optional>
#include <stop_token>
#include <thread>
#include <utility>

class QIODevice;

enum class TextEncoding
{
    Utf8,
    Windows1252,
    Utf16LE,
    Utf16BE
};

// Splits a device into the bytes of its lines, reading it in chunks: memory holds one chunk and
// the longest line, never the whole file. A byte-order mark of UTF-16 (either order) or UTF-8
// at the start is skipped; in UTF-16 a line end is a 16-bit unit. A line ends at LF, CR or
// CR LF; the ends are not part of the line, a last line without an end is still read, and an
// empty file has no lines. A read error throws.
class RawTextLines
{
public:
    explicit RawTextLines(QIODevice& device);
    RawTextLines(const RawTextLines&) = delete;
    RawTextLines& operator=(const RawTextLines&) = delete;

    // The encoding its byte-order mark names; none without one.
    std::optional<TextEncoding> markedEncoding() const { return m_marked; }
    std::optional<QByteArray> next();
    // Reads ahead until at least `bytes` bytes past the last returned line are buffered or the
    // device ends, and returns them all.
    QByteArray ahead(qsizetype bytes);
    bool atEnd() const { return m_atEnd; }
    // Calls reading() after each read while the line being read is past `bytes` without its
    // end: a reader on a thread of its own tells whoever waits that this line takes a while,
    // and may end the reading there by throwing.
    void setLongLineWatch(qsizetype bytes, std::function<void()> reading);

private:
    bool readMore();         // false at the end of the device
    qsizetype findLineEnd(); // from m_scan on; -1 when the buffer holds no line end
    bool isUnit(qsizetype at, char c) const;

    QIODevice& m_device;
    std::optional<TextEncoding> m_marked;
    int m_unit = 1; // bytes per code unit: 2 in UTF-16
    QByteArray m_buffer;
    qsizetype m_pos = 0;  // where the next line starts
    qsizetype m_scan = 0; // where the search for its end goes on
    bool m_atEnd = false;
    bool m_skipLf = false; // the last line ended with CR: an LF right after it belongs to it
    qsizetype m_longLineBytes = 0;
    std::function<void()> m_longLineReading;
};

// Reads a text file line by line with the rules of RawTextLines and decodes each line. A file
// with a byte-order mark is read in the encoding it names. Otherwise the first line that is not
// plain ASCII decides, together with what follows it in the next 64 KiB: valid UTF-8 reads the
// file as UTF-8, anything else byte by byte as Windows-1252, which gives every byte a character
// so nothing is lost or replaced. A later line that is not valid UTF-8 after all turns the rest
// of the file to Windows-1252. Lines of plain ASCII read the same either way, so they print
// before anything is decided.
class TextFileLines
{
public:
    explicit TextFileLines(QIODevice& device);
    TextFileLines(const TextFileLines&) = delete;
    TextFileLines& operator=(const TextFileLines&) = delete;

    // The encoding in use; a file of plain ASCII so far counts as UTF-8.
    TextEncoding encoding() const { return m_encoding.value_or(TextEncoding::Utf8); }
    std::optional<QString> next();
    // See RawTextLines; `bytes` counts the line's bytes as read, before decoding.
    void setLongLineWatch(qsizetype bytes, std::function<void()> reading)
    {
        m_lines.setLongLineWatch(bytes, std::move(reading));
    }

private:
    void decideFor(const QByteArray& line);
    QString decode(const QByteArray& line);

    RawTextLines m_lines;
    std::optional<TextEncoding> m_encoding; // none while every line was plain ASCII
    QStringDecoder m_windows1252;
    QStringDecoder m_utf16; // each line on its own: a line end never splits a surrogate pair
};

// Counts the lines RawTextLines gives for the device, reading it to its end; no value when a
// stop is requested first.
std::optional<qint64> countTextLines(QIODevice& device, std::stop_token stop);

// Counts a file's lines on a thread of its own, so that a job can tell its length early while
// it prints. Destroying it stops the count and waits for the thread.
class BackgroundLineCount
{
public:
    explicit BackgroundLineCount(const QString& path);
    BackgroundLineCount(const BackgroundLineCount&) = delete;
    BackgroundLineCount& operator=(const BackgroundLineCount&) = delete;

    // The number of lines once counted; none before, or when the file could not be read.
    std::optional<qint64> result() const;

private:
    std::atomic<qint64> m_count{-1};
    std::jthread m_thread; // last: it starts once m_count exists and is joined before it goes
};

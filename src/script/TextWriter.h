#pragma once

#include <QByteArrayView>
#include <QLatin1String>
#include <QString>
#include <QStringView>
#include <algorithm>
#include <cstdint>

namespace script {

// Writes pieces of text straight into a string's room, after what it holds: a transcript line is
// a dozen small pieces, and appending each one by one costs more than the writing. The string is
// only made larger when a piece does not fit in its room; it takes its final size when the
// writer goes.
// Decodes UTF-8 at `out`, which has room for as many characters as `text` has bytes (a
// byte-order mark kept as a character); returns where the characters end. Plain ASCII goes in
// wide steps.
QChar* decodeUtf8(QChar* out, QByteArrayView text);
// Encodes text as UTF-8 at `out`, which has room for three bytes a character; returns where the
// bytes end.
char* encodeUtf8(char* out, QStringView text);

class TextWriter
{
public:
    enum class Start
    {
        AfterText, // after what the string holds; the string takes its final size at the end
        OverText,  // over the string from its start, keeping its size as room for the next use
    };
    explicit TextWriter(QString& out, Start start = Start::AfterText);
    // Over the string from `from` on, keeping what stands before it (OverText).
    TextWriter(QString& out, qsizetype from);
    ~TextWriter();
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;

    void put(QStringView text)
    {
        room(text.size());
        m_end = std::copy_n(text.data(), text.size(), m_end);
    }
    void put(QLatin1String text);
    void put(char16_t c)
    {
        room(1);
        *m_end++ = QChar(c);
    }
    void putNumber(int32_t value);
    // UTF-8 text.
    void putUtf8(QByteArrayView text);
    // The text as the quoted string a script would hold; see appendQuotedString.
    void putQuoted(QStringView text, qsizetype maxLength);

    // What the string holds so far, up to where the writer is.
    QStringView written() const { return {m_out.constData(), m_end - m_out.constData()}; }

private:
    TextWriter(QString& out, Start start, qsizetype used);
    void room(qsizetype size)
    {
        if (m_limit - m_end < size)
            grow(size);
    }
    void grow(qsizetype size);

    QString& m_out;
    const Start m_start;
    QChar* m_end;
    QChar* m_limit;
};

} // namespace script

#include "script/TextWriter.h"

#include "script/ScriptLexer.h"

#include <algorithm>
#include <charconv>

namespace script {

TextWriter::TextWriter(QString& out) : m_out(out)
{
    const qsizetype used = out.size();
    // The room the string already has costs nothing to write into.
    out.resize(std::max(out.capacity(), used + 16));
    m_end = out.data() + used;
    m_limit = out.data() + out.size();
}

TextWriter::~TextWriter()
{
    m_out.resize(m_end - m_out.constData());
}

void TextWriter::grow(qsizetype size)
{
    const qsizetype used = m_end - m_out.constData();
    m_out.resize(std::max(used + size, 2 * m_out.size()));
    m_end = m_out.data() + used;
    m_limit = m_out.data() + m_out.size();
}

void TextWriter::put(QLatin1String text)
{
    room(text.size());
    for (const char c : text)
        *m_end++ = QLatin1Char(c);
}

void TextWriter::putNumber(int32_t value)
{
    char digits[12];
    const auto written = std::to_chars(std::begin(digits), std::end(digits), value);
    put(QLatin1String(digits, written.ptr));
}

void TextWriter::putQuoted(QStringView text, qsizetype maxLength)
{
    room(quotedRoom(std::min(text.size(), maxLength)));
    m_end = writeQuotedString(m_end, text, maxLength);
}

} // namespace script

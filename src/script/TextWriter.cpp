#include "script/TextWriter.h"

#include "script/ScriptLexer.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <charconv>

namespace script {

namespace {

// Widens the plain ASCII at the start of [in, end) to `out`, sixteen bytes at a time where it
// can; leaves `in` at the first byte that is not ASCII, and returns where the characters end.
char16_t* widenAscii(char16_t* out, const char*& in, const char* end)
{
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; end - in >= 16; in += 16, out += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        if (_mm_movemask_epi8(bytes) != 0)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(bytes, zero));
    }
    // Eight to fifteen bytes as two steps of eight that overlap, as names and short texts are.
    if (const qsizetype left = end - in; left >= 8 && left < 16) {
        const __m128i head = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in));
        const __m128i tail = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(end - 8));
        if (_mm_movemask_epi8(_mm_or_si128(head, tail)) == 0) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(head, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + left - 8),
                             _mm_unpacklo_epi8(tail, zero));
            in = end;
            return out + left;
        }
    }
#endif
    for (; in != end && static_cast<unsigned char>(*in) < 0x80; ++in)
        *out++ = char16_t(*in);
    return out;
}

// Narrows the plain ASCII at the start of [in, end) to `out`, sixteen characters at a time where
// it can; leaves `in` at the first character that is not ASCII, and returns where the bytes end.
char* narrowAscii(char* out, const char16_t*& in, const char16_t* end)
{
#if defined(__SSE2__)
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
    for (; end - in >= 16; in += 16, out += 16) {
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 8));
        if (_mm_movemask_epi8(_mm_and_si128(_mm_or_si128(first, second), high)) != 0)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(first, second));
    }
    if (const qsizetype left = end - in; left >= 8 && left < 16) {
        const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        const __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(end - 8));
        if (_mm_movemask_epi8(_mm_and_si128(_mm_or_si128(head, tail), high)) == 0) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(head, head));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + left - 8),
                             _mm_packus_epi16(tail, tail));
            in = end;
            return out + left;
        }
    }
#endif
    for (; in != end && *in < 0x80; ++in)
        *out++ = char(*in);
    return out;
}

} // namespace

char* encodeUtf8(char* out, QStringView text)
{
    const char16_t* in = text.utf16();
    const char16_t* const end = in + text.size();
    char* const narrow = narrowAscii(out, in, end);
    if (in == end)
        return narrow;
    return QStringEncoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless)
        .appendToBuffer(narrow, QStringView(in, end));
}

QChar* decodeUtf8(QChar* out, QByteArrayView text)
{
    const char* in = text.data();
    const char* const end = in + text.size();
    auto* const wide =
        reinterpret_cast<QChar*>(widenAscii(reinterpret_cast<char16_t*>(out), in, end));
    if (in == end)
        return wide;
    // The rest starts a sequence: everything before it was ASCII.
    return QStringDecoder(QStringDecoder::Utf8,
                          QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom)
        .appendToBuffer(wide, QByteArrayView(in, end));
}

TextWriter::TextWriter(QString& out, Start start)
    : TextWriter(out, start, start == Start::AfterText ? out.size() : 0)
{}

TextWriter::TextWriter(QString& out, qsizetype from) : TextWriter(out, Start::OverText, from) {}

TextWriter::TextWriter(QString& out, Start start, qsizetype used) : m_out(out), m_start(start)
{
    // The room the string already has costs nothing to write into.
    if (start == Start::AfterText || out.size() < used + 16)
        out.resize(std::max(out.capacity(), used + 16));
    m_end = out.data() + used;
    m_limit = out.data() + out.size();
}

TextWriter::~TextWriter()
{
    if (m_start == Start::AfterText)
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
    const char* in = text.data();
    const char* const end = in + text.size();
    auto* wide = widenAscii(reinterpret_cast<char16_t*>(m_end), in, end);
    while (in != end)
        *wide++ = static_cast<unsigned char>(*in++);
    m_end = reinterpret_cast<QChar*>(wide);
}

void TextWriter::putUtf8(QByteArrayView text)
{
    room(text.size());
    m_end = decodeUtf8(m_end, text);
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

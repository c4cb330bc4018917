#include "script/ScriptLexer.h"

#include "script/TextWriter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <stdexcept>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace script {

namespace {

[[noreturn]] void fail(const QString& message)
{
    throw std::invalid_argument(message.toStdString());
}

constexpr char16_t kHexDigits[] = u"0123456789abcdef";

int hexValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

bool isName(QStringView word)
{
    return std::all_of(word.begin(), word.end(),
                       [](QChar c) { return c.isLetterOrNumber() || c == u'_'; });
}

// Plain ASCII, nearly all that a script holds, is compared without the Unicode tables.
template <typename Other> bool sameWordIgnoringCaseIn(QStringView word, Other other)
{
    if (word.size() != other.size())
        return false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const char16_t a = word[i].unicode();
        const char16_t b = QChar(other[i]).unicode();
        if (a == b)
            continue;
        if (a >= 0x80 || b >= 0x80)
            return word.compare(other, Qt::CaseInsensitive) == 0;
        const char16_t lower = a | 0x20;
        if (lower != (b | 0x20) || lower < u'a' || lower > u'z')
            return false;
    }
    return true;
}

// Whether quotedString() writes the character back as the escape \xHH.
bool shownInHex(char16_t code)
{
    return (code < 0x20 || code == 0x7F) && code != 0x1B && code != u'\n' && code != u'\r' &&
           code != u'\t' && code != 0;
}

// Plain ASCII characters by where they need no closer look: a string takes them as they stand
// (no quote, backslash or control character), a word goes on over them (no blank, quote, "=" or
// "!"; the word then goes on or ends as tokenizeLine decides).
enum Plain : uint8_t
{
    kPlainInString = 1,
    kPlainInWord = 2,
};
constexpr std::array<uint8_t, 128> kPlain = [] {
    std::array<uint8_t, 128> table{};
    for (char16_t c = 0; c < 128; ++c) {
        if (c >= 0x20 && c != u'"' && c != u'\\' && c != 0x7F)
            table[c] |= kPlainInString;
        if (c > u'"' && c != u'=')
            table[c] |= kPlainInWord;
    }
    return table;
}();

// How many characters from `pos` on are plain in the given sense; beyond ASCII, a string's are
// and a word's are not.
template <Plain kind> qsizetype plainRun(QStringView line, qsizetype pos)
{
    const char16_t* const from = line.utf16() + pos;
    const char16_t* const end = line.utf16() + line.size();
    const char16_t* at = from;
#if defined(__SSE2__)
    // Eight characters at a time, as the table below says, while a whole step is plain.
    for (; end - at >= 8; at += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const auto is = [v](char16_t c) { return _mm_cmpeq_epi16(v, _mm_set1_epi16(short(c))); };
        __m128i plain;
        if constexpr (kind == kPlainInWord) {
            // Above '"' and below 0x80 (wider characters compare as negative), but not '='.
            plain =
                _mm_andnot_si128(is(u'='), _mm_and_si128(_mm_cmpgt_epi16(v, _mm_set1_epi16(0x22)),
                                                         _mm_cmplt_epi16(v, _mm_set1_epi16(0x80))));
        } else {
            // From ' ' on but not '"', '\\' or DEL; and everything from 0x8000 on.
            const __m128i special = _mm_or_si128(_mm_or_si128(is(u'"'), is(u'\\')), is(0x7F));
            plain =
                _mm_or_si128(_mm_andnot_si128(special, _mm_cmpgt_epi16(v, _mm_set1_epi16(0x1F))),
                             _mm_cmplt_epi16(v, _mm_setzero_si128()));
        }
        const auto lanes = static_cast<unsigned>(_mm_movemask_epi8(plain));
        if (lanes != 0xFFFF)
            return at - from + std::countr_zero(~lanes) / 2;
    }
#endif
    while (at != end && (*at < 0x80 ? (kPlain[*at] & kind) != 0 : kind == kPlainInString))
        ++at;
    return at - from;
}

// Reads a quoted string starting at line[pos] == '"' into `out`, which has room for the rest of
// the line (an escape only ever shortens); leaves pos after the closing quote and returns where
// the text ends. `writtenAsShown` turns false unless quotedString() would write the text back as
// it stands.
char16_t* readString(QStringView line, qsizetype& pos, char16_t* out, bool& writtenAsShown)
{
    ++pos;
    while (pos < line.size()) {
        const QChar c = line[pos++];
        if (c == u'"')
            return out;
        if (c != u'\\') {
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                writtenAsShown = false; // shown escaped
            *out++ = c.unicode();
            // The plain characters up to the next quote, escape or control character in one go.
            const qsizetype plain = plainRun<kPlainInString>(line, pos);
            out = std::copy_n(line.utf16() + pos, plain, out);
            pos += plain;
            continue;
        }
        if (pos >= line.size())
            break;
        const QChar escaped = line[pos++];
        switch (escaped.unicode()) {
        case u'e':
            *out++ = 0x1B;
            break;
        case u'n':
            *out++ = u'\n';
            break;
        case u'r':
            *out++ = u'\r';
            break;
        case u't':
            *out++ = u'\t';
            break;
        case u'0':
            *out++ = 0;
            break;
        case u'\\':
        case u'"':
            *out++ = escaped.unicode();
            break;
        case u'x': {
            const int high = pos < line.size() ? hexValue(line[pos]) : -1;
            const int low = pos + 1 < line.size() ? hexValue(line[pos + 1]) : -1;
            if (high < 0 || low < 0)
                fail(QStringLiteral("\\x needs two hexadecimal digits"));
            const auto code = char16_t(high * 16 + low);
            if (!shownInHex(code) || line[pos] != QChar(kHexDigits[high]) ||
                line[pos + 1] != QChar(kHexDigits[low]))
                writtenAsShown = false;
            *out++ = code;
            pos += 2;
            break;
        }
        default:
            fail(QStringLiteral("unknown escape \\%1 in a string (known: \\e \\n \\r \\t \\0 "
                                "\\xHH \\\\ \\\")")
                     .arg(escaped));
        }
    }
    fail(QStringLiteral("the string has no closing quote"));
}

} // namespace

bool sameWordIgnoringCase(QStringView word, QStringView other)
{
    return sameWordIgnoringCaseIn(word, other);
}

bool sameWordIgnoringCase(QStringView word, QLatin1String other)
{
    return sameWordIgnoringCaseIn(word, other);
}

[[gnu::flatten]] void tokenizeLine(QStringView line, std::vector<Token>& tokens,
                                   std::u16string& strings, qsizetype* statementEnd)
{
    tokens.clear();
    // Room for every string of the line, so that the texts already read never move.
    strings.resize(size_t(line.size()));
    char16_t* const room = strings.data();
    char16_t* end = room;
    qsizetype pos = 0;
    while (pos < line.size()) {
        const QChar c = line[pos];
        if (c.isSpace()) {
            ++pos;
        } else if (c == u'#') {
            break;
        } else if (c == u'"') {
            const qsizetype start = pos;
            bool writtenAsShown = true;
            char16_t* const text = end;
            end = readString(line, pos, text, writtenAsShown);
            tokens.emplace_back(Token::Kind::String, line.sliced(start, pos - start),
                                QStringView(text, end - text), writtenAsShown);
        } else if (c == u'=') {
            tokens.emplace_back(Token::Kind::Word, line.sliced(pos, 1));
            ++pos;
        } else if (c == u'!' && pos + 1 < line.size() && line[pos + 1] == u'=') {
            tokens.emplace_back(Token::Kind::Word, line.sliced(pos, 2));
            pos += 2;
        } else {
            const qsizetype start = pos;
            pos += plainRun<kPlainInWord>(line, pos);
            while (pos < line.size() && !line[pos].isSpace() && line[pos] != u'"') {
                // "AsyncMode=true" is three tokens; "serial://x?baud=9600" is one.
                const bool comparison =
                    line[pos] == u'=' ||
                    (line[pos] == u'!' && pos + 1 < line.size() && line[pos + 1] == u'=');
                if (comparison && isName(line.mid(start, pos - start)))
                    break;
                ++pos;
                pos += plainRun<kPlainInWord>(line, pos);
            }
            tokens.emplace_back(Token::Kind::Word, line.sliced(start, pos - start));
        }
    }
    if (statementEnd)
        *statementEnd = pos;
}

char16_t* readLoneString(QStringView line, char16_t* out, LoneString& found)
{
    qsizetype pos = 0;
    while (pos < line.size() && line[pos].isSpace())
        ++pos;
    if (pos == line.size() || line[pos] != u'"')
        return nullptr;
    found.writtenStart = pos;
    found.writtenAsShown = true;
    char16_t* end = nullptr;
    try {
        end = readString(line, pos, out, found.writtenAsShown);
    } catch (const std::invalid_argument&) {
        return nullptr; // read whole, the line reports its fault
    }
    found.writtenLength = pos - found.writtenStart;
    found.statementEnd = pos;
    while (pos < line.size() && line[pos].isSpace())
        ++pos;
    return pos == line.size() || line[pos] == u'#' ? end : nullptr;
}

QString quotedString(QStringView text, qsizetype maxLength)
{
    QString quoted;
    appendQuotedString(quoted, text, maxLength);
    quoted.squeeze();
    return quoted;
}

void appendQuotedString(QString& out, QStringView text, qsizetype maxLength)
{
    TextWriter(out).putQuoted(text, maxLength);
}

QChar* writeQuotedString(QChar* end, QStringView text, qsizetype maxLength)
{
    const QStringView shown = text.left(maxLength);
    const auto put = [&end](char16_t a, char16_t b) {
        *end++ = QChar(a);
        *end++ = QChar(b);
    };
    *end++ = QLatin1Char('"');
    for (qsizetype at = 0; at < shown.size(); ++at) {
        // What a string holds as it stands goes in one go, up to what it writes as an escape.
        const qsizetype plain = plainRun<kPlainInString>(shown, at);
        end = std::copy_n(shown.data() + at, plain, end);
        at += plain;
        if (at == shown.size())
            break;
        const char16_t code = shown[at].unicode();
        switch (code) {
        case 0x1B:
            put(u'\\', u'e');
            break;
        case u'\n':
            put(u'\\', u'n');
            break;
        case u'\r':
            put(u'\\', u'r');
            break;
        case u'\t':
            put(u'\\', u't');
            break;
        case 0:
            put(u'\\', u'0');
            break;
        case u'\\':
        case u'"':
            put(u'\\', code);
            break;
        default: // the other control characters, below 0x80
            put(u'\\', u'x');
            put(kHexDigits[code >> 4], kHexDigits[code & 0xF]);
        }
    }
    *end++ = QLatin1Char('"');
    if (text.size() > maxLength)
        *end++ = QChar(u'…');
    return end;
}

} // namespace script

#pragma once

#include <QLatin1String>
#include <QString>
#include <QStringView>
#include <algorithm>
#include <string>
#include <vector>

namespace script {

// Whether two words are the same but for case; words of another length always differ.
bool sameWordIgnoringCase(QStringView word, QStringView other);
bool sameWordIgnoringCase(QStringView word, QLatin1String other);

struct Token
{
    enum class Kind
    {
        Word,   // anything unquoted: names, numbers, "=" and "!="
        String, // a quoted text, escapes already resolved
    };
    Kind kind = Kind::Word;
    QStringView word;   // a word, or a string as written with its quotes, within its line
    QStringView string; // a string's text
    // A string written just as quotedString() writes its text back: the transcript can show
    // what was written instead of writing the text again.
    bool writtenAsShown = false;

    QStringView text() const { return kind == Kind::String ? string : word; }
    // The text to keep beyond the line.
    QString toString() const { return text().toString(); }

    bool isWord(QStringView other) const
    {
        // Nearly always written as it is compared with: that is tried first, inline.
        return kind == Kind::Word && word.size() == other.size() &&
               (std::equal(other.utf16(), other.utf16() + other.size(), word.utf16()) ||
                sameWordIgnoringCase(word, other));
    }
    // A word written in the code: its length is the array's, not counted at run time.
    template <size_t N> bool isWord(const char16_t (&other)[N]) const
    {
        return isWord(QStringView(other, qsizetype(N - 1)));
    }
    bool isWord(QLatin1String other) const
    {
        return kind == Kind::Word && word.size() == other.size() &&
               sameWordIgnoringCase(word, other);
    }
};

// Splits one line into `tokens` (emptied first). Words are separated by blanks; "=" and "!="
// stand alone; a "#" outside a string starts a comment. In a quoted string \e is ESC, \n LF, \r
// CR, \t TAB, \0 NUL, \xHH any byte value, \\ and \" themselves. A fault throws
// std::invalid_argument with its text. Words are views of `line`, and strings' texts views of
// `strings` (emptied first), which must outlive them. `statementEnd`, when given, receives where
// the statement ends (its comment starts).
void tokenizeLine(QStringView line, std::vector<Token>& tokens, std::u16string& strings,
                  qsizetype* statementEnd = nullptr);

// A line that is one quoted string, after blanks and before blanks or a comment, as
// tokenizeLine() reads it: where the string is written (quotes included), whether it is written
// as shown (see Token), and where the statement ends, just after the closing quote.
struct LoneString
{
    qsizetype writtenStart = 0;
    qsizetype writtenLength = 0;
    qsizetype statementEnd = 0;
    bool writtenAsShown = false;
};
// Reads such a line's text at `out`, which has room for the line, and returns where the text
// ends; null for any other line, a faulty one included, which tokenizeLine() then reads and
// reports as usual.
char16_t* readLoneString(QStringView line, char16_t* out, LoneString& found);

// Writes text as the quoted string a script would hold ("\e|bCBold\n"), the lexer's inverse;
// a text longer than maxLength characters is cut there and ends in "…".
QString quotedString(QStringView text, qsizetype maxLength);
// The same, appended to `out`.
void appendQuotedString(QString& out, QStringView text, qsizetype maxLength);
// The same, written at `out`, which has room for quotedRoom(min(text's size, maxLength))
// characters; returns where the quoted text ends.
QChar* writeQuotedString(QChar* out, QStringView text, qsizetype maxLength);
// Every character as \xHH, the quotes and the "…" of a text cut short.
constexpr qsizetype quotedRoom(qsizetype shownLength)
{
    return 4 * shownLength + 3;
}

} // namespace script

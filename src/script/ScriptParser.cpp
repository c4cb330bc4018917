#include "script/ScriptParser.h"

#include "script/ScriptError.h"
#include "script/ScriptLexer.h"
#include "script/ScriptLineParser.h"
#include "script/TextWriter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

namespace script {

QString deviceWord(DeviceClass device)
{
    switch (device) {
    case DeviceClass::Printer:
        return QStringLiteral("printer");
    case DeviceClass::Drawer:
        return QStringLiteral("drawer");
    case DeviceClass::Display:
        return QStringLiteral("display");
    }
    return {};
}

int32_t CallArguments::number(int position, int32_t otherwise) const
{
    return position >= 0 && position < m_count ? m_numbers[size_t(position)] : otherwise;
}

TextSpan CallArguments::textSpan(int position) const
{
    return position >= 0 && position == m_textAt ? m_text : TextSpan{};
}

void CallArguments::append(ArgKind kind)
{
    if (m_count == kMost)
        throw std::invalid_argument("a call takes at most seven arguments");
    m_kinds[size_t(m_count++)] = kind;
}

void CallArguments::appendNumber(ArgKind kind, int32_t value)
{
    append(kind);
    m_numbers[size_t(m_count - 1)] = value;
}

void CallArguments::appendText(TextSpan text)
{
    if (m_textAt >= 0)
        throw std::invalid_argument("a call takes one text at most");
    append(ArgKind::Text);
    m_textAt = int8_t(m_count - 1);
    m_text = text;
}

void CallArguments::setWrittenText(qsizetype start, qsizetype length)
{
    // A statement longer than this is shown from its text instead.
    if (start + length > std::numeric_limits<int32_t>::max())
        return;
    m_writtenStart = int32_t(start);
    m_writtenLength = int32_t(length);
}

QByteArrayView CallArguments::writtenText(QByteArrayView statement) const
{
    if (m_writtenLength == 0 || m_writtenStart + m_writtenLength > statement.size())
        return {};
    return statement.sliced(m_writtenStart, m_writtenLength);
}

QStringView Script::argumentText(const Step& step, int position) const
{
    const TextSpan span = step.arguments.textSpan(position);
    if (span.length < 0)
        return {};
    return QStringView(texts.data() + span.start, span.length);
}

QVariantList Script::argumentList(const Step& step) const
{
    QVariantList list;
    for (int i = 0; i < step.arguments.size(); ++i)
        list.append(i == step.arguments.textPosition() ? QVariant(argumentText(step, i).toString())
                                                       : QVariant(step.arguments.number(i, 0)));
    return list;
}

bool holdsExpectation(const Script& script)
{
    return std::any_of(script.steps.cbegin(), script.steps.cend(), [](const Step& step) {
        switch (step.kind) {
        case Step::Kind::ExpectResult:
        case Step::Kind::ExpectFailure:
        case Step::Kind::ExpectProperty:
        case Step::Kind::ExpectEvent:
        case Step::Kind::ExpectSim:
            return true;
        default:
            return false;
        }
    });
}

namespace {

// Statements are kept as positions in the script's bytes.
static_assert(kMaxScriptBytes <= std::numeric_limits<int32_t>::max());

// Where the line starting at `start` ends: at its '\n', or at the end of the text.
qsizetype lineEnd(QByteArrayView text, qsizetype start)
{
    if (start >= text.size())
        return text.size();
    const void* const end = std::memchr(text.data() + start, '\n', size_t(text.size() - start));
    return end ? static_cast<const char*>(end) - text.data() : text.size();
}

// Lines as the parser counts them, so that the steps are made in place and never moved.
size_t lineCount(QByteArrayView text)
{
    size_t lines = 1;
    for (qsizetype at = lineEnd(text, 0); at < text.size(); at = lineEnd(text, at + 1))
        ++lines;
    return lines;
}

// The first line that is not text: where it starts, its number and why.
struct LineNotText
{
    qsizetype start = 0;
    int number = 0;
    QString why;
};

std::optional<LineNotText> firstLineNotText(QByteArrayView text)
{
    // '\n' is never part of a longer UTF-8 sequence, so the whole is text when every line is.
    if (!text.contains('\0') && text.isValidUtf8())
        return std::nullopt;
    int number = 0;
    for (qsizetype start = 0; start < text.size();) {
        ++number;
        const qsizetype end = lineEnd(text, start);
        const QByteArrayView line = text.sliced(start, end - start);
        if (line.contains('\0'))
            return LineNotText{start, number,
                               QStringLiteral("the script is not text: the line holds a NUL byte "
                                              "(write \\0 inside a string)")};
        if (!line.isValidUtf8())
            return LineNotText{start, number,
                               QStringLiteral("the script is not text: the line is not UTF-8")};
        start = end + 1;
    }
    return std::nullopt;
}

// A line's characters, decoded into `room`, which serves every line.
QStringView decodedLine(QByteArrayView bytes, QString& room)
{
    if (room.size() < bytes.size())
        room.resize(bytes.size());
    QChar* const first = room.data();
    return QStringView(first, decodeUtf8(first, bytes));
}

// How many bytes the characters take in UTF-8.
qsizetype utf8Size(QStringView text)
{
    qsizetype size = 0;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        // Each half of a surrogate pair takes two of the pair's four bytes.
        size += code < 0x80 ? 1 : code < 0x800 || QChar::isSurrogate(code) ? 2 : 3;
    }
    return size;
}

// The parser says where a text was written in characters of the statement; the step keeps it in
// bytes.
void writtenTextInBytes(CallArguments& arguments, QStringView statement)
{
    if (arguments.writtenLength() == 0)
        return;
    const QStringView before = statement.first(arguments.writtenStart());
    arguments.setWrittenText(utf8Size(before),
                             utf8Size(statement.sliced(before.size(), arguments.writtenLength())));
}

// The last two lines that made a step, by their bytes: a line written again as one of them reads
// the same, since a statement's meaning depends on its own words alone. Its step is then that
// one's, copied with its line and place, and it shares that one's text. Two, so that a print and
// its expectation repeated in turns are both found.
class RecentLines
{
public:
    struct Line
    {
        QByteArrayView bytes;
        size_t step = 0;
        qsizetype statementOffset = 0; // where the statement starts in the line, in bytes
    };

    const Line* find(QByteArrayView bytes)
    {
        if (bytes.isEmpty())
            return nullptr;
        for (size_t i = 0; i < m_lines.size(); ++i) {
            const Line& line = m_lines[i];
            if (line.bytes.size() == bytes.size() &&
                std::memcmp(line.bytes.data(), bytes.data(), size_t(bytes.size())) == 0) {
                m_older = 1 - i; // the other one is replaced first
                return &line;
            }
        }
        return nullptr;
    }
    void add(const Line& line)
    {
        m_lines[m_older] = line;
        m_older = 1 - m_older;
    }
    const std::array<Line, 2>& lines() const { return m_lines; }

private:
    std::array<Line, 2> m_lines{};
    size_t m_older = 0;
};

// A copy of `model`'s step for a line at its own number and place.
Step& copyAt(Script& script, const RecentLines::Line& model, int lineNumber, qsizetype lineStart)
{
    Step& step = script.steps.emplace_back(script.steps[model.step]);
    step.line = lineNumber;
    step.textStart = int32_t(lineStart + model.statementOffset);
    return step;
}

// The buffers every line is read with.
struct LineRoom
{
    std::vector<Token> tokens;
    std::u16string strings;
    QString decoded;
};

// A line written as `model` as far as that line's text, its call's last argument, and ending in
// a quoted text of its own makes that call with this text: all before the text says the same.
// Only a plain ASCII end that holds one quoted text, after a model whose text shows as written
// (so its place in the line is known), is taken this way; it is read as the lexer reads a line.
// Anything else, a fault in the end included, is left for the whole line to be read.
bool readAsModelButItsText(const RecentLines::Line& model, QByteArrayView bytes,
                           qsizetype lineStart, int lineNumber, LineRoom& room, Script& script)
{
    if (model.bytes.isEmpty())
        return false;
    const qsizetype writtenStart = script.steps[model.step].writtenLastTextStart();
    if (writtenStart < 0)
        return false;
    const qsizetype textAt = model.statementOffset + writtenStart;
    if (bytes.size() <= textAt || model.bytes.size() < textAt ||
        std::memcmp(bytes.data(), model.bytes.data(), size_t(textAt)) != 0)
        return false;
    const QByteArrayView end = bytes.sliced(textAt);
    const QStringView endText = decodedLine(end, room.decoded);
    if (endText.size() != end.size())
        return false;
    if (room.strings.size() < size_t(end.size()))
        room.strings.resize(size_t(end.size()));
    LoneString found;
    const char16_t* const textEnd = readLoneString(endText, room.strings.data(), found);
    if (!textEnd)
        return false;
    Step& step = copyAt(script, model, lineNumber, lineStart);
    step.textLength = int32_t(textAt + found.statementEnd - model.statementOffset);
    step.arguments.replaceText(keepText(script.texts, QStringView(room.strings.data(), textEnd)));
    if (found.writtenAsShown)
        step.arguments.setWrittenText(writtenStart + found.writtenStart, found.writtenLength);
    else
        step.arguments.setWrittenText(0, 0);
    return true;
}

// The recent line the line was read from, as readAsModelButItsText() reads it; none when it was
// not.
const RecentLines::Line* modelButItsText(const RecentLines& recent, QByteArrayView bytes,
                                         qsizetype lineStart, int lineNumber, LineRoom& room,
                                         Script& script)
{
    for (const RecentLines::Line& model : recent.lines())
        if (readAsModelButItsText(model, bytes, lineStart, lineNumber, room, script))
            return &model;
    return nullptr;
}

} // namespace

Script parseScript(const QByteArray& text, const QString& fileName, const QString& folder)
{
    if (text.size() > kMaxScriptBytes)
        throw ScriptError(
            fileName, 0,
            QStringLiteral("the script is larger than %1 MB").arg(kMaxScriptBytes / (1024 * 1024)));
    Script script;
    script.fileName = fileName;
    script.folder = folder;
    script.text = text;
    QByteArrayView body(text);
    if (body.startsWith("\xEF\xBB\xBF"))
        body = body.sliced(3);
    const qsizetype bodyStart = text.size() - body.size();
    // The lines before one that is not text are read as usual, so that a fault among them is the
    // one reported.
    const std::optional<LineNotText> notText = firstLineNotText(body);
    const QByteArrayView readable = notText ? body.first(notText->start) : body;
    // A text is never longer than where it was written, so the texts take one piece of room.
    script.texts.reserve(readable.size());
    script.steps.reserve(lineCount(body));
    int lineNumber = 0;
    LineRoom room; // serves every line
    RecentLines recent;
    for (qsizetype start = 0; start < readable.size();) {
        ++lineNumber;
        const qsizetype end = lineEnd(readable, start);
        QByteArrayView bytes = readable.sliced(start, end - start);
        const qsizetype lineStart = bodyStart + start;
        start = end + 1;
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        if (const RecentLines::Line* same = recent.find(bytes)) {
            copyAt(script, *same, lineNumber, lineStart);
            continue;
        }
        if (const RecentLines::Line* model =
                modelButItsText(recent, bytes, lineStart, lineNumber, room, script)) {
            recent.add({bytes, script.steps.size() - 1, model->statementOffset});
            continue;
        }
        const QStringView line = decodedLine(bytes, room.decoded);
        // Plain ASCII, as nearly every line is, has a character a byte: its characters stand
        // where its bytes do.
        const bool plain = line.size() == bytes.size();
        try {
            qsizetype statementEnd = 0;
            tokenizeLine(line, room.tokens, room.strings, &statementEnd);
            if (room.tokens.empty())
                continue;
            // Made in its place; a fault ends the whole script, so a half-made step never runs.
            Step& step = script.steps.emplace_back();
            step.line = lineNumber;
            const QStringView statement = line.first(statementEnd).trimmed();
            const QStringView before = line.first(statement.data() - line.data());
            step.textStart = int32_t(lineStart + (plain ? before.size() : utf8Size(before)));
            step.textLength = int32_t(plain ? statement.size() : utf8Size(statement));
            LineParser(room.tokens, step, script.texts).parse();
            if (!plain)
                writtenTextInBytes(step.arguments, statement);
            recent.add({bytes, script.steps.size() - 1, step.textStart - lineStart});
        } catch (const std::invalid_argument& wrong) {
            throw ScriptError(fileName, lineNumber, QString::fromStdString(wrong.what()));
        }
    }
    if (notText)
        throw ScriptError(fileName, notText->number, notText->why);
    return script;
}

} // namespace script

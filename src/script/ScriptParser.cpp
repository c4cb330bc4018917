#include "script/ScriptParser.h"

#include "script/ScriptError.h"
#include "script/ScriptLexer.h"
#include "script/ScriptLineParser.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <stdexcept>

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

const QString& CallArguments::text(int position) const
{
    static const QString none;
    return position == m_textAt ? m_text : none;
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

void CallArguments::appendText(QString value)
{
    if (m_textAt >= 0)
        throw std::invalid_argument("a call takes one text at most");
    append(ArgKind::Text);
    m_textAt = int8_t(m_count - 1);
    m_text = std::move(value);
}

void CallArguments::setWrittenText(qsizetype start, qsizetype length)
{
    // A statement longer than this is shown from its text instead.
    if (start + length > std::numeric_limits<int32_t>::max())
        return;
    m_writtenStart = int32_t(start);
    m_writtenLength = int32_t(length);
}

QStringView CallArguments::writtenText(QStringView statement) const
{
    if (m_writtenLength == 0 || m_writtenStart + m_writtenLength > statement.size())
        return {};
    return statement.sliced(m_writtenStart, m_writtenLength);
}

QVariantList CallArguments::toList() const
{
    QVariantList list;
    for (int i = 0; i < m_count; ++i)
        list.append(i == m_textAt ? QVariant(m_text) : QVariant(m_numbers[size_t(i)]));
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

// Statements are kept as positions in the decoded script, which has no more characters than bytes.
static_assert(kMaxScriptBytes <= std::numeric_limits<int32_t>::max());

// Lines as the parser counts them, so that the steps are made in place and never moved.
size_t lineCount(QByteArrayView text)
{
    size_t lines = 1;
    for (qsizetype at = text.indexOf('\n'); at >= 0; at = text.indexOf('\n', at + 1))
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
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
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
    QByteArrayView body(text);
    if (body.startsWith("\xEF\xBB\xBF"))
        body = body.sliced(3);
    // The lines before one that is not text are read as usual, so that a fault among them is the
    // one reported.
    const std::optional<LineNotText> notText = firstLineNotText(body);
    // Decoded in one go: the words are views of it, and only what a step keeps gets room of its
    // own.
    script.text = QString::fromUtf8(notText ? body.first(notText->start) : body);
    const QString& decoded = script.text;
    script.steps.reserve(lineCount(body));
    int lineNumber = 0;
    std::vector<Token> tokens; // its room serves every line
    for (qsizetype start = 0; start < decoded.size();) {
        ++lineNumber;
        qsizetype end = decoded.indexOf(u'\n', start);
        if (end < 0)
            end = decoded.size();
        QStringView line = QStringView(decoded).sliced(start, end - start);
        start = end + 1;
        if (line.endsWith(u'\r'))
            line.chop(1);
        try {
            qsizetype statementEnd = 0;
            tokenizeLine(line, tokens, &statementEnd);
            if (tokens.empty())
                continue;
            // Made in its place; a fault ends the whole script, so a half-made step never runs.
            Step& step = script.steps.emplace_back();
            step.line = lineNumber;
            const QStringView statement = line.first(statementEnd).trimmed();
            step.textStart = int32_t(statement.constData() - decoded.constData());
            step.textLength = int32_t(statement.size());
            LineParser(tokens, step).parse();
        } catch (const std::invalid_argument& wrong) {
            throw ScriptError(fileName, lineNumber, QString::fromStdString(wrong.what()));
        }
    }
    if (notText)
        throw ScriptError(fileName, notText->number, notText->why);
    return script;
}

} // namespace script

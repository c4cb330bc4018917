#include "script/ScriptParser.h"

#include "script/ScriptError.h"
#include "script/ScriptLexer.h"
#include "script/ScriptLineParser.h"

#include <algorithm>
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

QString textValue(const QVariant& value)
{
    if (value.typeId() == QMetaType::QString)
        return *static_cast<const QString*>(value.constData());
    return value.toString();
}

int32_t numberValue(const QVariant& value)
{
    if (value.typeId() == QMetaType::Int)
        return *static_cast<const int*>(value.constData());
    return value.toInt();
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

// Lines as the parser counts them, so that the steps are made in place and never moved.
size_t lineCount(QByteArrayView text)
{
    size_t lines = 1;
    for (qsizetype at = text.indexOf('\n'); at >= 0; at = text.indexOf('\n', at + 1))
        ++lines;
    return lines;
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
    qsizetype start = text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    script.steps.reserve(lineCount(text));
    int lineNumber = 0;
    std::vector<Token> tokens; // its room serves every line
    while (start < text.size()) {
        ++lineNumber;
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        QByteArrayView bytes(text.constData() + start, end - start);
        start = end + 1;
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        if (bytes.contains('\0'))
            throw ScriptError(fileName, lineNumber,
                              QStringLiteral("the script is not text: the line holds a NUL byte "
                                             "(write \\0 inside a string)"));
        if (!bytes.isValidUtf8())
            throw ScriptError(fileName, lineNumber,
                              QStringLiteral("the script is not text: the line is not UTF-8"));
        const QString line = QString::fromUtf8(bytes);
        try {
            qsizetype statementEnd = 0;
            tokenizeLine(line, tokens, &statementEnd);
            if (tokens.empty())
                continue;
            // Made in its place; a fault ends the whole script, so a half-made step never runs.
            Step& step = script.steps.emplace_back();
            step.line = lineNumber;
            step.text = line.left(statementEnd).trimmed();
            LineParser(tokens, step).parse();
        } catch (const std::invalid_argument& wrong) {
            throw ScriptError(fileName, lineNumber, QString::fromStdString(wrong.what()));
        }
    }
    return script;
}

} // namespace script

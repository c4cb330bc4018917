#include "script/ScriptParser.h"

#include "script/ScriptError.h"
#include "script/ScriptLexer.h"
#include "script/ScriptNames.h"
#include "script/ScriptProperties.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <array>
#include <cmath>
#include <cstdio>
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

namespace {

constexpr qsizetype kMaxScriptBytes = 64 * 1024 * 1024;
constexpr double kMaxWaitMs = 24.0 * 3600 * 1000;

// How an argument of a member is written.
enum class Arg
{
    Number,  // a number or a constant name
    Station, // receipt, journal, slip, a PTR_S_* name or a number
    Control, // transaction, normal, a PTR_TP_* name or a number
    Text,    // a quoted string or a word
};

struct Member
{
    QLatin1String name;
    unsigned devices; // bit per DeviceClass
    std::vector<Arg> arguments;
    size_t required;
};

constexpr unsigned kPrinter = 1;
constexpr unsigned kDrawer = 2;
constexpr unsigned kDisplay = 4;
constexpr unsigned kAll = kPrinter | kDrawer | kDisplay;

const std::vector<Member>& members()
{
    static const std::vector<Member> table{
        {QLatin1String("Open"), kAll, {Arg::Text}, 0},
        {QLatin1String("ClaimDevice"), kAll, {Arg::Number}, 1},
        {QLatin1String("ReleaseDevice"), kAll, {}, 0},
        {QLatin1String("Close"), kAll, {}, 0},
        {QLatin1String("Claim"), kPrinter, {Arg::Number}, 1},
        {QLatin1String("Release"), kPrinter, {}, 0},
        {QLatin1String("PrintNormal"), kPrinter, {Arg::Station, Arg::Text}, 2},
        {QLatin1String("PrintImmediate"), kPrinter, {Arg::Station, Arg::Text}, 2},
        {QLatin1String("CutPaper"), kPrinter, {Arg::Number}, 0},
        {QLatin1String("TransactionPrint"), kPrinter, {Arg::Station, Arg::Control}, 2},
        {QLatin1String("ClearOutput"), kPrinter, {}, 0},
        {QLatin1String("DirectIO"), kPrinter, {Arg::Number, Arg::Number, Arg::Text}, 1},
        {QLatin1String("CheckHealth"), kPrinter, {Arg::Number}, 1},
        {QLatin1String("OpenDrawer"), kDrawer, {}, 0},
        {QLatin1String("ClearText"), kDisplay, {}, 0},
        {QLatin1String("DisplayText"), kDisplay, {Arg::Text, Arg::Number}, 1},
    };
    return table;
}

unsigned deviceBit(DeviceClass device)
{
    return 1U << static_cast<unsigned>(device);
}

const std::array kEvents{QLatin1String("DirectIOEvent"), QLatin1String("ErrorEvent"),
                         QLatin1String("OutputCompleteEvent"), QLatin1String("StatusUpdateEvent")};

class LineParser
{
public:
    LineParser(std::vector<Token> tokens, Step& step) : m_tokens(std::move(tokens)), m_step(step) {}

    void parse()
    {
        const Token& first = take(QStringLiteral("a statement"));
        if (auto device = deviceClass(first)) {
            m_step.device = *device;
            parseDeviceStatement();
        } else if (first.isWord(u"use")) {
            parseUse();
        } else if (first.isWord(u"expect")) {
            parseExpect();
        } else if (first.isWord(u"on")) {
            parseAnswer();
        } else if (first.isWord(u"wait")) {
            m_step.kind = Step::Kind::Wait;
            m_step.timeoutMs = duration();
        } else if (first.isWord(u"sim")) {
            parseSim();
        } else {
            fail(QStringLiteral("unknown statement \"%1\" (a statement starts with printer, "
                                "drawer, display, use, expect, on, wait or sim)")
                     .arg(first.text));
        }
        if (m_next < m_tokens.size())
            fail(QStringLiteral("unexpected \"%1\" at the end of the statement")
                     .arg(m_tokens[m_next].text));
    }

private:
    [[noreturn]] static void fail(const QString& message)
    {
        throw std::invalid_argument(message.toStdString());
    }

    bool atEnd() const { return m_next >= m_tokens.size(); }
    const Token* peek() const { return atEnd() ? nullptr : &m_tokens[m_next]; }
    bool peekWord(QStringView word) const { return peek() && peek()->isWord(word); }

    const Token& take(const QString& what)
    {
        if (atEnd())
            fail(QStringLiteral("%1 is missing").arg(what));
        return m_tokens[m_next++];
    }

    static std::optional<DeviceClass> deviceClass(const Token& token)
    {
        if (token.isWord(u"printer"))
            return DeviceClass::Printer;
        if (token.isWord(u"drawer"))
            return DeviceClass::Drawer;
        if (token.isWord(u"display"))
            return DeviceClass::Display;
        return std::nullopt;
    }

    DeviceClass takeDevice()
    {
        const Token& token = take(QStringLiteral("the device (printer, drawer or display)"));
        const auto device = deviceClass(token);
        if (!device)
            fail(QStringLiteral("\"%1\" is not printer, drawer or display").arg(token.text));
        return *device;
    }

    int32_t number(const Token& token, const QString& what)
    {
        if (token.kind == Token::Kind::Word) {
            if (const auto value = constantValue(token.text))
                return *value;
        }
        fail(QStringLiteral("%1 must be a number or a constant name, not \"%2\"")
                 .arg(what, token.text.left(40)));
    }

    int32_t keyword(const Token& token,
                    std::initializer_list<std::pair<QStringView, int32_t>> words,
                    const QString& what)
    {
        for (const auto& [word, value] : words)
            if (token.isWord(word))
                return value;
        return number(token, what);
    }

    QVariant argument(Arg kind)
    {
        switch (kind) {
        case Arg::Number:
            return number(take(QStringLiteral("a number")), QStringLiteral("the argument"));
        case Arg::Station:
            return keyword(take(QStringLiteral("the station")),
                           {{u"receipt", 2}, {u"journal", 1}, {u"slip", 4}},
                           QStringLiteral("the station"));
        case Arg::Control:
            return keyword(take(QStringLiteral("the transaction control")),
                           {{u"transaction", 11}, {u"normal", 12}},
                           QStringLiteral("the transaction control"));
        case Arg::Text:
            return take(QStringLiteral("a text")).text;
        }
        return {};
    }

    void parseDeviceStatement()
    {
        const Token& nameToken = take(QStringLiteral("a member or property"));
        if (peekWord(u"=")) {
            ++m_next;
            m_step.kind = Step::Kind::SetProperty;
            const PropertyName property = propertyName(nameToken);
            if (m_step.device != DeviceClass::Printer && property.name != u"DeviceEnabled")
                fail(QStringLiteral("the %1's %2 cannot be written")
                         .arg(deviceWord(m_step.device), property.name));
            m_step.name = property.name;
            m_step.value = propertyValue(property.kind);
            return;
        }
        for (const Member& member : members()) {
            if (!nameToken.isWord(member.name))
                continue;
            if (!(member.devices & deviceBit(m_step.device)))
                fail(QStringLiteral("the %1 has no member %2")
                         .arg(deviceWord(m_step.device), member.name));
            m_step.kind = Step::Kind::Call;
            m_step.name = member.name;
            parseArguments(member);
            return;
        }
        m_step.kind = Step::Kind::GetProperty;
        m_step.name = propertyName(nameToken).name;
    }

    void parseArguments(const Member& member)
    {
        for (size_t i = 0; i < member.arguments.size() && !atEnd(); ++i) {
            if (member.arguments[i] == Arg::Text && peekWord(u"file") &&
                m_next + 1 < m_tokens.size() && m_step.name.startsWith(u"Print")) {
                ++m_next;
                m_step.kind = Step::Kind::PrintFile;
                m_step.value = take(QStringLiteral("the file name")).text;
                continue;
            }
            m_step.arguments.append(argument(member.arguments[i]));
        }
        const size_t given = static_cast<size_t>(m_step.arguments.size()) +
                             (m_step.kind == Step::Kind::PrintFile ? 1 : 0);
        if (given < member.required)
            fail(QStringLiteral("%1 needs %2 argument(s)").arg(member.name).arg(member.required));
    }

    PropertyName propertyName(const Token& token)
    {
        if (token.kind == Token::Kind::Word) {
            if (auto found = findProperty(m_step.device, token.text))
                return *found;
        }
        fail(QStringLiteral("the %1 has no member or property \"%2\"")
                 .arg(deviceWord(m_step.device), token.text.left(40)));
    }

    QVariant propertyValue(opos::PropertyKind kind)
    {
        const Token& token = take(QStringLiteral("the value"));
        switch (kind) {
        case opos::PropertyKind::Flag:
            return flag(token);
        case opos::PropertyKind::Number:
            return number(token, QStringLiteral("the value"));
        case opos::PropertyKind::Text:
            return token.text;
        }
        return {};
    }

    bool flag(const Token& token)
    {
        for (QStringView yes : {u"true", u"yes", u"on", u"1"})
            if (token.isWord(yes))
                return true;
        for (QStringView no : {u"false", u"no", u"off", u"0"})
            if (token.isWord(no))
                return false;
        fail(QStringLiteral("\"%1\" is not true or false").arg(token.text.left(40)));
    }

    void parseUse()
    {
        m_step.kind = Step::Kind::Use;
        m_step.device = takeDevice();
        m_step.value = take(QStringLiteral("the logical name or address")).text;
    }

    // Optional "within T" at the end of an expectation.
    void within()
    {
        if (peekWord(u"within")) {
            ++m_next;
            m_step.timeoutMs = duration();
        }
    }

    int32_t duration()
    {
        QString text = take(QStringLiteral("the time (for example 5 s or 500 ms)")).text;
        QString unit;
        if (!atEnd() && (peekWord(u"s") || peekWord(u"ms"))) {
            unit = m_tokens[m_next++].text.toLower();
        } else if (text.endsWith(u"ms", Qt::CaseInsensitive)) {
            unit = QStringLiteral("ms");
            text.chop(2);
        } else if (text.endsWith(u's', Qt::CaseInsensitive)) {
            unit = QStringLiteral("s");
            text.chop(1);
        } else {
            fail(QStringLiteral("the time needs its unit, s or ms"));
        }
        bool ok = false;
        const double amount = text.toDouble(&ok) * (unit == u"s" ? 1000.0 : 1.0);
        if (!ok || !std::isfinite(amount) || amount < 0 || amount > kMaxWaitMs)
            fail(QStringLiteral("\"%1\" is not a time from 0 to 24 hours").arg(text.left(40)));
        return static_cast<int32_t>(std::lround(amount));
    }

    void parseExpect()
    {
        const Token& first = take(QStringLiteral("what to expect"));
        if (first.isWord(u"failure")) {
            m_step.kind = Step::Kind::ExpectFailure;
            return;
        }
        if (first.isWord(u"sim")) {
            parseExpectSim();
            return;
        }
        const Token* subject = &first;
        if (first.isWord(u"no")) {
            m_step.negated = true;
            subject = &take(QStringLiteral("the event"));
        }
        bool deviceNamed = false;
        if (const auto device = deviceClass(*subject)) {
            m_step.device = *device;
            deviceNamed = true;
            subject = &take(QStringLiteral("the event or property"));
        }
        for (QLatin1String event : kEvents) {
            if (subject->isWord(event)) {
                parseExpectEvent(event);
                return;
            }
        }
        if (m_step.negated)
            fail(QStringLiteral("\"expect no\" takes an event, not \"%1\"")
                     .arg(subject->text.left(40)));
        if (deviceNamed) {
            parseExpectProperty(*subject);
            return;
        }
        m_step.kind = Step::Kind::ExpectResult;
        const auto code =
            subject->kind == Token::Kind::Word ? resultCodeValue(subject->text) : std::nullopt;
        if (!code)
            fail(QStringLiteral("\"%1\" is not a result code, event or device")
                     .arg(subject->text.left(40)));
        m_step.value = *code;
    }

    void parseExpectEvent(QLatin1String event)
    {
        m_step.kind = Step::Kind::ExpectEvent;
        m_step.name = event;
        if (m_step.device != DeviceClass::Printer && event != u"StatusUpdateEvent")
            fail(QStringLiteral("the %1 raises no %2").arg(deviceWord(m_step.device), event));
        if (m_step.device == DeviceClass::Display)
            fail(QStringLiteral("the display raises no events"));
        if (!atEnd() && !peekWord(u"within")) {
            const Token& token = take(QStringLiteral("the event's value"));
            std::optional<int32_t> value;
            if (token.kind == Token::Kind::Word) {
                if (event == u"StatusUpdateEvent")
                    value = statusUpdateValue(token.text);
                else if (event == u"ErrorEvent")
                    value = resultCodeValue(token.text);
                else
                    value = parseNumber(token.text);
            }
            if (!value)
                fail(QStringLiteral("\"%1\" is not a value of %2").arg(token.text.left(40), event));
            m_step.value = *value;
        }
        within();
    }

    void parseExpectProperty(const Token& nameToken)
    {
        m_step.kind = Step::Kind::ExpectProperty;
        const PropertyName property = propertyName(nameToken);
        m_step.name = property.name;
        const Token& comparison = take(QStringLiteral("= or !="));
        if (comparison.isWord(u"!="))
            m_step.negated = true;
        else if (!comparison.isWord(u"="))
            fail(QStringLiteral("expected = or != after %1").arg(property.name));
        m_step.value = propertyValue(property.kind);
        within();
    }

    void parseExpectSim()
    {
        m_step.kind = Step::Kind::ExpectSim;
        const Token& what = take(QStringLiteral("drawer, display or receipt"));
        if (what.isWord(u"drawer")) {
            m_step.name = QStringLiteral("drawer");
            const Token& state = take(QStringLiteral("open or closed"));
            if (!state.isWord(u"open") && !state.isWord(u"closed"))
                fail(QStringLiteral("the drawer is open or closed"));
            m_step.value = state.isWord(u"open");
        } else if (what.isWord(u"display") || what.isWord(u"receipt")) {
            m_step.name = what.text.toLower();
            const Token& text = take(QStringLiteral("the text"));
            if (text.kind != Token::Kind::String)
                fail(QStringLiteral("the text must be quoted"));
            m_step.value = text.text;
        } else {
            fail(QStringLiteral("expect sim takes drawer, display or receipt"));
        }
        within();
    }

    void parseAnswer()
    {
        m_step.kind = Step::Kind::AnswerErrors;
        if (!take(QStringLiteral("ErrorEvent")).isWord(u"ErrorEvent"))
            fail(QStringLiteral("only ErrorEvent can be answered: on ErrorEvent retry|clear"));
        const Token& answer = take(QStringLiteral("retry or clear"));
        if (answer.isWord(u"retry"))
            m_step.value = 11;
        else if (answer.isWord(u"clear"))
            m_step.value = 12;
        else
            fail(QStringLiteral("an ErrorEvent is answered retry or clear"));
        if (!atEnd()) {
            const auto count = parseNumber(take(QStringLiteral("a count")).text);
            if (!count || *count < 1 || *count > 1000000)
                fail(QStringLiteral("the count is a number from 1 to 1000000"));
            m_step.count = *count;
            if (peekWord(u"times"))
                ++m_next;
        }
    }

    void parseSim()
    {
        m_step.kind = Step::Kind::Sim;
        m_step.device = takeDevice();
        const Token& control = take(QStringLiteral("the control"));
        m_step.name = control.text.toLower();
        const auto choose = [this](std::initializer_list<QStringView> words) {
            const Token& token = take(QStringLiteral("the setting"));
            for (QStringView word : words)
                if (token.isWord(word))
                    return word.toString();
            QStringList names;
            for (QStringView word : words)
                names << word.toString();
            fail(QStringLiteral("the setting is one of %1").arg(names.join(u", ")));
        };
        if (m_step.device == DeviceClass::Drawer) {
            if (m_step.name != u"close")
                fail(QStringLiteral("the simulated drawer knows only: sim drawer close"));
            return;
        }
        if (m_step.device == DeviceClass::Display)
            fail(QStringLiteral("the simulated display has no controls"));
        if (m_step.name == u"cover") {
            m_step.value = choose({u"open", u"closed"});
        } else if (m_step.name == u"paper") {
            m_step.value = choose({u"ok", u"near-end", u"empty"});
        } else if (m_step.name == u"power") {
            m_step.value = choose({u"online", u"off", u"offline", u"off-offline"});
        } else if (m_step.name == u"held-elsewhere") {
            m_step.value = flag(take(QStringLiteral("yes or no")));
        } else if (m_step.name == u"speed") {
            m_step.value = choose({u"instant", u"realistic"});
        } else if (m_step.name == u"listen") {
            m_step.value = take(QStringLiteral("[ADDRESS:]PORT")).text;
        } else if (m_step.name == u"fail-next-call") {
            const Token& what = take(QStringLiteral("a result code or run-time-failure"));
            if (what.isWord(u"run-time-failure")) {
                m_step.value = QStringLiteral("run-time-failure");
                return;
            }
            const auto code = resultCodeValue(what.text);
            if (!code)
                fail(QStringLiteral("\"%1\" is not a result code").arg(what.text.left(40)));
            m_step.arguments.append(*code);
            if (!atEnd()) {
                const auto extended = resultCodeValue(take(QStringLiteral("extended code")).text);
                if (!extended)
                    fail(QStringLiteral("the extended code is not a result code"));
                m_step.arguments.append(*extended);
            }
        } else {
            fail(QStringLiteral("unknown printer control \"%1\" (cover, paper, power, "
                                "held-elsewhere, fail-next-call, speed, listen)")
                     .arg(control.text.left(40)));
        }
    }

    std::vector<Token> m_tokens;
    size_t m_next = 0;
    Step& m_step;
};

} // namespace

Script parseScript(const QByteArray& text, const QString& fileName, const QString& folder)
{
    if (text.size() > kMaxScriptBytes)
        throw ScriptError(fileName, 0, QStringLiteral("the script is larger than 64 MiB"));
    Script script;
    script.fileName = fileName;
    script.folder = folder;
    qsizetype start = text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    int lineNumber = 0;
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
                              QStringLiteral("the line holds a NUL byte; write \\0 in a string"));
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString line = decoder.decode(bytes);
        if (decoder.hasError())
            throw ScriptError(fileName, lineNumber, QStringLiteral("the line is not UTF-8 text"));
        try {
            qsizetype statementEnd = 0;
            auto tokens = tokenizeLine(line, &statementEnd);
            if (tokens.empty())
                continue;
            Step step;
            step.line = lineNumber;
            step.text = line.left(statementEnd).trimmed();
            LineParser(std::move(tokens), step).parse();
            script.steps.push_back(std::move(step));
        } catch (const std::invalid_argument& wrong) {
            throw ScriptError(fileName, lineNumber, QString::fromStdString(wrong.what()));
        }
    }
    return script;
}

Script loadScript(const QString& path)
{
    QFile file;
    QString folder = QDir::currentPath();
    bool opened = false;
    if (path == u"-") {
        opened = file.open(stdin, QIODevice::ReadOnly);
    } else {
        file.setFileName(path);
        opened = file.open(QIODevice::ReadOnly);
        folder = QFileInfo(path).absolutePath();
    }
    if (!opened)
        throw ScriptError(path, 0, QStringLiteral("cannot read the script: ") + file.errorString());
    QByteArray text;
    while (!file.atEnd() && text.size() <= kMaxScriptBytes) {
        const QByteArray chunk = file.read(1024 * 1024);
        if (chunk.isEmpty() && file.error() != QFileDevice::NoError)
            throw ScriptError(path, 0,
                              QStringLiteral("cannot read the script: ") + file.errorString());
        if (chunk.isEmpty())
            break;
        text += chunk;
    }
    return parseScript(text, path == u"-" ? QStringLiteral("stdin") : path, folder);
}

} // namespace script

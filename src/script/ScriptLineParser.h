#pragma once

#include "opos/PrinterPropertyTable.h"
#include "script/ScriptLexer.h"
#include "script/ScriptProperties.h"
#include "script/ScriptStep.h"

#include <QLatin1String>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

namespace script {

// Turns the tokens of one statement into a Step. A fault throws std::invalid_argument with a
// message for the script's author; the caller adds the file and the line.
class LineParser
{
public:
    // The tokens, and the line their words are part of, outlive the parser. A call's text is
    // added to `texts`, the script's texts.
    LineParser(const std::vector<Token>& tokens, Step& step, ScriptTexts& texts);
    void parse();

private:
    [[noreturn]] static void fail(const QString& message);

    // Reading tokens.
    bool atEnd() const { return m_next >= m_tokens.size(); }
    const Token* peek() const { return atEnd() ? nullptr : &m_tokens[m_next]; }
    template <size_t N> bool peekWord(const char16_t (&word)[N]) const
    {
        return peek() && peek()->isWord(word);
    }
    // `what` names the token for the message when it is missing; its length is only counted
    // then.
    const Token& take(const char16_t* what)
    {
        if (atEnd())
            missing(what);
        return m_tokens[m_next++];
    }
    [[noreturn]] static void missing(const char16_t* what);

    // Values.
    static std::optional<DeviceClass> deviceClass(const Token& token);
    DeviceClass takeDevice();
    static int32_t number(const Token& token, const char16_t* what);
    static int32_t keyword(const Token& token,
                           std::initializer_list<std::pair<QStringView, int32_t>> words,
                           const char16_t* what);
    static bool flag(const Token& token);
    int32_t duration();
    void within();
    PropertyName propertyName(const Token& token) const;
    QVariant propertyValue(opos::PropertyKind kind);

    // Statements: calls and properties (ScriptCallParser.cpp).
    void parseDeviceStatement();
    void parseArguments(const QString& member, const std::vector<ArgKind>& kinds, size_t required);
    int32_t argument(ArgKind kind); // a number of that kind
    void parseUse();

    // Expectations and answers (ScriptExpectParser.cpp).
    void parseExpect();
    void parseExpectEvent(QLatin1String event);
    void parseExpectProperty(const Token& nameToken);
    void parseExpectSim();
    void parseAnswer();

    // The simulated devices' controls (ScriptSimParser.cpp).
    void parseSim();

    const std::vector<Token>& m_tokens;
    size_t m_next = 0;
    Step& m_step;
    ScriptTexts& m_texts;
};

} // namespace script

#include "script/ScriptLineParser.h"

#include "script/ScriptNames.h"

#include <cmath>
#include <stdexcept>
#include <string_view>

namespace script {

using namespace std::string_view_literals;

namespace {

constexpr double kMaxWaitMs = 24.0 * 3600 * 1000;

} // namespace

LineParser::LineParser(const std::vector<Token>& tokens, Step& step, ScriptTexts& texts)
    : m_tokens(tokens), m_step(step), m_texts(texts)
{}

void LineParser::parse()
{
    const Token& first = take(u"a statement");
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
        m_step.detail().timeoutMs = duration();
    } else if (first.isWord(u"sim")) {
        parseSim();
    } else {
        fail(QStringLiteral("unknown statement \"%1\" (a statement starts with printer, "
                            "drawer, display, use, expect, on, wait or sim)")
                 .arg(first.text()));
    }
    if (m_next < m_tokens.size())
        fail(QStringLiteral("unexpected \"%1\" at the end of the statement")
                 .arg(m_tokens[m_next].text()));
}

void LineParser::fail(const QString& message)
{
    throw std::invalid_argument(message.toStdString());
}

void LineParser::missing(const char16_t* what)
{
    fail(QStringLiteral("%1 is missing").arg(QStringView(what)));
}

std::optional<DeviceClass> LineParser::deviceClass(const Token& token)
{
    // The first letter rules out the other statements without comparing whole words.
    const char16_t first = token.word.isEmpty() ? 0 : token.word.front().unicode();
    if (first < 0x80 && (first | 0x20) != u'p' && (first | 0x20) != u'd')
        return std::nullopt;
    if (token.isWord(u"printer"))
        return DeviceClass::Printer;
    if (token.isWord(u"drawer"))
        return DeviceClass::Drawer;
    if (token.isWord(u"display"))
        return DeviceClass::Display;
    return std::nullopt;
}

DeviceClass LineParser::takeDevice()
{
    const Token& token = take(u"the device (printer, drawer or display)");
    const auto device = deviceClass(token);
    if (!device)
        fail(QStringLiteral("\"%1\" is not printer, drawer or display").arg(token.text()));
    return *device;
}

int32_t LineParser::number(const Token& token, const char16_t* what)
{
    if (token.kind == Token::Kind::Word) {
        if (const auto value = constantValue(token.text()))
            return *value;
    }
    fail(QStringLiteral("%1 must be a number or a constant name, not \"%2\"")
             .arg(QStringView(what), token.text().left(40)));
}

int32_t LineParser::keyword(const Token& token,
                            std::initializer_list<std::pair<QStringView, int32_t>> words,
                            const char16_t* what)
{
    for (const auto& [word, value] : words)
        if (token.isWord(word))
            return value;
    return number(token, what);
}

bool LineParser::flag(const Token& token)
{
    for (QStringView yes : {u"true"sv, u"yes"sv, u"on"sv, u"1"sv})
        if (token.isWord(yes))
            return true;
    for (QStringView no : {u"false"sv, u"no"sv, u"off"sv, u"0"sv})
        if (token.isWord(no))
            return false;
    fail(QStringLiteral("\"%1\" is not true or false").arg(token.text().left(40)));
}

// Optional "within T" at the end of an expectation.
void LineParser::within()
{
    if (peekWord(u"within")) {
        ++m_next;
        m_step.detail().timeoutMs = duration();
    }
}

int32_t LineParser::duration()
{
    QString text = take(u"the time (for example 5 s or 500 ms)").toString();
    QString unit;
    if (!atEnd() && (peekWord(u"s") || peekWord(u"ms"))) {
        unit = m_tokens[m_next++].text().toString().toLower();
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

PropertyName LineParser::propertyName(const Token& token) const
{
    if (token.kind == Token::Kind::Word) {
        if (auto found = findProperty(m_step.device, token.text()))
            return *found;
    }
    fail(QStringLiteral("the %1 has no member or property \"%2\"")
             .arg(deviceWord(m_step.device), token.text().left(40)));
}

QVariant LineParser::propertyValue(opos::PropertyKind kind)
{
    const Token& token = take(u"the value");
    switch (kind) {
    case opos::PropertyKind::Flag:
        return flag(token);
    case opos::PropertyKind::Number:
        return number(token, u"the value");
    case opos::PropertyKind::Text:
        return token.toString();
    }
    return {};
}

void LineParser::parseUse()
{
    m_step.kind = Step::Kind::Use;
    m_step.device = takeDevice();
    m_step.detail().value = take(u"the logical name or address").toString();
}

} // namespace script

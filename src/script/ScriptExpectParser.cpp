// Expectations (expect ...) and the answers to error events (on ErrorEvent ...).
#include "opos/OposConstants.h"
#include "script/ScriptLineParser.h"
#include "script/ScriptNames.h"

#include <array>

namespace script {

namespace {

const std::array kEvents{QLatin1String("DirectIOEvent"), QLatin1String("ErrorEvent"),
                         QLatin1String("OutputCompleteEvent"), QLatin1String("StatusUpdateEvent")};

} // namespace

void LineParser::parseExpect()
{
    const Token& first = take(u"what to expect");
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
        subject = &take(u"the event");
    }
    bool deviceNamed = false;
    if (const auto device = deviceClass(*subject)) {
        m_step.device = *device;
        deviceNamed = true;
        subject = &take(u"the event or property");
    }
    for (QLatin1String event : kEvents) {
        if (subject->isWord(event)) {
            parseExpectEvent(event);
            return;
        }
    }
    if (m_step.negated)
        fail(QStringLiteral("\"expect no\" takes an event, not \"%1\"")
                 .arg(subject->text().left(40)));
    if (deviceNamed) {
        parseExpectProperty(*subject);
        return;
    }
    m_step.kind = Step::Kind::ExpectResult;
    const auto code =
        subject->kind == Token::Kind::Word ? resultCodeValue(subject->text()) : std::nullopt;
    if (!code)
        fail(QStringLiteral("\"%1\" is not a result code, event or device")
                 .arg(subject->text().left(40)));
    m_step.detail().value = *code;
}

void LineParser::parseExpectEvent(QLatin1String event)
{
    m_step.kind = Step::Kind::ExpectEvent;
    m_step.detail().name = event;
    if (m_step.device != DeviceClass::Printer && event != u"StatusUpdateEvent")
        fail(QStringLiteral("the %1 raises no %2").arg(deviceWord(m_step.device), event));
    if (m_step.device == DeviceClass::Display)
        fail(QStringLiteral("the display raises no events"));
    if (!atEnd() && !peekWord(u"within")) {
        const Token& token = take(u"the event's value");
        std::optional<int32_t> value;
        if (token.kind == Token::Kind::Word) {
            if (event == u"StatusUpdateEvent")
                value = statusUpdateValue(token.text());
            else if (event == u"ErrorEvent")
                value = resultCodeValue(token.text());
            else
                value = parseNumber(token.text());
        }
        if (!value)
            fail(QStringLiteral("\"%1\" is not a value of %2").arg(token.text().left(40), event));
        m_step.detail().value = *value;
    }
    within();
}

void LineParser::parseExpectProperty(const Token& nameToken)
{
    m_step.kind = Step::Kind::ExpectProperty;
    const PropertyName property = propertyName(nameToken);
    m_step.detail().name = property.name;
    const Token& comparison = take(u"= or !=");
    if (comparison.isWord(u"!="))
        m_step.negated = true;
    else if (!comparison.isWord(u"="))
        fail(QStringLiteral("expected = or != after %1").arg(property.name));
    m_step.detail().value = propertyValue(property.kind);
    within();
}

void LineParser::parseExpectSim()
{
    m_step.kind = Step::Kind::ExpectSim;
    const Token& what = take(u"drawer, display or receipt");
    if (what.isWord(u"drawer")) {
        m_step.detail().name = QStringLiteral("drawer");
        const Token& state = take(u"open or closed");
        if (!state.isWord(u"open") && !state.isWord(u"closed"))
            fail(QStringLiteral("the drawer is open or closed"));
        m_step.detail().value = state.isWord(u"open");
    } else if (what.isWord(u"display") || what.isWord(u"receipt")) {
        m_step.detail().name = what.text().toString().toLower();
        const Token& text = take(u"the text");
        if (text.kind != Token::Kind::String)
            fail(QStringLiteral("the text must be quoted"));
        m_step.detail().value = text.toString();
    } else {
        fail(QStringLiteral("expect sim takes drawer, display or receipt"));
    }
    within();
}

void LineParser::parseAnswer()
{
    m_step.kind = Step::Kind::AnswerErrors;
    if (!take(u"ErrorEvent").isWord(u"ErrorEvent"))
        fail(QStringLiteral("only ErrorEvent can be answered: on ErrorEvent retry|clear"));
    const Token& answer = take(u"retry or clear");
    if (answer.isWord(u"retry"))
        m_step.detail().value = opos::OPOS_ER_RETRY;
    else if (answer.isWord(u"clear"))
        m_step.detail().value = opos::OPOS_ER_CLEAR;
    else
        fail(QStringLiteral("an ErrorEvent is answered retry or clear"));
    if (!atEnd()) {
        const auto count = parseNumber(take(u"a count").text());
        if (!count || *count < 1 || *count > 1000000)
            fail(QStringLiteral("the count is a number from 1 to 1000000"));
        m_step.detail().count = *count;
        if (peekWord(u"times"))
            ++m_next;
    }
}

} // namespace script

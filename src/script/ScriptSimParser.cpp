// The simulated devices' controls: sim DEVICE control value...
#include "script/ScriptLineParser.h"
#include "script/ScriptNames.h"

#include <QStringList>

namespace script {

void LineParser::parseSim()
{
    m_step.kind = Step::Kind::Sim;
    m_step.device = takeDevice();
    const Token& control = take(u"the control");
    m_step.detail().name = control.text().toString().toLower();
    const auto choose = [this](std::initializer_list<QStringView> words) {
        const Token& token = take(u"the setting");
        for (QStringView word : words)
            if (token.isWord(word))
                return word.toString();
        QStringList names;
        for (QStringView word : words)
            names << word.toString();
        fail(QStringLiteral("the setting is one of %1").arg(names.join(u", ")));
    };
    if (m_step.device == DeviceClass::Drawer) {
        if (m_step.detail().name != u"close")
            fail(QStringLiteral("the simulated drawer knows only: sim drawer close"));
        return;
    }
    if (m_step.device == DeviceClass::Display)
        fail(QStringLiteral("the simulated display has no controls"));
    if (m_step.detail().name == u"cover") {
        m_step.detail().value = choose({u"open", u"closed"});
    } else if (m_step.detail().name == u"paper") {
        m_step.detail().value = choose({u"ok", u"near-end", u"empty"});
    } else if (m_step.detail().name == u"power") {
        m_step.detail().value = choose({u"online", u"off", u"offline", u"off-offline"});
    } else if (m_step.detail().name == u"held-elsewhere") {
        m_step.detail().value = flag(take(u"yes or no"));
    } else if (m_step.detail().name == u"listen") {
        m_step.detail().value = take(u"[ADDRESS:]PORT").toString();
    } else if (m_step.detail().name == u"save-receipt") {
        m_step.detail().value = take(u"the picture's file name").toString();
    } else if (m_step.detail().name == u"speed") {
        m_step.detail().value = choose({u"instant", u"realistic"});
    } else if (m_step.detail().name == u"fail-next-call") {
        const Token& what = take(u"a result code or run-time-failure");
        if (what.isWord(u"run-time-failure")) {
            m_step.detail().value = QStringLiteral("run-time-failure");
            return;
        }
        const auto code = resultCodeValue(what.text());
        if (!code)
            fail(QStringLiteral("\"%1\" is not a result code").arg(what.text().left(40)));
        m_step.arguments.appendNumber(ArgKind::Number, *code);
        if (!atEnd()) {
            const auto extended = resultCodeValue(take(u"extended code").text());
            if (!extended)
                fail(QStringLiteral("the extended code is not a result code"));
            m_step.arguments.appendNumber(ArgKind::Number, *extended);
        }
    } else {
        fail(QStringLiteral("unknown printer control \"%1\" (cover, paper, power, "
                            "held-elsewhere, fail-next-call, speed, save-receipt, listen)")
                 .arg(control.text().left(40)));
    }
}

} // namespace script

// Statements that call a member or read or write a property: DEVICE Member arguments...,
// DEVICE Property = value, DEVICE Property.
#include "opos/OposConstants.h"
#include "script/ScriptLineParser.h"

#include <array>
#include <stdexcept>
#include <string_view>

namespace script {

using namespace std::string_view_literals;

namespace {

struct MemberInfo
{
    Member member;
    QString name;     // static text, so that every step that names it shares it
    unsigned devices; // bit per DeviceClass
    std::vector<ArgKind> arguments;
    size_t required;
    std::vector<int32_t> defaults; // for the arguments after the required ones, so a call shows
                                   // them; a text's default is empty
};

constexpr unsigned kPrinter = 1;
constexpr unsigned kDrawer = 2;
constexpr unsigned kDisplay = 4;
constexpr unsigned kAll = kPrinter | kDrawer | kDisplay;

const std::vector<MemberInfo>& members()
{
    using enum ArgKind;
    using M = Member;
    static const std::vector<MemberInfo> table{
        {M::Open, QStringLiteral("Open"), kAll, {Text}, 0, {}},
        {M::ClaimDevice, QStringLiteral("ClaimDevice"), kAll, {Number}, 1, {}},
        {M::ReleaseDevice, QStringLiteral("ReleaseDevice"), kAll, {}, 0, {}},
        {M::Close, QStringLiteral("Close"), kAll, {}, 0, {}},
        {M::Claim, QStringLiteral("Claim"), kPrinter, {Number}, 1, {}},
        {M::Release, QStringLiteral("Release"), kPrinter, {}, 0, {}},
        {M::PrintNormal, QStringLiteral("PrintNormal"), kPrinter, {Station, Text}, 2, {}},
        {M::PrintImmediate, QStringLiteral("PrintImmediate"), kPrinter, {Station, Text}, 2, {}},
        {M::CutPaper, QStringLiteral("CutPaper"), kPrinter, {Number}, 0, {100}},
        {M::TransactionPrint,
         QStringLiteral("TransactionPrint"),
         kPrinter,
         {Station, Control},
         2,
         {}},
        {M::ClearOutput, QStringLiteral("ClearOutput"), kPrinter, {}, 0, {}},
        {M::DirectIO, QStringLiteral("DirectIO"), kPrinter, {Number, Number, Text}, 1, {0, 0}},
        {M::CheckHealth, QStringLiteral("CheckHealth"), kPrinter, {HealthLevel}, 1, {}},
        {M::PrintBarCode,
         QStringLiteral("PrintBarCode"),
         kPrinter,
         {Station, Text, Number, Number, Number, Number, Number},
         7,
         {}},
        {M::PrintBitmap,
         QStringLiteral("PrintBitmap"),
         kPrinter,
         {Station, Text, Number, Number},
         4,
         {}},
        {M::SetBitmap,
         QStringLiteral("SetBitmap"),
         kPrinter,
         {Number, Station, Text, Number, Number},
         5,
         {}},
        {M::PrintMemoryBitmap,
         QStringLiteral("PrintMemoryBitmap"),
         kPrinter,
         {Station, Text, Number, Number, Number},
         5,
         {}},
        {M::OpenDrawer, QStringLiteral("OpenDrawer"), kDrawer, {}, 0, {}},
        {M::ClearText, QStringLiteral("ClearText"), kDisplay, {}, 0, {}},
        {M::DisplayText,
         QStringLiteral("DisplayText"),
         kDisplay,
         {Text, TextAttribute},
         1,
         {opos::DISP_DT_NORMAL}},
    };
    return table;
}

constexpr size_t kMembers = size_t(Member::DisplayText) + 1;

unsigned deviceBit(DeviceClass device)
{
    return 1U << static_cast<unsigned>(device);
}

} // namespace

const QString& memberName(Member member)
{
    static const std::array<QString, kMembers> names = [] {
        std::array<QString, kMembers> byMember;
        for (const MemberInfo& info : members())
            byMember[size_t(info.member)] = info.name;
        return byMember;
    }();
    return names[size_t(member)];
}

void LineParser::parseDeviceStatement()
{
    const Token& nameToken = take(u"a member or property");
    if (peekWord(u"=")) {
        ++m_next;
        m_step.kind = Step::Kind::SetProperty;
        const PropertyName property = propertyName(nameToken);
        if (m_step.device != DeviceClass::Printer && property.name != u"DeviceEnabled")
            fail(QStringLiteral("the %1's %2 cannot be written")
                     .arg(deviceWord(m_step.device), property.name));
        m_step.detail().name = property.name;
        m_step.detail().value = propertyValue(property.kind);
        return;
    }
    const QChar first = nameToken.word.isEmpty() ? QChar() : nameToken.word.front();
    for (const MemberInfo& member : members()) {
        // Most members differ in their length or first letter, tests far quicker than the whole
        // word's.
        if (member.name.size() != nameToken.word.size() ||
            (first.unicode() < 0x80 &&
             (first.unicode() | 0x20) != (member.name.front().unicode() | 0x20)))
            continue;
        if (!nameToken.isWord(member.name))
            continue;
        if (!(member.devices & deviceBit(m_step.device)))
            fail(QStringLiteral("the %1 has no member %2")
                     .arg(deviceWord(m_step.device), member.name));
        m_step.kind = Step::Kind::Call;
        m_step.member = member.member;
        parseArguments(member.name, member.arguments, member.required);
        for (auto i = size_t(m_step.arguments.size()); i < member.arguments.size(); ++i) {
            const size_t fromDefaults = i - member.required;
            if (m_step.kind != Step::Kind::Call || fromDefaults >= member.defaults.size())
                break;
            if (member.arguments[i] == ArgKind::Text)
                m_step.arguments.appendText(TextSpan{});
            else
                m_step.arguments.appendNumber(member.arguments[i], member.defaults[fromDefaults]);
        }
        return;
    }
    m_step.kind = Step::Kind::GetProperty;
    m_step.detail().name = propertyName(nameToken).name;
}

void LineParser::parseArguments(const QString& member, const std::vector<ArgKind>& kinds,
                                size_t required)
{
    for (size_t i = 0; i < kinds.size() && !atEnd(); ++i) {
        if (kinds[i] == ArgKind::Text && peekWord(u"file") && m_next + 1 < m_tokens.size() &&
            member.startsWith(u"Print")) {
            ++m_next;
            m_step.kind = Step::Kind::PrintFile;
            m_step.detail().value = take(u"the file name").toString();
            continue;
        }
        if (kinds[i] == ArgKind::Text) {
            const Token& text = take(u"a text");
            m_step.arguments.appendText(keepText(m_texts, text.text()));
            // The statement starts with its first token.
            if (text.writtenAsShown)
                m_step.arguments.setWrittenText(
                    text.word.constData() - m_tokens.front().word.constData(), text.word.size());
        } else {
            m_step.arguments.appendNumber(kinds[i], argument(kinds[i]));
        }
    }
    const size_t given = static_cast<size_t>(m_step.arguments.size()) +
                         (m_step.kind == Step::Kind::PrintFile ? 1 : 0);
    if (given < required)
        fail(QStringLiteral("%1 needs %2 argument(s)").arg(member).arg(required));
}

int32_t LineParser::argument(ArgKind kind)
{
    switch (kind) {
    case ArgKind::Number:
        return number(take(u"a number"), u"the argument");
    case ArgKind::HealthLevel:
        return number(take(u"the health check level"),
                      u"the level (OPOS_CH_INTERNAL, OPOS_CH_EXTERNAL or OPOS_CH_INTERACTIVE)");
    case ArgKind::TextAttribute:
        return number(take(u"the attribute"), u"the attribute (DISP_DT_NORMAL, DISP_DT_BLINK, …)");
    case ArgKind::Station:
        return keyword(take(u"the station"),
                       {{u"receipt"sv, opos::PTR_S_RECEIPT},
                        {u"journal"sv, opos::PTR_S_JOURNAL},
                        {u"slip"sv, opos::PTR_S_SLIP}},
                       u"the station");
    case ArgKind::Control:
        return keyword(
            take(u"the transaction control"),
            {{u"transaction"sv, opos::PTR_TP_TRANSACTION}, {u"normal"sv, opos::PTR_TP_NORMAL}},
            u"the transaction control");
    case ArgKind::Text:
        break;
    }
    throw std::logic_error("a text is not a number");
}

} // namespace script

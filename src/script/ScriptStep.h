#pragma once

#include "script/LargeArrayAllocator.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVariant>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace script {

enum class DeviceClass : uint8_t
{
    Printer,
    Drawer,
    Display
};

// How a call's argument is written, and so how the transcript shows it back.
enum class ArgKind : uint8_t
{
    Number,        // a number or any constant name
    Station,       // receipt, journal, slip, a PTR_S_* name or a number
    Control,       // transaction, normal, a PTR_TP_* name or a number
    HealthLevel,   // an OPOS_CH_* name or a number
    TextAttribute, // a DISP_DT_* name or a number
    Text,          // a quoted string or a word
};

// The member a call statement calls, found once when the script is read.
enum class Member : uint8_t
{
    None, // not a call
    Open,
    ClaimDevice,
    ReleaseDevice,
    Close,
    Claim,
    Release,
    PrintNormal,
    PrintImmediate,
    CutPaper,
    TransactionPrint,
    ClearOutput,
    DirectIO,
    CheckHealth,
    PrintBarCode,
    PrintBitmap,
    SetBitmap,
    PrintMemoryBitmap,
    OpenDrawer,
    ClearText,
    DisplayText,
};

// Where a call's text stands among the script's texts (Script::texts).
struct TextSpan
{
    int32_t start = 0;
    int32_t length = -1; // -1: no text at all
};

// A call's arguments as the script gave them, held in the step itself: numbers (constants already
// resolved) by position, and where the one text a member takes at most stands. A long script is
// mostly calls, and a container with a value object per argument cost more to read and run than
// the call.
class CallArguments
{
public:
    static constexpr int kMost = 7; // no member takes more

    int size() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    ArgKind kind(int position) const { return m_kinds[size_t(position)]; }
    // The number at `position`, or `otherwise` when the call has no argument there.
    int32_t number(int position, int32_t otherwise) const;
    // Where the text at `position` stands; no text when the call has none there.
    TextSpan textSpan(int position) const;
    int textPosition() const { return m_textAt; } // -1 without a text

    void appendNumber(ArgKind kind, int32_t value);
    void appendText(TextSpan text);
    // The text of a call that has one given in its place.
    void replaceText(TextSpan text) { m_text = text; }

    // The text as the script wrote it, quotes and escapes included, when that is how the
    // transcript shows it: where it stands in the call's statement, in bytes.
    void setWrittenText(qsizetype start, qsizetype length);
    QByteArrayView writtenText(QByteArrayView statement) const;
    // Where the written text stands, as set.
    qsizetype writtenStart() const { return m_writtenStart; }
    qsizetype writtenLength() const { return m_writtenLength; }

private:
    void append(ArgKind kind);

    std::array<int32_t, kMost> m_numbers{};
    std::array<ArgKind, kMost> m_kinds{};
    int8_t m_count = 0;
    int8_t m_textAt = -1;
    TextSpan m_text;
    int32_t m_writtenStart = 0;
    int32_t m_writtenLength = 0; // none
};

// The name of a member, as the transcript shows it.
const QString& memberName(Member member);

// What a statement says beyond its device and a call's arguments. A long script is mostly calls,
// which need none of it, so it is kept out of the step.
struct StepDetail
{
    QString name;          // property, event, sim control (canonical spelling)
    QVariant value;        // expected or written value; absent for "any"
    int32_t timeoutMs = 0; // within / wait
    int32_t count = 1;     // answers queued by "on ErrorEvent"
};

// A StepDetail of its own, or none, copied with the step that holds it.
class StepDetailBox
{
public:
    StepDetailBox() = default;
    StepDetailBox(const StepDetailBox& other) { *this = other; }
    StepDetailBox& operator=(const StepDetailBox& other)
    {
        if (this != &other)
            m_detail = other.m_detail ? std::make_unique<StepDetail>(*other.m_detail) : nullptr;
        return *this;
    }
    StepDetailBox(StepDetailBox&&) noexcept = default;
    StepDetailBox& operator=(StepDetailBox&&) noexcept = default;
    ~StepDetailBox() = default;

    // The detail, or one with nothing in it.
    const StepDetail& get() const
    {
        static const StepDetail none;
        return m_detail ? *m_detail : none;
    }
    StepDetail& made()
    {
        if (!m_detail)
            m_detail = std::make_unique<StepDetail>();
        return *m_detail;
    }

private:
    std::unique_ptr<StepDetail> m_detail;
};

// One statement of a script, as the parser understood it.
struct Step
{
    enum class Kind : uint8_t
    {
        Use,            // use DEVICE NAME: the logical name or address Open takes by default
        Call,           // DEVICE Member arguments...
        PrintFile,      // printer PrintNormal|PrintImmediate STATION file PATH
        SetProperty,    // DEVICE Property = value
        GetProperty,    // DEVICE Property
        ExpectResult,   // expect CODE
        ExpectFailure,  // expect failure
        ExpectProperty, // expect DEVICE Property (=|!=) value [within T]
        ExpectEvent,    // expect [no] [DEVICE] Event [value] [within T]
        ExpectSim,      // expect sim drawer open|closed, sim display "text", sim receipt "text"
        AnswerErrors,   // on ErrorEvent retry|clear [N]
        Wait,           // wait T
        Sim             // sim DEVICE control value...
    };

    // Ordered so that the fields pack: a long script holds one step a line.
    Kind kind = Kind::Call;
    DeviceClass device = DeviceClass::Printer;
    Member member = Member::None; // Call and PrintFile
    bool negated = false;         // "!=" or "expect no"
    int line = 0;
    // The statement as written, without its comment: where it stands in the script's bytes (a
    // script is far smaller than 2 GB).
    int32_t textStart = 0;
    int32_t textLength = 0;
    CallArguments arguments;

    // The member, property, event or sim control (canonical spelling).
    const QString& name() const
    {
        return kind == Kind::Call || kind == Kind::PrintFile ? memberName(member)
                                                             : m_detail.get().name;
    }
    // Where a call's text stands in its statement, in bytes, when it is the call's last argument
    // and written as the transcript shows it; -1 otherwise. All the statement says before that
    // place is the call without its text.
    qsizetype writtenLastTextStart() const
    {
        return kind == Kind::Call && arguments.textPosition() == arguments.size() - 1 &&
                       arguments.writtenLength() > 0
                   ? arguments.writtenStart()
                   : -1;
    }
    const QVariant& value() const { return m_detail.get().value; }
    int32_t timeoutMs() const { return m_detail.get().timeoutMs; }
    int32_t count() const { return m_detail.get().count; }
    // The detail to write, made on first use.
    StepDetail& detail() { return m_detail.made(); }

private:
    StepDetailBox m_detail;
};

// Where a script's calls keep their texts.
using ScriptTexts =
    std::basic_string<char16_t, std::char_traits<char16_t>, LargeArrayAllocator<char16_t>>;

// Adds a call's text to `texts`; where it stands there.
inline TextSpan keepText(ScriptTexts& texts, QStringView text)
{
    const TextSpan span{int32_t(texts.size()), int32_t(text.size())};
    texts.append(text.utf16(), size_t(text.size()));
    return span;
}

struct Script
{
    QString fileName; // as given; "-" for standard input
    QString folder;   // where relative file names in the script are looked up
    // The script as read (UTF-8, a byte-order mark included); the steps' statements are parts of
    // it. A long script is read line by line, so its decoded text is never kept whole.
    QByteArray text;
    // The calls' texts, escapes resolved, one after another; the steps say where theirs stand.
    ScriptTexts texts;
    std::vector<Step, LargeArrayAllocator<Step>> steps;

    // A step's statement as written, without its comment.
    QByteArrayView statementBytes(const Step& step) const
    {
        return QByteArrayView(text).sliced(step.textStart, step.textLength);
    }
    QString statement(const Step& step) const { return QString::fromUtf8(statementBytes(step)); }
    // The text a call's argument at `position` gives; null when it gives none there.
    QStringView argumentText(const Step& step, int position) const;
    // The call's arguments as values, numbers and the text in their places: for a call made by
    // name.
    QVariantList argumentList(const Step& step) const;
};

QString deviceWord(DeviceClass device);

// Whether the script checks anything at all; a script without an expectation proves nothing.
bool holdsExpectation(const Script& script);

} // namespace script

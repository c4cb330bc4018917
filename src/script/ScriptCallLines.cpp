// The transcript lines of the statements that call: the call as the script wrote it, and what
// it gave.
#include "opos/OposConstants.h"
#include "opos/OposNames.h"
#include "script/ScriptClock.h"
#include "script/ScriptLexer.h"
#include "script/ScriptRunner.h"
#include "script/TextWriter.h"
#include "script/TranscriptText.h"

#include <algorithm>
#include <cstring>

namespace script {

namespace {

bool sameBytes(QByteArrayView one, QByteArrayView other)
{
    return one.size() == other.size() &&
           std::memcmp(one.data(), other.data(), size_t(one.size())) == 0;
}

// Where the text a call shows as written, and as its last argument, starts in its statement, in
// bytes; -1 for any other call. The statement's bytes before that place decide all the call
// shows before the text.
qsizetype writtenLastTextAt(const Step& step, QStringView text)
{
    return text.size() > kShownDataLength ? -1 : step.writtenLastTextStart();
}

// The rest of a call from its text on, when the text is its last argument written as shown.
void putWrittenTextToEnd(TextWriter& out, const Step& step, QByteArrayView statement)
{
    out.putUtf8(step.arguments.writtenText(statement));
    out.put(u')');
}

} // namespace

// Whether a statement whose text starts at `textAt` (see writtenLastTextAt()) is written as the
// call shown last as far as that text, and so shows that call's start.
bool ScriptRunner::startsAsShownCall(QByteArrayView statement, qsizetype textAt) const
{
    return textAt >= 0 && textAt == m_shownCall.textAt &&
           sameBytes(statement.first(textAt), m_shownCall.statement.first(textAt));
}

// The call as the transcript shows it, written where the line is being built: a long run of
// quick calls is mostly this text and the line around it. True when it is shown as m_shownCall.
bool ScriptRunner::putStatementCall(TextWriter& out, const Step& step)
{
    if (step.kind == Step::Kind::Call && step.member == Member::Open && step.arguments.isEmpty()) {
        out.put(u"Open(");
        out.putQuoted(m_names[static_cast<int>(step.device)], kShownDataLength);
        out.put(u')');
        return false;
    }
    if (step.kind == Step::Kind::Sim) {
        // The control as written, without its "sim".
        out.put(statement(step).section(u' ', 1, -1, QString::SectionSkipEmpty));
        return false;
    }
    putShownCall(out, step);
    return true;
}

// What a call shows depends on its statement's words alone: a statement written as the one shown
// last is shown as that one was, and one written as far as its text shows that one's start.
void ScriptRunner::putShownCall(TextWriter& out, const Step& step)
{
    const QByteArrayView statement = m_script->statementBytes(step);
    const qsizetype from = out.written().size();
    m_shownCall.lineAt = from;
    if (!statement.isEmpty() && sameBytes(statement, m_shownCall.statement)) {
        out.put(m_shownCall.text);
        return;
    }
    const QStringView text = m_script->argumentText(step, step.arguments.textPosition());
    const qsizetype textAt = writtenLastTextAt(step, text);
    if (startsAsShownCall(statement, textAt)) {
        out.put(QStringView(m_shownCall.text).first(m_shownCall.shownTextAt));
        putWrittenTextToEnd(out, step, statement);
    } else {
        qsizetype shownTextAt = from;
        putCallText(out, step, text, statement, &shownTextAt);
        m_shownCall.textAt = textAt;
        m_shownCall.shownTextAt = shownTextAt - from;
    }
    const QStringView shown = out.written().sliced(from);
    m_shownCall.text.resize(shown.size());
    std::copy_n(shown.data(), shown.size(), m_shownCall.text.data());
    m_shownCall.statement = statement;
}

QString ScriptRunner::callDetail(const Step& step, int32_t result, int32_t extended)
{
    // The statement is only kept for a run-time failure, which reports it later.
    m_last = {true, false, result, extended, {}, step.line, {}};
    m_failurePending = false;
    // The operation log's rule: after OPOS_E_EXTENDED the extended code is what is reported.
    QString detail = DecodeResultCode(result == opos::OPOS_E_EXTENDED ? extended : result);
    // Every call starts with an empty ErrorString, so what it holds now is this call's reason.
    if (result != opos::OPOS_SUCCESS) {
        if (const QString why = errorString(step.device); !why.isEmpty()) {
            detail += QStringLiteral("  ") + why;
            m_last.reason = why;
        }
    }
    return detail;
}

void ScriptRunner::recordCall(const Step& step, int32_t result, int32_t extended)
{
    const QString detail = callDetail(step, result, extended);
    if (rewriteCallText(step, detail))
        return;
    bool shown = false;
    writeLine(
        deviceWord(step.device),
        [this, &step, &shown](TextWriter& line) { shown = putStatementCall(line, step); }, detail);
    m_lineShowsCall = shown;
}

// A call written as the one the last line shows as far as its text, within the same millisecond,
// makes a line that starts as the last one does: only its text and its outcome are written. A
// long run of quick print lines is mostly this.
bool ScriptRunner::rewriteCallText(const Step& step, const QString& detail)
{
    if (!m_lineShowsCall || !m_timeText.shows(m_clock.msecsSinceEpoch()))
        return false;
    const QByteArrayView statement = m_script->statementBytes(step);
    const QStringView text = m_script->argumentText(step, step.arguments.textPosition());
    if (!startsAsShownCall(statement, writtenLastTextAt(step, text)))
        return false;
    TextWriter line(m_line, m_shownCall.lineAt + m_shownCall.shownTextAt);
    putWrittenTextToEnd(line, step, statement);
    if (!detail.isEmpty()) {
        line.put(u"  ");
        line.put(detail);
    }
    publishLine(line.written());
    return true;
}

void ScriptRunner::recordFailure(const Step& step, const QString& what)
{
    m_last = {true, true, 0, 0, what, step.line, statement(step)};
    m_failurePending = true;
    writeLine(
        step.kind == Step::Kind::Sim ? QStringLiteral("sim") : deviceWord(step.device),
        [this, &step](TextWriter& line) { putStatementCall(line, step); },
        QString(QStringLiteral("run-time failure: ") + what));
}

} // namespace script

#include "ScriptedTransport.h"

#include <QTimer>

namespace testing {

ScriptedTransport::ScriptedTransport(std::shared_ptr<TransportScript> script)
    : m_script(std::move(script))
{}

escpos::TransportFactory ScriptedTransport::factory(std::shared_ptr<TransportScript> script)
{
    return [script](const escpos::Address&, bool) {
        return std::make_unique<ScriptedTransport>(script);
    };
}

void ScriptedTransport::open(int)
{
    std::lock_guard lock(m_script->mutex);
    ++m_script->opens;
    if (m_script->neverOpens)
        return;
    const QString refusal = m_script->refusal;
    answerOpen(refusal);
}

bool ScriptedTransport::write(QByteArrayView bytes)
{
    if (m_failed)
        return false;
    QString failure;
    {
        std::lock_guard lock(m_script->mutex);
        const qint64 room =
            m_script->failAfter < 0
                ? bytes.size()
                : std::max<qint64>(0, m_script->failAfter - m_script->written.size());
        m_script->written.append(bytes.first(std::min<qint64>(room, bytes.size())));
        if (room < bytes.size())
            failure = m_script->failure;
    }
    if (!failure.isEmpty()) {
        m_failed = true;
        emit failed(failure);
        return false;
    }
    const qint64 count = bytes.size();
    QTimer::singleShot(0, this, [this, count] { emit bytesWritten(count); });
    return true;
}

} // namespace testing

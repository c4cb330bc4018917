#include "ReplyingTransport.h"

#include <QTimer>

namespace testing {

ReplyingTransport::ReplyingTransport(std::shared_ptr<ReplyScript> script)
    : m_script(std::move(script))
{}

escpos::TransportFactory ReplyingTransport::factory(std::shared_ptr<ReplyScript> script)
{
    return [script](const escpos::Address&, bool) {
        return std::make_unique<ReplyingTransport>(script);
    };
}

void ReplyingTransport::open(int)
{
    bool endless = false;
    {
        std::lock_guard lock(m_script->mutex);
        ++m_script->opens;
        endless = !m_script->endless.isEmpty();
    }
    answerOpen({});
    if (endless)
        QTimer::singleShot(0, this, [this] { emit readyRead(); });
}

bool ReplyingTransport::write(QByteArrayView bytes)
{
    {
        std::lock_guard lock(m_script->mutex);
        m_script->written.append(bytes);
    }
    m_unparsed.append(bytes);
    bool flood = false;
    {
        std::lock_guard lock(m_script->mutex);
        if (!m_script->floodOnWatch.isEmpty() &&
            bytes.toByteArray().contains(QByteArray("\x1d\x61\x0f", 3))) {
            m_script->endless = m_script->floodOnWatch;
            flood = true;
        }
    }
    if (flood)
        QTimer::singleShot(0, this, [this] { emit readyRead(); });
    answerRequests();
    const qint64 count = bytes.size();
    QTimer::singleShot(0, this, [this, count] { emit bytesWritten(count); });
    return true;
}

// Finds the requests in what was written and answers them as the script says.
void ReplyingTransport::answerRequests()
{
    QByteArray reply;
    for (;;) {
        const qsizetype status = m_unparsed.indexOf(QByteArray("\x10\x04", 2));
        const qsizetype transmit = m_unparsed.indexOf(QByteArray("\x1dr", 2));
        qsizetype at = -1;
        if (status >= 0 && (transmit < 0 || status < transmit))
            at = status;
        else
            at = transmit;
        if (at < 0 || at + 2 >= m_unparsed.size())
            break;
        const bool isStatus = at == status;
        m_unparsed.remove(0, at + 3);
        std::lock_guard lock(m_script->mutex);
        if (isStatus) {
            if (m_script->statusAnswers == 0)
                continue;
            if (m_script->statusAnswers > 0)
                --m_script->statusAnswers;
            reply += m_script->statusAnswer.isEmpty() ? QByteArray(1, m_script->statusByte)
                                                      : m_script->statusAnswer;
            continue;
        }
        switch (m_script->transmit) {
        case ReplyScript::Transmit::AtOnce:
            reply += '\0';
            break;
        case ReplyScript::Transmit::Never:
            break;
        case ReplyScript::Transmit::FirstLateThenNever:
            if (!m_script->firstAsked) {
                m_script->firstAsked = true;
                m_script->owing = this;
            } else if (m_script->owing) {
                // The late answer to the first request, on the connection it was asked on.
                ++m_script->lateRepliesSent;
                m_script->owing->answer(QByteArray(1, '\0'));
                m_script->owing = nullptr;
            }
            break;
        }
    }
    if (!reply.isEmpty())
        answer(reply);
}

void ReplyingTransport::answer(const QByteArray& bytes)
{
    if (m_closed)
        return;
    QTimer::singleShot(0, this, [this, bytes] {
        m_input.append(bytes);
        emit readyRead();
    });
}

QByteArray ReplyingTransport::read(qint64 maxSize)
{
    QByteArray bytes;
    {
        std::lock_guard lock(m_script->mutex);
        const QByteArray& pattern = m_script->endless;
        if (!pattern.isEmpty()) {
            while (bytes.size() < maxSize)
                bytes.append(pattern);
            bytes.truncate(maxSize);
        } else {
            bytes = m_input.left(maxSize);
            m_input.remove(0, bytes.size());
        }
        m_script->bytesRead += bytes.size();
    }
    return bytes;
}

void ReplyingTransport::setReading(bool on)
{
    if (!on) {
        std::lock_guard lock(m_script->mutex);
        ++m_script->pauses;
    }
}

} // namespace testing

#pragma once

#include "backends/escpos/DeviceTransport.h"

#include <QByteArray>
#include <QPointer>
#include <memory>
#include <mutex>

namespace testing {

class ReplyingTransport;

// How a scripted two-way device answers, set by the test; shared with every connection made.
struct ReplyScript
{
    std::mutex mutex;
    char statusByte = 0x12;  // the answer to each DLE EOT n: an idle printer
    int statusAnswers = -1;  // how many status requests are answered; -1: all
    QByteArray statusAnswer; // when set, sent instead of the status bytes (garbage, a trickle)
    // Transmit-status requests: answered at once, never, or only once the next one came in
    // (late by more than a whole request): the late answer goes back on the connection it was
    // asked on, as a network printer sends it.
    enum class Transmit
    {
        AtOnce,
        Never,
        FirstLateThenNever
    } transmit = Transmit::AtOnce;
    QByteArray endless;      // read() always finds this pattern, without end
    QByteArray floodOnWatch; // becomes `endless` once the link asks for automatic status
    int opens = 0;
    QByteArray written;
    int lateRepliesSent = 0;
    qint64 bytesRead = 0;
    int pauses = 0;                    // setReading(false) calls
    QPointer<ReplyingTransport> owing; // where the first reply is owed (link thread only)
    bool firstAsked = false;
};

// A device that answers status and transmit-status requests as its script says, through the
// transport interface and without sockets. It lives on the link's thread.
class ReplyingTransport final : public escpos::DeviceTransport
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReplyingTransport)

public:
    explicit ReplyingTransport(std::shared_ptr<ReplyScript> script);
    ~ReplyingTransport() override = default;

    static escpos::TransportFactory factory(std::shared_ptr<ReplyScript> script);

    void open(int timeoutMs) override;
    bool write(QByteArrayView bytes) override;
    qint64 bytesToWrite() const override { return 0; }
    QByteArray read(qint64 maxSize) override;
    void close() override { m_closed = true; }
    void setReading(bool on) override;

    void answer(const QByteArray& bytes);

private:
    void answerRequests();

    std::shared_ptr<ReplyScript> m_script;
    QByteArray m_unparsed;
    QByteArray m_input;
    bool m_closed = false;
};

} // namespace testing

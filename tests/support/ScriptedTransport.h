#pragma once

#include "backends/escpos/DeviceTransport.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <mutex>

namespace testing {

// What a scripted transport does, set by the test; shared with every transport it makes.
struct TransportScript
{
    std::mutex mutex;
    bool neverOpens = false; // open() never answers
    QString refusal;         // open() fails with this reason
    qint64 failAfter = -1;   // the device goes away once it took this many bytes
    QString failure = QStringLiteral("the scripted device went away");
    QByteArray written;
    int opens = 0;
};

// A one-way device without sockets or terminals: it takes what it is given and fails on cue.
class ScriptedTransport final : public escpos::DeviceTransport
{
    Q_DISABLE_COPY_MOVE(ScriptedTransport)

public:
    explicit ScriptedTransport(std::shared_ptr<TransportScript> script);
    ~ScriptedTransport() override = default;

    static escpos::TransportFactory factory(std::shared_ptr<TransportScript> script);

    void open(int timeoutMs) override;
    bool write(QByteArrayView bytes) override;
    qint64 bytesToWrite() const override { return 0; }
    QByteArray read(qint64) override { return {}; }
    void close() override {}

private:
    std::shared_ptr<TransportScript> m_script;
    bool m_failed = false;
};

} // namespace testing

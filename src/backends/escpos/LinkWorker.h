#pragma once

#include "backends/escpos/Link.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <deque>

class QIODevice;

namespace escpos {

// The side of a Link that lives on the link's thread and owns the device object. Nothing here
// blocks: connecting, writing and waiting for replies run on signals and timers.
class LinkWorker : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinkWorker)

public:
    using Done = std::function<void(opos::DeviceResult)>;
    using QueryDone = std::function<void(QueryResult)>;

    LinkWorker(Address address, LinkOptions options, LinkState& state);
    ~LinkWorker() override;

    void open(int timeoutMs, Done done);
    void close();
    void pump();
    void pumpSoon(); // within a millisecond, so that small writes travel together
    void query(QByteArray request, ReplyKind kind, int count, QDeadlineTimer deadline,
               QueryDone done);
    void updateWatching();

private:
    struct Query
    {
        QByteArray request;
        ReplyKind kind;
        int count;
        QDeadlineTimer deadline;
        QueryDone done;
    };

    void openTcp(int timeoutMs, Done done);
    void attachDevice(QIODevice* device);
    void setConnected(bool connected, const QString& error);
    void onReadyRead();
    void onBytesWritten();
    void onLost(const QString& reason);
    void startNextQuery();
    void finishQuery(QueryResult result);
    void poll();
    void notify(const DeviceStatus& status);

    Address m_address;
    LinkOptions m_options;
    LinkState& m_state;
    QPointer<QIODevice> m_device;
    ReplySorter m_sorter;
    std::deque<Query> m_queries;
    bool m_queryInFlight = false;
    bool m_pollPending = false;
    bool m_autoStatusOn = false;
    QTimer m_queryTimer;
    QTimer m_pollTimer;
    QTimer m_pumpTimer;
};

} // namespace escpos

#pragma once

#include "backends/escpos/Link.h"
#include "backends/escpos/ReadThrottle.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <deque>

namespace escpos {

// The side of a Link that lives on the link's thread and owns the transport. Nothing here
// blocks: connecting, writing and waiting for replies run on signals and timers.
class LinkWorker : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinkWorker)

public:
    using Done = std::function<void(const opos::DeviceResult&)>;
    using Update = ReplyUpdate;

    LinkWorker(Address address, LinkOptions options, TransportFactory factory, LinkState& state,
               std::function<void()> wake);
    ~LinkWorker() override;

    void open(int timeoutMs, Done done);
    void close();
    void pump();
    void pumpSoon(); // within a millisecond, so that small writes travel together
    void query(QByteArray request, Expect expect, QDeadlineTimer deadline, Update update);
    void updateWatching();
    // Reads again after lending the reading to callers (see LinkState).
    void resumeReading();

private:
    struct Query
    {
        Expect expect;
        int timeoutMs = 0;
        QDeadlineTimer deadline;
        QueryResult result;
        Update update;
        QByteArray heard; // the first bytes that came while it waited and were not its answer
        qint64 heardCount = 0;
    };

    bool readBack() const { return m_options.watch != StatusWatch::None; }
    void onOpened();
    void onLost(const QString& reason);
    void dropTransport();
    void endEverything(int32_t code, const QString& reason);
    void setConnected(bool connected, const QString& error);
    void onReadyRead();
    void take(QByteArrayView bytes);
    // The same without entering the requests callers sent meanwhile: for bytes that came before
    // those requests, and so answer none of them.
    void takeArrived(QByteArrayView bytes);
    void pauseReading();
    bool reclaimReading();
    void lendReading();
    void checkLentReading();
    void hear(QByteArrayView bytes);
    void onBytesWritten();
    void assign(QByteArrayView bytes, bool realTime);
    void finishAnswered();
    void expire();
    QString unanswered(const Query& query) const;
    bool resyncDue();
    void resync();
    bool owes(const Expect& expect);
    void send(QByteArray request, Query query);
    void sendHeld();
    void armTimer();
    void takeSent();
    void closeRequests();
    void updateRequests();
    void shutRequests();
    void poll();
    void notify(const DeviceStatus& status);

    Address m_address;
    QString m_key; // the address as traces name it, made once
    LinkOptions m_options;
    TransportFactory m_factory;
    LinkState& m_state;
    std::function<void()> m_wake;
    QPointer<DeviceTransport> m_transport;
    bool m_open = false;
    std::vector<Done> m_opening; // callers waiting for the connection being made
    ReplySorter m_sorter;
    std::deque<Query> m_queries;
    // While the reading is lent, a caller reads its reply; requests sent meanwhile wait here,
    // behind that caller's, until the reading comes back.
    bool m_lent = false;
    int m_holdLending = 0; // while the thread sends, or takes the reading back
    std::deque<Query> m_sentBehind;
    std::vector<SentRequest> m_taken; // keeps its room between turns
    // Replies still owed to requests whose wait ended: they are thrown away when they come. A
    // device that never answers them is forgiven after another time-out, so it is not off by
    // one for ever.
    struct Owed
    {
        int count;
        QDeadlineTimer forgetAt;
    };
    std::deque<Owed> m_owedRealTime;
    // A transmit-status reply confirms output, so one that is owed is never forgiven: the
    // connection is made afresh before the next such request goes out (resync()).
    std::deque<Owed> m_owedTransmit;
    bool m_resyncing = false;
    // Requests waiting for those debts to be paid or forgiven before they go out, in order.
    std::deque<std::pair<QByteArray, Query>> m_held;
    qint64 m_handed = 0; // bytes given to the transport on this connection
    std::deque<std::pair<qint64, Confirmed>> m_writeMarks;
    bool m_pollPending = false;
    bool m_autoStatusOn = false;
    QTimer m_queryTimer;
    QDeadlineTimer m_alarm; // when m_queryTimer fires
    QTimer m_pollTimer;
    QTimer m_pumpTimer;
    ReadThrottle m_throttle;
    QTimer m_readTimer; // ends a pause of reading
    QTimer m_lendTimer; // takes the reading back once callers stop using it
    quint64 m_ownRepliesSeen = 0;
};

} // namespace escpos

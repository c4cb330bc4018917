#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QThread>
#include <functional>
#include <memory>
#include <mutex>

class QTcpServer;

namespace testing {

// A receipt printer on 127.0.0.1 (an ephemeral port) that understands the ESC/POS commands the
// backend sends, answers status requests from a state the test sets, and can go silent or drop
// the connection. It runs on its own thread, so a test may block on the backend meanwhile.
class FakeEscPosPrinter
{
public:
    enum class Paper
    {
        Ok,
        NearEnd,
        Empty
    };

    // One thing the printer did, in order.
    struct Event
    {
        enum class Kind
        {
            Line,
            Init,
            CodeTable,
            Cut,
            Pulse,
            Style,
            AutoStatus,
            Graphic // GS k, GS ( k, GS v 0: the whole command, data included
        };
        Kind kind;
        QByteArray data; // Line: the printed bytes; Style: the whole command
        int a = 0;       // CodeTable: table; Cut: 1 full, 0 partial; Pulse: pin (0/1)
        int b = 0;       // Cut: feed; Pulse: on time units
        int c = 0;       // Pulse: off time units
        friend bool operator==(const Event&, const Event&) = default;
    };

    FakeEscPosPrinter();
    ~FakeEscPosPrinter();
    FakeEscPosPrinter(const FakeEscPosPrinter&) = delete;
    FakeEscPosPrinter& operator=(const FakeEscPosPrinter&) = delete;

    quint16 port() const { return m_port; }
    QString address(const QString& query = {}) const; // tcp://127.0.0.1:PORT[?query]

    void setCoverOpen(bool open);
    void setPaper(Paper paper);
    void setOffline(bool offline);
    void setDrawerHigh(bool high);
    void setPaperRunsOutAfter(int lines); // the paper ends once that many more lines printed
    void setSilent(bool silent);          // received bytes are recorded, nothing is answered
    void setChatty(bool chatty);          // sends status frames without pause
    void holdReplies(bool hold);          // transmit-status replies wait until released
    // Answers the oldest held transmit-status request; returns its number (see
    // transmitRequests()), or 0 when none was held.
    int releaseReply();
    int transmitRequests() const; // transmit-status requests received so far
    void dropConnections();       // closes every client connection
    // Sends bytes nobody asked for to every client; they are with the client's system when
    // this returns (loopback delivers as it is written).
    void sendUnasked(const QByteArray& bytes);
    // Puts bytes nobody asked for in front of the next answer, in the same write, as a late
    // reply that comes just before a fresh one.
    void sendAheadOfNextAnswer(const QByteArray& bytes);
    void stopListening(); // new connections are refused

    QByteArray received() const;
    qint64 receivedCount() const;
    QList<Event> events() const;
    QStringList lines() const;   // printed lines, bytes taken as Latin-1
    int connectionCount() const; // connections accepted so far
    int openConnections() const; // connections open now
    int statusRequests() const;  // DLE EOT requests seen
    void clear();

private:
    class Server;
    void change(const std::function<void()>& edit);
    QThread m_thread;
    Server* m_server;
    quint16 m_port = 0;
};

} // namespace testing

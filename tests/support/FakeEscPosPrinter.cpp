#include "FakeEscPosPrinter.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <atomic>
#include <deque>
#include <utility>

namespace testing {

// Lives on the fake's thread: accepts clients, parses what they send and answers.
class FakeEscPosPrinter::Server : public QObject
{
public:
    struct State
    {
        bool coverOpen = false;
        Paper paper = Paper::Ok;
        bool offline = false;
        bool drawerHigh = false;
        bool silent = false;
        QByteArray aheadOfNextAnswer;
    };

    Server() : m_server(this)
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                accept(socket);
        });
    }

    quint16 listen()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        return m_server.serverPort();
    }

    mutable std::mutex mutex;
    State state;
    QByteArray received;
    QList<Event> events;
    int connections = 0;
    int statusRequests = 0;
    int linesBeforePaperOut = -1;
    bool repliesHeld = false; // transmit-status replies wait for releaseReply()
    int transmitRequests = 0; // transmit-status requests received, on every connection

    void changed()
    {
        std::lock_guard lock(mutex);
        for (QTcpSocket* socket : std::as_const(m_clients)) {
            if (state.silent)
                continue;
            if (m_autoStatus)
                socket->write(autoStatusFrame());
            if (!blocked()) {
                events += std::exchange(m_heldEvents, {});
                if (!repliesHeld)
                    socket->write(QByteArray(takeHeld(socket), transmitReply()));
            }
        }
    }

    // Answers the oldest held request on the connection it came on; says which request it was
    // (counted from 1 over all connections), 0 when none was held.
    int releaseOne()
    {
        std::lock_guard lock(mutex);
        if (m_heldReplies.empty() || blocked())
            return 0;
        const auto [socket, request] = m_heldReplies.front();
        m_heldReplies.pop_front();
        socket->write(QByteArray(1, transmitReply()));
        return request;
    }

    void dropAll()
    {
        const auto clients = m_clients;
        for (QTcpSocket* socket : clients)
            socket->abort();
    }

    void stop() { m_server.close(); }
    int openClients() const { return m_open; }
    bool chatty = false;
    // A chatty printer sends automatic status frames without pause, about 256 kB a second.
    void chatter(QTcpSocket* socket)
    {
        if (!chatty || socket->state() != QAbstractSocket::ConnectedState)
            return;
        if (socket->bytesToWrite() == 0)
            socket->write(QByteArray(256, '\x10'));
        QTimer::singleShot(1, socket, [this, socket] { chatter(socket); });
    }

private:
    void accept(QTcpSocket* socket)
    {
        m_clients.append(socket);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        ++m_open;
        {
            std::lock_guard lock(mutex);
            ++connections;
        }
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { consume(socket); });
        chatter(socket);
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            --m_open;
            m_clients.removeAll(socket);
            socket->deleteLater();
            // Replies owed on a closed connection have nowhere to go.
            std::lock_guard lock(mutex);
            takeHeld(socket);
        });
    }

    // Drops the replies held for one connection, and says how many there were.
    int takeHeld(QTcpSocket* socket)
    {
        const auto count = std::erase_if(
            m_heldReplies, [socket](const auto& held) { return held.first == socket; });
        return static_cast<int>(count);
    }

    bool blocked() const { return state.coverOpen || state.paper == Paper::Empty || state.offline; }

    char statusByte(int n) const
    {
        int value = 0x12;
        if (n == 1)
            value |= (state.drawerHigh ? 0x04 : 0) | (blocked() ? 0x08 : 0);
        else if (n == 2)
            value |= (state.coverOpen ? 0x04 : 0) | (state.paper == Paper::Empty ? 0x20 : 0) |
                     (state.offline ? 0x40 : 0);
        else if (n == 4)
            value |= state.paper == Paper::Empty ? 0x6C : state.paper == Paper::NearEnd ? 0x0C : 0;
        return static_cast<char>(value);
    }

    char transmitReply() const
    {
        return static_cast<char>(state.paper == Paper::Empty     ? 0x0F
                                 : state.paper == Paper::NearEnd ? 0x03
                                                                 : 0x00);
    }

    QByteArray autoStatusFrame() const
    {
        QByteArray frame(4, '\0');
        frame[0] = static_cast<char>(0x10 | (state.drawerHigh ? 0x04 : 0) | (blocked() ? 0x08 : 0) |
                                     (state.coverOpen ? 0x20 : 0));
        frame[1] = static_cast<char>(state.offline ? 0x40 : 0);
        frame[2] = static_cast<char>(state.paper == Paper::Empty     ? 0x0F
                                     : state.paper == Paper::NearEnd ? 0x03
                                                                     : 0);
        return frame;
    }

    // Parses every complete command in the pending bytes; an incomplete one waits for more.
    void consume(QTcpSocket* socket)
    {
        const QByteArray bytes = socket->readAll();
        std::lock_guard lock(mutex);
        received += bytes;
        m_pending += bytes;
        m_current = socket;
        QByteArray reply;
        qsizetype i = 0;
        const auto need = [&](qsizetype n) { return i + n <= m_pending.size(); };
        const auto at = [&](qsizetype k) { return static_cast<uint8_t>(m_pending[i + k]); };
        while (i < m_pending.size()) {
            const uint8_t c = at(0);
            if (c == 0x10 && need(2) && at(1) == 0x04) {
                if (!need(3))
                    break;
                ++statusRequests;
                reply += statusByte(at(2));
                i += 3;
            } else if (c == 0x10 && need(2) && at(1) == 0x14) {
                if (!need(5))
                    break;
                events.append({Event::Kind::Pulse, {}, at(3), at(4), 0});
                i += 5;
            } else if (c == 0x1B || c == 0x1D || c == 0x10) {
                const qsizetype used = command(i, reply);
                if (used == 0)
                    break;
                i += used;
            } else if (c == 0x0A) {
                // A printer that cannot print keeps the line and prints it once it can.
                (blocked() ? m_heldEvents : events).append({Event::Kind::Line, m_line});
                m_line.clear();
                if (--linesBeforePaperOut == 0)
                    state.paper = Paper::Empty;
                ++i;
            } else {
                m_line += static_cast<char>(c);
                ++i;
            }
        }
        m_pending.remove(0, i);
        if (!state.silent && !reply.isEmpty()) {
            reply.prepend(std::exchange(state.aheadOfNextAnswer, {}));
            // Out now, as a printer answers, not on the next turn of this thread's loop.
            socket->write(reply);
            socket->flush();
        }
    }

    // One ESC, GS or DLE command at `start` of m_pending: its length, 0 while incomplete.
    qsizetype command(qsizetype start, QByteArray& reply)
    {
        const auto size = m_pending.size() - start;
        if (size < 2)
            return 0;
        const auto at = [&](qsizetype k) { return static_cast<uint8_t>(m_pending[start + k]); };
        const uint8_t prefix = at(0);
        const uint8_t code = at(1);
        if (prefix == 0x1B && code == '@') {
            events.append({Event::Kind::Init, {}});
            return 2;
        }
        if (prefix == 0x1B && (code == 'i' || code == 'm')) {
            events.append({Event::Kind::Cut, {}, code == 'i' ? 1 : 0, -1, 0});
            return 2;
        }
        if (prefix == 0x1B && code == 'p') {
            if (size < 5)
                return 0;
            events.append({Event::Kind::Pulse, {}, at(2), at(3), at(4)});
            return 5;
        }
        if (prefix == 0x1D && code == 'V') {
            if (size < 3)
                return 0;
            const uint8_t m = at(2);
            if (m == 'A' || m == 'B') {
                if (size < 4)
                    return 0;
                (blocked() ? m_heldEvents : events)
                    .append({Event::Kind::Cut, {}, m == 'A' ? 1 : 0, at(3), 0});
                return 4;
            }
            events.append({Event::Kind::Cut, {}, (m == 0 || m == '0') ? 1 : 0, -1, 0});
            return 3;
        }
        if (const qsizetype graphic = graphicLength(start); graphic != 0)
            return std::max<qsizetype>(graphic, 0); // 0: wait for the rest
        if (size < 3)
            return 0;
        const uint8_t n = at(2);
        if (prefix == 0x1B && code == 't') {
            events.append({Event::Kind::CodeTable, {}, n});
        } else if (prefix == 0x1D && code == 'r') {
            if (state.silent)
                return 3;
            ++transmitRequests;
            if (blocked() || repliesHeld) {
                // Answered once the printer can go on, or when released.
                m_heldReplies.emplace_back(m_current, transmitRequests);
            } else {
                reply += transmitReply();
            }
        } else if (prefix == 0x1D && code == 'a') {
            m_autoStatus = n != 0;
            events.append({Event::Kind::AutoStatus, {}, n});
            if (m_autoStatus && !state.silent)
                reply += autoStatusFrame();
        } else {
            events.append({Event::Kind::Style, m_pending.mid(start, 3)});
        }
        return 3;
    }

    // A barcode, 2D symbol or raster image command with its data (GS L too, as a style): its
    // length once it is complete, -1 while it is not, 0 for any other command.
    qsizetype graphicLength(qsizetype start)
    {
        const auto size = m_pending.size() - start;
        const auto at = [&](qsizetype k) { return static_cast<uint8_t>(m_pending[start + k]); };
        if (at(0) != 0x1D)
            return 0;
        qsizetype length = 0;
        const uint8_t code = at(1);
        if (code == 'L') {
            if (size < 4)
                return -1;
            events.append({Event::Kind::Style, m_pending.mid(start, 4)});
            return 4;
        }
        if (code == 'k')
            length = size < 4 ? -1 : 4 + at(3);
        else if (code == '(' && size >= 3 && at(2) == 'k')
            length = size < 5 ? -1 : 5 + at(3) + 256 * at(4);
        else if (code == 'v' && size >= 3 && at(2) == '0')
            length = size < 8 ? -1 : 8 + qsizetype(at(4) + 256 * at(5)) * (at(6) + 256 * at(7));
        else
            return 0;
        if (length < 0 || size < length)
            return -1;
        (blocked() ? m_heldEvents : events)
            .append({Event::Kind::Graphic, m_pending.mid(start, length)});
        return length;
    }

    QTcpServer m_server;
    QList<QTcpSocket*> m_clients;
    std::atomic<int> m_open = 0;
    QByteArray m_pending;
    QByteArray m_line;
    QTcpSocket* m_current = nullptr; // the connection whose bytes are being parsed
    std::deque<std::pair<QTcpSocket*, int>> m_heldReplies; // oldest first
    QList<Event> m_heldEvents;
    bool m_autoStatus = false;
};

FakeEscPosPrinter::FakeEscPosPrinter() : m_server(new Server)
{
    m_server->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_server, [this] { return m_server->listen(); }, Qt::BlockingQueuedConnection, &m_port);
}

FakeEscPosPrinter::~FakeEscPosPrinter()
{
    QMetaObject::invokeMethod(
        m_server,
        [server = m_server] {
            server->dropAll();
            server->stop();
            server->deleteLater();
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void FakeEscPosPrinter::sendUnasked(const QByteArray& bytes)
{
    QMetaObject::invokeMethod(
        m_server,
        [this, bytes] {
            for (QTcpSocket* socket : m_server->findChildren<QTcpSocket*>()) {
                socket->write(bytes);
                socket->flush();
            }
        },
        Qt::BlockingQueuedConnection);
}

// Changes the printer's state and tells the connected clients what they would hear.
void FakeEscPosPrinter::change(const std::function<void()>& edit)
{
    {
        std::lock_guard lock(m_server->mutex);
        edit();
    }
    QMetaObject::invokeMethod(
        m_server, [this] { m_server->changed(); }, Qt::BlockingQueuedConnection);
}

QString FakeEscPosPrinter::address(const QString& query) const
{
    QString text = QStringLiteral("tcp://127.0.0.1:%1").arg(m_port);
    if (!query.isEmpty())
        text += QLatin1Char('?') + query;
    return text;
}

void FakeEscPosPrinter::setCoverOpen(bool open)
{
    change([this, open] { m_server->state.coverOpen = open; });
}

void FakeEscPosPrinter::setPaper(Paper paper)
{
    change([this, paper] { m_server->state.paper = paper; });
}

void FakeEscPosPrinter::setOffline(bool offline)
{
    change([this, offline] { m_server->state.offline = offline; });
}

void FakeEscPosPrinter::setDrawerHigh(bool high)
{
    change([this, high] { m_server->state.drawerHigh = high; });
}

void FakeEscPosPrinter::setPaperRunsOutAfter(int lines)
{
    std::lock_guard lock(m_server->mutex);
    m_server->linesBeforePaperOut = lines;
}

void FakeEscPosPrinter::setSilent(bool silent)
{
    std::lock_guard lock(m_server->mutex);
    m_server->state.silent = silent;
}

void FakeEscPosPrinter::sendAheadOfNextAnswer(const QByteArray& bytes)
{
    std::lock_guard lock(m_server->mutex);
    m_server->state.aheadOfNextAnswer = bytes;
}

void FakeEscPosPrinter::setChatty(bool chatty)
{
    {
        std::lock_guard lock(m_server->mutex);
        m_server->chatty = chatty;
    }
    QMetaObject::invokeMethod(
        m_server,
        [this] {
            for (QTcpSocket* socket : m_server->findChildren<QTcpSocket*>())
                m_server->chatter(socket);
        },
        Qt::BlockingQueuedConnection);
}

int FakeEscPosPrinter::openConnections() const
{
    return m_server->openClients();
}

void FakeEscPosPrinter::holdReplies(bool hold)
{
    change([this, hold] { m_server->repliesHeld = hold; });
}

int FakeEscPosPrinter::releaseReply()
{
    int request = 0;
    QMetaObject::invokeMethod(
        m_server, [this, &request] { request = m_server->releaseOne(); },
        Qt::BlockingQueuedConnection);
    return request;
}

int FakeEscPosPrinter::transmitRequests() const
{
    std::lock_guard lock(m_server->mutex);
    return m_server->transmitRequests;
}

void FakeEscPosPrinter::dropConnections()
{
    QMetaObject::invokeMethod(
        m_server, [this] { m_server->dropAll(); }, Qt::BlockingQueuedConnection);
}

void FakeEscPosPrinter::stopListening()
{
    QMetaObject::invokeMethod(
        m_server, [this] { m_server->stop(); }, Qt::BlockingQueuedConnection);
}

QByteArray FakeEscPosPrinter::received() const
{
    std::lock_guard lock(m_server->mutex);
    return m_server->received;
}

qint64 FakeEscPosPrinter::receivedCount() const
{
    std::lock_guard lock(m_server->mutex);
    return m_server->received.size();
}

QList<FakeEscPosPrinter::Event> FakeEscPosPrinter::events() const
{
    std::lock_guard lock(m_server->mutex);
    return m_server->events;
}

QStringList FakeEscPosPrinter::lines() const
{
    QStringList lines;
    for (const Event& event : events()) {
        if (event.kind == Event::Kind::Line)
            lines.append(QString::fromLatin1(event.data));
    }
    return lines;
}

int FakeEscPosPrinter::connectionCount() const
{
    std::lock_guard lock(m_server->mutex);
    return m_server->connections;
}

int FakeEscPosPrinter::statusRequests() const
{
    std::lock_guard lock(m_server->mutex);
    return m_server->statusRequests;
}

void FakeEscPosPrinter::clear()
{
    std::lock_guard lock(m_server->mutex);
    m_server->received.clear();
    m_server->events.clear();
    m_server->statusRequests = 0;
}

} // namespace testing

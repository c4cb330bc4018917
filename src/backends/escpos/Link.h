#pragma once

#include "backends/escpos/DeviceSettings.h"
#include "backends/escpos/DeviceStatus.h"
#include "opos/PrinterBackend.h"

#include <QByteArray>
#include <QThread>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>

namespace escpos {

class LinkWorker;

struct QueryResult
{
    int32_t code = 0;
    QString text;
    QByteArray replies;
    bool ok() const { return code == 0; }
};

struct LinkOptions
{
    StatusWatch watch = StatusWatch::Poll;
    int pollMs = 500;
    int statusMs = 1000;
};

using StatusWatcher = std::function<void(const DeviceStatus&)>;

// What a Link and its worker share across threads.
struct LinkState
{
    std::mutex mutex;
    std::condition_variable changed;
    bool connected = false;
    QString lastError;
    QByteArray out; // queued for the device, not yet handed to it
    bool pumpScheduled = false;
    qint64 backlog = 0; // handed to the device object, not yet written to the system
    int users = 0;
    quint64 aborts = 0; // counts abortOutput() calls, so waiting writers notice one

    std::mutex watchMutex; // held while watchers are called, so removal waits for them
    std::map<int, StatusWatcher> watchers;
    int nextWatcher = 1;
};

// One connection to a physical device, shared by every backend that uses it (a printer and the
// drawer on its kick-out port). The socket or port lives on the link's own thread; callers on
// any thread make bounded hops to it, so a dead device costs at most the caller's time-out.
class Link
{
public:
    Link(Address address, LinkOptions options);
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    const Address& address() const { return m_address; }

    // A user starts using the connection: connects when it is not yet (E_NOHARDWARE when the
    // device cannot be reached in time). detach() closes it when the last user leaves.
    opos::DeviceResult attach(int timeoutMs);
    void detach();
    // Connects again after the connection was lost; success when it is up.
    opos::DeviceResult reconnect(int timeoutMs);
    bool isConnected() const;

    // Queues bytes behind everything queued before; waits only while much is queued already.
    opos::DeviceResult write(QByteArrayView bytes, int timeoutMs);
    // Waits until everything queued has been handed to the system.
    opos::DeviceResult flush(int timeoutMs);
    // Drops output not yet handed to the system and ends every wait in write() and flush()
    // with E_FAILURE. Callable from any thread, also while another thread waits.
    void abortOutput();
    // Sends a request behind the queued output and waits for `count` replies of the kind:
    // E_TIMEOUT when they do not come in time, E_OFFLINE without a connection.
    QueryResult query(QByteArray request, ReplyKind kind, int count, int timeoutMs);

    // Watchers hear every status the link learns while connected (polled or sent by the
    // device), and an unanswered status when the device goes silent or away. They are called
    // on the link's thread.
    int addWatcher(StatusWatcher watcher);
    void removeWatcher(int id);

private:
    opos::DeviceResult connectDevice(int timeoutMs);
    void closeDevice();
    void postPump(bool soon);
    void updateWatching();

    Address m_address;
    mutable LinkState m_state;
    QThread m_thread;
    LinkWorker* m_worker;
};

} // namespace escpos

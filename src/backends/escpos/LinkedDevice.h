#pragma once

#include "backends/escpos/DeviceSettings.h"
#include "backends/escpos/Link.h"

#include <QDeadlineTimer>
#include <memory>

class QThread;

namespace escpos {

class LinkPool;

// How a device call waits. A synchronous call is the user's: it waits through the control
// object's waiter, which a window may show and the user cancel. An asynchronous one comes from
// the output worker and waits on the link's plain blocking waiter. The control layer says which
// with each output call.
using CallMode = opos::OutputMode;

// What the ESC/POS backends share: their settings, the link they hold while open, taking it
// for a claim and giving it back, and making the connection again after it was lost.
class LinkedDevice
{
public:
    LinkedDevice(QString name, DeviceSettings settings, std::shared_ptr<LinkPool> pool);
    ~LinkedDevice();
    LinkedDevice(const LinkedDevice&) = delete;
    LinkedDevice& operator=(const LinkedDevice&) = delete;

    const QString& name() const { return m_name; }
    const DeviceSettings& settings() const { return m_settings; }
    Link* link() const { return m_link.get(); }
    bool attached() const { return m_attached; }

    // Open: takes the link (not yet connected).
    void open(const LinkOptions& options);
    // Close: gives everything back at once.
    void close();
    // Connects for a claim, a synchronous call: at most the claim's time-out, and at most
    // connectTimeout.
    opos::DeviceResult attach(int32_t claimTimeoutMs);
    void detach();
    // The connection, made once more within the deadline if it was lost.
    opos::DeviceResult connected(QDeadlineTimer deadline, CallMode mode);

    opos::Waiter& waiter(CallMode mode) const;
    // Why a status request failed: the advice for a device that said nothing at all, else what
    // the link found (what came instead of the answer, a flood, a lost connection).
    QString noStatus(const QueryResult& reply) const;
    opos::DeviceResult notOpen() const;

private:
    QString m_name;
    DeviceSettings m_settings;
    std::shared_ptr<LinkPool> m_pool;
    std::shared_ptr<Link> m_link;
    bool m_attached = false;
};

} // namespace escpos

#include "backends/escpos/EscPosPrinter.h"

#include "backends/escpos/EscPosTranslator.h"
#include "backends/escpos/Link.h"
#include "backends/escpos/LinkPool.h"
#include "opos/OposConstants.h"

#include <QThread>

namespace escpos {

namespace {

using opos::DeviceResult;

// What the printer's status means for output about to be sent.
DeviceResult outputCondition(const DeviceStatus& status)
{
    if (!status.answered)
        return {opos::OPOS_E_OFFLINE, 0,
                QStringLiteral("the printer does not answer (switched off or gone)")};
    if (status.coverOpen)
        return {opos::OPOS_E_EXTENDED, opos::OPOS_EPTR_COVER_OPEN,
                QStringLiteral("The printer cover is open")};
    if (status.paperEnd || status.paperEndStop)
        return {opos::OPOS_E_EXTENDED, opos::OPOS_EPTR_REC_EMPTY,
                QStringLiteral("The receipt paper is out")};
    if (status.offline || status.error)
        return {opos::OPOS_E_OFFLINE, 0, QStringLiteral("The printer is offline")};
    return {};
}

DeviceResult outputCondition(const opos::PrinterStatus& status)
{
    DeviceStatus device;
    device.answered = status.power != opos::PowerState::OffOffline;
    device.coverOpen = status.coverOpen;
    device.paperEnd = status.receiptPaper == opos::PaperState::Empty;
    device.offline = status.power != opos::PowerState::Online;
    return outputCondition(device);
}

} // namespace

EscPosPrinter::EscPosPrinter(QString name, DeviceSettings settings, std::shared_ptr<LinkPool> pool)
    : m_device(std::move(name), std::move(settings), std::move(pool)),
      m_settings(m_device.settings()), m_lineChars(m_settings.printer.lineCharsList.value(0, 48)),
      m_encoder(m_settings.printer.characterSet), m_translator(m_settings.printer.cutFeed)
{}

EscPosPrinter::~EscPosPrinter()
{
    close();
}

void EscPosPrinter::setListener(opos::PrinterBackendListener* listener)
{
    std::lock_guard lock(m_notifyMutex);
    m_listener = listener;
}

DeviceResult EscPosPrinter::open()
{
    const Timeouts& t = m_settings.timeouts;
    m_device.open({m_settings.printer.watch, t.pollMs, t.statusMs, t.connectMs});
    return {};
}

void EscPosPrinter::close()
{
    release();
    m_device.close();
}

DeviceResult EscPosPrinter::claim(int32_t timeoutMs)
{
    return m_device.attach(timeoutMs);
}

void EscPosPrinter::release()
{
    disable();
    m_device.detach();
}

QByteArray EscPosPrinter::initialisation() const
{
    QByteArray init = cmd::initialise();
    init += cmd::codeTable(m_settings.printer.codeTables.value(m_encoder.characterSet()));
    init += cmd::font(m_lineChars > m_settings.printer.lineCharsList.value(0, 48));
    return init;
}

DeviceResult EscPosPrinter::enable()
{
    if (!m_device.attached())
        return {opos::OPOS_E_NOTCLAIMED, 0, QStringLiteral("The printer is not claimed")};
    const QDeadlineTimer deadline(m_settings.timeouts.jobMs);
    QByteArray init;
    if (const DeviceResult up = ready(deadline, init, CallMode::Synchronous); !up.ok())
        return up;
    Link& link = *m_device.link();
    if (watching()) {
        // Initialise and ask for the status in one exchange; silence within statusTimeout
        // most likely means a printer that cannot answer.
        const QueryResult reply =
            link.query(init + statusRequest(), {3, 0},
                       std::min(deadline, QDeadlineTimer(m_settings.timeouts.statusMs)),
                       m_device.waiter(CallMode::Synchronous));
        if (!reply.ok()) {
            if (reply.code == opos::OPOS_E_TIMEOUT && reply.failure != ReplyFailure::Cancelled)
                return {opos::OPOS_E_TIMEOUT, 0, m_device.noStatus(reply)};
            return {reply.code, 0, reply.text};
        }
        const auto& r = reply.realTime;
        applyStatus(decodeRealTime(static_cast<uint8_t>(r[0]), static_cast<uint8_t>(r[1]),
                                   static_cast<uint8_t>(r[2])),
                    false);
    } else {
        const DeviceResult result =
            link.send(init, deadline, m_device.waiter(CallMode::Synchronous));
        if (!result.ok())
            return result;
        DeviceStatus assumed;
        assumed.answered = true;
        applyStatus(assumed, false);
    }
    m_enabled = true;
    if (watching() && m_watcher == 0) {
        m_watcher = link.addWatcher([this, &link](const DeviceStatus& s) {
            applyStatus(s, true);
            link.wakeAll(); // a line waiting for its confirmation learns why it may not come
        });
    }
    return {};
}

void EscPosPrinter::disable()
{
    m_enabled = false;
    if (m_watcher != 0 && m_device.link())
        m_device.link()->removeWatcher(m_watcher);
    m_watcher = 0;
}

opos::PrinterStatus EscPosPrinter::status()
{
    std::lock_guard lock(m_statusMutex);
    return m_status;
}

// The connection, made again once if it was lost; a printer that starts afresh (first use,
// or back after a power cycle) is initialised before the next output.
DeviceResult EscPosPrinter::ready(QDeadlineTimer deadline, QByteArray& prefix, CallMode mode)
{
    if (!m_device.link())
        return m_device.notOpen();
    if (const DeviceResult up = m_device.connected(deadline, mode); !up.ok())
        return {up.code == opos::OPOS_E_TIMEOUT ? up.code : opos::OPOS_E_OFFLINE, 0,
                QStringLiteral("the printer cannot be reached: %1").arg(up.text)};
    const quint64 epoch = m_device.link()->epoch();
    if (epoch != m_initialised) {
        m_initialised = epoch;
        m_translator.reset();
        prefix = initialisation();
    }
    return {};
}

DeviceResult EscPosPrinter::print(int32_t station, const QString& data, opos::OutputMode mode)
{
    if (station != opos::PTR_S_RECEIPT)
        return DeviceResult::illegal(QStringLiteral("The printer has only the receipt station"));
    const QDeadlineTimer deadline(m_settings.timeouts.jobMs);
    QByteArray bytes;
    if (const DeviceResult up = ready(deadline, bytes, mode); !up.ok())
        return up;
    bytes += m_translator.translate(data, m_encoder);
    return output(bytes, deadline, mode);
}

DeviceResult EscPosPrinter::cutPaper(int32_t percentage, opos::OutputMode mode)
{
    const QDeadlineTimer deadline(m_settings.timeouts.jobMs);
    QByteArray bytes;
    if (const DeviceResult up = ready(deadline, bytes, mode); !up.ok())
        return up;
    bytes += cmd::cut(percentage == 100, m_settings.printer.cutFeed);
    return output(bytes, deadline, mode);
}

DeviceResult EscPosPrinter::directIO(int32_t command, int32_t* data, QString* text)
{
    const QDeadlineTimer deadline(command == 2 ? m_settings.timeouts.statusMs
                                               : m_settings.timeouts.jobMs);
    if (command == 1) {
        QByteArray bytes;
        const QString raw = text ? *text : QString();
        for (const QChar c : raw) {
            if (c.unicode() > 0xFF)
                return DeviceResult::illegal(
                    QStringLiteral("DirectIO 1 sends bytes; U+%1 is not a byte")
                        .arg(c.unicode(), 4, 16, QLatin1Char('0')));
            bytes.append(static_cast<char>(c.unicode()));
        }
        QByteArray prefix;
        if (const DeviceResult up = ready(deadline, prefix, CallMode::Synchronous); !up.ok())
            return up;
        return m_device.link()->send(QByteArray(prefix + bytes), deadline,
                                     m_device.waiter(CallMode::Synchronous));
    }
    if (command == 2) {
        if (!data || *data < 1 || *data > 255)
            return DeviceResult::illegal(
                QStringLiteral("DirectIO 2 needs a status number from 1 to 255 in Data"));
        QByteArray prefix;
        if (const DeviceResult up = ready(deadline, prefix, CallMode::Synchronous); !up.ok())
            return up;
        const QueryResult reply =
            m_device.link()->query(prefix + cmd::realTimeStatus(*data), {1, 0}, deadline,
                                   m_device.waiter(CallMode::Synchronous));
        if (!reply.ok())
            return {reply.code, 0, m_device.noStatus(reply)};
        *data = static_cast<uint8_t>(reply.realTime[0]);
        return {};
    }
    return DeviceResult::illegal(
        QStringLiteral("DirectIO command %1 is unknown (1: raw bytes, 2: status)").arg(command));
}

void EscPosPrinter::abortOutput()
{
    if (m_device.link())
        m_device.link()->abortOutput();
}

void EscPosPrinter::confirmOutput(std::function<void(const DeviceResult&)> done)
{
    if (!m_device.link()) {
        done(m_device.notOpen());
        return;
    }
    m_device.link()->confirm(m_settings.timeouts.jobMs, std::move(done));
}

DeviceResult EscPosPrinter::output(const QByteArray& bytes, QDeadlineTimer deadline, CallMode mode)
{
    Link& link = *m_device.link();
    const bool sync = mode == CallMode::Synchronous;
    // What the printer last said about itself; a bad state is asked again before refusing.
    DeviceResult before = outputCondition(status());
    if (!before.ok() && sync && watching())
        before = liveCheck(deadline);
    if (!before.ok())
        return before;
    if (sync && watching())
        return exchange(bytes, deadline);
    const DeviceResult written = link.write(bytes, deadline, m_device.waiter(mode));
    if (!written.ok() || !sync)
        return written;
    return link.flush(deadline, m_device.waiter(mode));
}

// One round trip for a synchronous line: the real-time status (answered at once), the line,
// and a transmit-status request that the printer answers only after the line.
DeviceResult EscPosPrinter::exchange(const QByteArray& bytes, QDeadlineTimer deadline)
{
    const auto decoded = [](const QueryResult& r) {
        return decodeRealTime(static_cast<uint8_t>(r.realTime[0]),
                              static_cast<uint8_t>(r.realTime[1]),
                              static_cast<uint8_t>(r.realTime[2]));
    };
    const QueryResult reply = m_device.link()->query(
        statusRequest() + bytes + cmd::transmitPaperStatus(), {3, 1}, deadline,
        m_device.waiter(CallMode::Synchronous), [&](const QueryResult& r) {
            return r.realTime.size() >= 3 && !outputCondition(decoded(r)).ok();
        });
    if (reply.realTime.size() >= 3) {
        const DeviceStatus now = decoded(reply);
        DeviceResult condition = outputCondition(now);
        if (condition.ok())
            condition = outputCondition(status()); // changed while the line was printing
        else
            applyStatus(now, true);
        if (!condition.ok() && !reply.ok()) {
            condition.text += QStringLiteral("; the printer holds the line and may print it once "
                                             "it is ready");
            return condition;
        }
    }
    if (reply.ok())
        return {};
    if (reply.code != opos::OPOS_E_TIMEOUT)
        return {reply.code, 0, QStringLiteral("%1; the line may not have printed").arg(reply.text)};
    if (reply.failure == ReplyFailure::Cancelled)
        return {reply.code, 0, reply.text + QStringLiteral("; the line may still print")};
    if (reply.failure == ReplyFailure::NotSent)
        return {opos::OPOS_E_TIMEOUT, 0, reply.text};
    if (reply.realTime.size() < 3) {
        applyStatus({}, true);
        return {opos::OPOS_E_TIMEOUT, 0, m_device.noStatus(reply)};
    }
    return {opos::OPOS_E_TIMEOUT, 0,
            QStringLiteral("the printer did not confirm the line within %1 ms; it may still print")
                .arg(m_settings.timeouts.jobMs)};
}

DeviceResult EscPosPrinter::liveCheck(QDeadlineTimer deadline)
{
    const QueryResult reply = m_device.link()->query(
        statusRequest(), {3, 0}, std::min(deadline, QDeadlineTimer(m_settings.timeouts.statusMs)),
        m_device.waiter(CallMode::Synchronous));
    if (!reply.ok()) {
        if (reply.code == opos::OPOS_E_TIMEOUT) {
            applyStatus({}, true);
            return {reply.code, 0, m_device.noStatus(reply)};
        }
        return {reply.code, 0, reply.text};
    }
    const auto& r = reply.realTime;
    const DeviceStatus status = decodeRealTime(
        static_cast<uint8_t>(r[0]), static_cast<uint8_t>(r[1]), static_cast<uint8_t>(r[2]));
    applyStatus(status, true);
    return outputCondition(status);
}

opos::PrinterStatus EscPosPrinter::toPrinterStatus(const DeviceStatus& s) const
{
    opos::PrinterStatus status;
    status.coverOpen = s.coverOpen;
    status.receiptPaper = s.paperEnd || s.paperEndStop ? opos::PaperState::Empty
                          : s.paperNearEnd             ? opos::PaperState::NearEnd
                                                       : opos::PaperState::Ok;
    // Cover and paper explain an offline printer on their own; only an unexplained offline
    // state is reported as power offline.
    if (!s.answered)
        status.power = opos::PowerState::OffOffline;
    else if ((s.offline || s.error) && !s.coverOpen &&
             status.receiptPaper != opos::PaperState::Empty)
        status.power = opos::PowerState::Offline;
    status.drawerOpen = s.drawerHigh == m_settings.drawer.openWhenHigh;
    return status;
}

void EscPosPrinter::applyStatus(const DeviceStatus& device, bool notify)
{
    std::lock_guard notifyLock(m_notifyMutex);
    opos::PrinterStatus status;
    {
        std::lock_guard lock(m_statusMutex);
        status = toPrinterStatus(device);
        if (!device.answered) {
            // Silence says nothing about cover or paper: keep what was last known.
            status.coverOpen = m_status.coverOpen;
            status.receiptPaper = m_status.receiptPaper;
            status.drawerOpen = m_status.drawerOpen;
        }
        if (status == m_status)
            return;
        m_status = status;
    }
    if (notify && m_enabled && m_listener)
        m_listener->statusChanged(status);
}

} // namespace escpos

#include "backends/escpos/EscPosPrinter.h"

#include "backends/escpos/EscPosTranslator.h"
#include "backends/escpos/Link.h"
#include "backends/escpos/LinkPool.h"
#include "opos/OposConstants.h"

#include <QStringList>
#include <QThread>

namespace escpos {

namespace {

using opos::DeviceResult;

DeviceResult illegal(const QString& why)
{
    return {opos::OPOS_E_ILLEGAL, 0, why};
}

DeviceResult fromQuery(const QueryResult& result)
{
    return {result.code, 0, result.text};
}

// What the printer's status means for output about to be sent.
DeviceResult outputCondition(const DeviceStatus& status)
{
    if (!status.answered)
        return {opos::OPOS_E_TIMEOUT, 0,
                QStringLiteral("The printer did not answer its status request")};
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

QString joinNumbers(const QList<int>& numbers)
{
    QStringList texts;
    for (const int n : numbers)
        texts.append(QString::number(n));
    return texts.join(QLatin1Char(','));
}

} // namespace

EscPosPrinter::EscPosPrinter(QString name, DeviceSettings settings, std::shared_ptr<LinkPool> pool)
    : m_name(std::move(name)), m_settings(std::move(settings)), m_pool(std::move(pool)),
      m_lineChars(m_settings.printer.lineCharsList.value(0, 48)),
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
    if (!m_link) {
        const Timeouts& t = m_settings.timeouts;
        m_link =
            m_pool->acquire(m_settings.address, {m_settings.printer.watch, t.pollMs, t.statusMs});
    }
    m_syncThread = QThread::currentThread();
    return {};
}

void EscPosPrinter::close()
{
    release();
    m_link.reset();
}

DeviceResult EscPosPrinter::claim(int32_t)
{
    if (!m_link)
        return {opos::OPOS_E_CLOSED, 0, QStringLiteral("The printer is not open")};
    if (m_claimed)
        return {};
    const DeviceResult result = m_link->attach(m_settings.timeouts.connectMs);
    m_claimed = result.ok();
    return result;
}

void EscPosPrinter::release()
{
    disable();
    if (m_claimed && m_link)
        m_link->detach();
    m_claimed = false;
}

DeviceResult EscPosPrinter::enable()
{
    if (!m_claimed)
        return {opos::OPOS_E_NOTCLAIMED, 0, QStringLiteral("The printer is not claimed")};
    const Timeouts& t = m_settings.timeouts;
    if (!m_link->isConnected()) {
        const DeviceResult reconnected = m_link->reconnect(t.connectMs);
        if (!reconnected.ok())
            return reconnected;
    }
    QByteArray init = cmd::initialise();
    init += cmd::codeTable(m_settings.printer.codeTables.value(m_encoder.characterSet()));
    init += cmd::font(m_lineChars > m_settings.printer.lineCharsList.value(0, 48));
    DeviceResult result = m_link->write(init, t.jobMs);
    if (!result.ok())
        return result;
    m_translator.reset();
    if (watching()) {
        const QueryResult reply =
            m_link->query(statusRequest(), ReplyKind::RealTime, 3, t.statusMs);
        if (!reply.ok())
            return {
                opos::OPOS_E_OFFLINE, 0,
                QStringLiteral("The printer did not answer a status request: %1").arg(reply.text)};
        const auto& r = reply.replies;
        applyStatus(decodeRealTime(static_cast<uint8_t>(r[0]), static_cast<uint8_t>(r[1]),
                                   static_cast<uint8_t>(r[2])),
                    false);
    } else {
        result = m_link->flush(t.jobMs);
        if (!result.ok())
            return result;
        DeviceStatus assumed;
        assumed.answered = true;
        applyStatus(assumed, false);
    }
    m_enabled = true;
    if (watching() && m_watcher == 0)
        m_watcher = m_link->addWatcher([this](const DeviceStatus& s) { applyStatus(s, true); });
    return {};
}

void EscPosPrinter::disable()
{
    m_enabled = false;
    if (m_watcher != 0 && m_link)
        m_link->removeWatcher(m_watcher);
    m_watcher = 0;
}

opos::PrinterStatus EscPosPrinter::status()
{
    std::lock_guard lock(m_statusMutex);
    return m_status;
}

DeviceResult EscPosPrinter::print(int32_t station, const QString& data)
{
    if (station != opos::PTR_S_RECEIPT)
        return illegal(QStringLiteral("The printer has only the receipt station"));
    return output(m_translator.translate(data, m_encoder));
}

DeviceResult EscPosPrinter::cutPaper(int32_t percentage)
{
    return output(cmd::cut(percentage == 100, m_settings.printer.cutFeed));
}

DeviceResult EscPosPrinter::directIO(int32_t command, int32_t* data, QString* text)
{
    if (const DeviceResult connected = checkConnected(); !connected.ok())
        return connected;
    const Timeouts& t = m_settings.timeouts;
    if (command == 1) {
        QByteArray bytes;
        const QString raw = text ? *text : QString();
        for (const QChar c : raw) {
            if (c.unicode() > 0xFF)
                return illegal(QStringLiteral("DirectIO 1 sends bytes; U+%1 is not a byte")
                                   .arg(c.unicode(), 4, 16, QLatin1Char('0')));
            bytes.append(static_cast<char>(c.unicode()));
        }
        const DeviceResult written = m_link->write(bytes, t.jobMs);
        return written.ok() ? m_link->flush(t.jobMs) : written;
    }
    if (command == 2) {
        if (!data || *data < 1 || *data > 255)
            return illegal(
                QStringLiteral("DirectIO 2 needs a status number from 1 to 255 in Data"));
        const QueryResult reply =
            m_link->query(cmd::realTimeStatus(*data), ReplyKind::RealTime, 1, t.statusMs);
        if (!reply.ok())
            return fromQuery(reply);
        *data = static_cast<uint8_t>(reply.replies[0]);
        return {};
    }
    return illegal(
        QStringLiteral("DirectIO command %1 is unknown (1: raw bytes, 2: status)").arg(command));
}

QVariantMap EscPosPrinter::deviceProperties()
{
    const bool sensors = watching();
    QList<int> sets;
    for (const int set : m_settings.printer.codeTables.keys()) {
        if (TextEncoder::supports(set))
            sets.append(set);
    }
    const int dots = m_settings.printer.lineWidth;
    return {
        {QStringLiteral("DeviceName"), m_name},
        {QStringLiteral("DeviceDescription"),
         QStringLiteral("ESC/POS receipt printer at %1").arg(m_settings.address.key())},
        {QStringLiteral("ServiceObjectDescription"), QStringLiteral("ESC/POS printer service")},
        {QStringLiteral("CapPowerReporting"),
         sensors ? opos::OPOS_PR_STANDARD : opos::OPOS_PR_NONE},
        {QStringLiteral("CapRecPresent"), true},
        {QStringLiteral("CapRecPapercut"), true},
        {QStringLiteral("CapRecEmptySensor"), sensors},
        {QStringLiteral("CapRecNearEndSensor"), sensors},
        {QStringLiteral("CapCoverSensor"), sensors},
        {QStringLiteral("CapRecBold"), true},
        {QStringLiteral("CapRecUnderline"), true},
        {QStringLiteral("CapRecDhigh"), true},
        {QStringLiteral("CapRecDwide"), true},
        {QStringLiteral("CapRecDwideDhigh"), true},
        {QStringLiteral("CapRecItalic"), false},
        {QStringLiteral("CapRecBarCode"), false},
        {QStringLiteral("CapRecBitmap"), false},
        {QStringLiteral("CapRecStamp"), false},
        {QStringLiteral("CapJrnPresent"), false},
        {QStringLiteral("CapSlpPresent"), false},
        {QStringLiteral("CapTransaction"), true},
        {QStringLiteral("CapRecColor"), 1},
        {QStringLiteral("CapCharacterSet"), 998},
        {QStringLiteral("CharacterSet"), m_encoder.characterSet()},
        {QStringLiteral("CharacterSetList"), joinNumbers(sets)},
        {QStringLiteral("RecLineChars"), m_lineChars},
        {QStringLiteral("RecLineCharsList"), joinNumbers(m_settings.printer.lineCharsList)},
        {QStringLiteral("RecLineWidth"), dots},
        {QStringLiteral("RecLineHeight"), 24},
        {QStringLiteral("RecLineSpacing"), 30},
        {QStringLiteral("RecLinesToPaperCut"), 4},
    };
}

DeviceResult EscPosPrinter::setDeviceProperty(const QString& name, const QVariant& value)
{
    bool ok = false;
    const int number = value.toInt(&ok);
    if (name == QLatin1String("CharacterSet")) {
        if (!ok || !m_settings.printer.codeTables.contains(number) ||
            !TextEncoder::supports(number))
            return illegal(QStringLiteral("Character set %1 is not in CharacterSetList")
                               .arg(value.toString()));
        if (m_enabled) {
            const DeviceResult sent =
                m_link->write(cmd::codeTable(m_settings.printer.codeTables.value(number)),
                              m_settings.timeouts.jobMs);
            if (!sent.ok())
                return sent;
        }
        m_encoder = TextEncoder(number);
    } else if (name == QLatin1String("RecLineChars")) {
        const QList<int>& list = m_settings.printer.lineCharsList;
        if (!ok || number < 1 || number > *std::max_element(list.begin(), list.end()))
            return illegal(QStringLiteral("RecLineChars %1 is out of range").arg(value.toString()));
        // The narrow font gives the longer lines.
        const bool small = number > list.value(0);
        if (m_enabled) {
            const DeviceResult sent = m_link->write(cmd::font(small), m_settings.timeouts.jobMs);
            if (!sent.ok())
                return sent;
        }
        m_lineChars = number;
    }
    return {};
}

void EscPosPrinter::abortOutput()
{
    if (m_link)
        m_link->abortOutput();
}

bool EscPosPrinter::synchronous() const
{
    return QThread::currentThread() == m_syncThread;
}

DeviceResult EscPosPrinter::checkConnected() const
{
    if (!m_link || !m_link->isConnected())
        return {opos::OPOS_E_OFFLINE, 0,
                QStringLiteral("The connection to the printer is lost; it is made again on the "
                               "next claim or enable")};
    return {};
}

DeviceResult EscPosPrinter::output(const QByteArray& bytes)
{
    if (const DeviceResult connected = checkConnected(); !connected.ok())
        return connected;
    const Timeouts& t = m_settings.timeouts;
    const bool sync = synchronous();
    const DeviceResult before = sync && watching() ? liveCheck() : outputCondition(status());
    if (!before.ok())
        return before;
    const DeviceResult written = m_link->write(bytes, t.jobMs);
    if (!written.ok() || !sync)
        return written;
    if (!watching())
        return m_link->flush(t.jobMs);
    // The transmit-status reply comes only after everything before it was processed.
    const QueryResult confirmed =
        m_link->query(cmd::transmitPaperStatus(), ReplyKind::Transmit, 1, t.jobMs);
    if (confirmed.ok())
        return {};
    if (confirmed.code == opos::OPOS_E_TIMEOUT) {
        const DeviceResult why = liveCheck();
        if (!why.ok())
            return why;
    }
    return fromQuery(confirmed);
}

DeviceResult EscPosPrinter::liveCheck()
{
    const QueryResult reply =
        m_link->query(statusRequest(), ReplyKind::RealTime, 3, m_settings.timeouts.statusMs);
    if (!reply.ok()) {
        if (reply.code == opos::OPOS_E_TIMEOUT)
            applyStatus({}, true);
        return fromQuery(reply);
    }
    const auto& r = reply.replies;
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

#include "backends/sim/SimulatedPrinterBackend.h"

#include "backends/sim/ClaimWaiter.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/OposConstants.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <thread>

namespace sim {

using opos::DeviceResult;

namespace {

constexpr int kLinesToCutter = ReceiptRoll::kLinesToCutter;
constexpr int kLinesPerSecond = 60;
constexpr std::chrono::milliseconds kCutTime{500};
constexpr int kFontADotsWide = 12;
constexpr int kFontBDotsWide = 9;
constexpr int kMaxLineChars = 64;
// Print data this long takes milliseconds to parse and lay out: done aside, see print().
constexpr qsizetype kAsideCharacters = 256 * 1024;

QString statusText(const opos::PrinterStatus& status)
{
    static constexpr const char* paper[] = {"OK", "NEAREND", "EMPTY"};
    static constexpr const char* power[] = {"ONLINE", "OFF", "OFFLINE", "OFF_OFFLINE"};
    return QStringLiteral("COVER=%1 PAPER=%2 POWER=%3")
        .arg(status.coverOpen ? QStringLiteral("OPEN") : QStringLiteral("CLOSED"),
             QLatin1String(paper[static_cast<int>(status.receiptPaper)]),
             QLatin1String(power[static_cast<int>(status.power)]));
}

} // namespace

SimulatedPrinterBackend::SimulatedPrinterBackend(std::shared_ptr<SimulatedPrinterCore> core,
                                                 std::shared_ptr<opos::Waiter> waiter)
    : m_core(std::move(core)), m_waiter(std::move(waiter))
{}

SimulatedPrinterBackend::~SimulatedPrinterBackend()
{
    setListener(nullptr);
    release();
}

void SimulatedPrinterBackend::setListener(opos::PrinterBackendListener* listener)
{
    if (m_listener)
        m_core->removeListener(m_listener);
    m_listener = listener;
    if (m_listener)
        m_core->addListener(m_listener);
}

DeviceResult SimulatedPrinterBackend::open()
{
    if (auto failure = m_core->takeFailure("Open"))
        return *failure;
    m_parser.reset();
    return {};
}

void SimulatedPrinterBackend::close()
{
    release();
    controlStateChanged(opos::OPOS_S_CLOSED, 0);
}

DeviceResult SimulatedPrinterBackend::claim(int32_t timeoutMs)
{
    if (auto failure = m_core->takeFailure("ClaimDevice"))
        return *failure;
    m_stopWaiting = false;
    const DeviceResult result = claimFor(
        m_core->mutex, m_core->holder, this, timeoutMs,
        {*m_waiter, kPrinterName, m_core->claimWakers, &m_stopWaiting}, &m_core->heldElsewhere);
    if (result.ok())
        updateActivity(true, false);
    return result;
}

void SimulatedPrinterBackend::stopWaiting()
{
    m_stopWaiting = true;
    m_waiter->wake();
}

void SimulatedPrinterBackend::release()
{
    if (releaseFor(m_core->mutex, m_core->holder, this, m_core->claimWakers))
        updateActivity(false, false);
}

DeviceResult SimulatedPrinterBackend::enable()
{
    if (auto failure = m_core->takeFailure("DeviceEnabled"))
        return *failure;
    updateActivity(true, true);
    return {};
}

void SimulatedPrinterBackend::disable()
{
    updateActivity(true, false);
}

opos::PrinterStatus SimulatedPrinterBackend::status()
{
    const std::lock_guard lock(m_core->mutex);
    return m_core->status;
}

DeviceResult SimulatedPrinterBackend::readiness() const
{
    const std::lock_guard lock(m_core->mutex);
    const auto& status = m_core->status;
    if (status.power != opos::PowerState::Online)
        return {opos::OPOS_E_OFFLINE, 0, QStringLiteral("The printer is off or offline")};
    if (status.coverOpen)
        return {opos::OPOS_E_EXTENDED, opos::OPOS_EPTR_COVER_OPEN,
                QStringLiteral("The printer cover is open")};
    if (status.receiptPaper == opos::PaperState::Empty)
        return {opos::OPOS_E_EXTENDED, opos::OPOS_EPTR_REC_EMPTY,
                QStringLiteral("The receipt paper is out")};
    return {};
}

DeviceResult SimulatedPrinterBackend::print(int32_t station, const QString& data,
                                            opos::OutputMode mode)
{
    if (auto failure = m_core->takeFailure("print"))
        return *failure;
    if (station != opos::PTR_S_RECEIPT)
        return opos::DeviceResult::illegal(QStringLiteral("The printer has no such station"));
    if (auto ready = readiness(); !ready.ok())
        return ready;
    if (mode == opos::OutputMode::Asynchronous || data.size() < kAsideCharacters)
        return output(m_parser.parse(data));
    bool realistic = false;
    {
        const std::lock_guard lock(m_core->mutex);
        realistic = m_core->speed == OutputSpeed::Realistic;
    }
    // At the instant speed nothing waits: the whole print goes aside, and once it ran, a cancel
    // cannot take it back. At the realistic speed the output paces through the waiter here,
    // and a cancel during the parse prints nothing.
    if (!realistic)
        return aside([&] { return output(m_parser.parse(data)); }).result;
    std::vector<opos::PrintSegment> segments;
    const Aside parsed = aside([&] {
        segments = m_parser.parse(data);
        return DeviceResult{};
    });
    if (parsed.outcome == opos::Waiter::Outcome::Cancelled)
        return opos::cancelledWait(kPrinterName);
    return output(segments);
}

SimulatedPrinterBackend::Aside
SimulatedPrinterBackend::aside(const std::function<DeviceResult()>& work)
{
    std::atomic<bool> done{false};
    std::exception_ptr failure;
    Aside outcome;
    {
        const std::jthread worker([&] {
            try {
                outcome.result = work();
            } catch (...) {
                failure = std::current_exception();
            }
            done.store(true, std::memory_order_release);
            m_waiter->wake();
        });
        outcome.outcome = m_waiter->wait(kPrinterName, QDeadlineTimer(QDeadlineTimer::Forever),
                                         [&done] { return done.load(std::memory_order_acquire); });
    } // the work runs to its end even after a cancel: it is bounded by the data
    if (failure)
        std::rethrow_exception(failure);
    return outcome;
}

DeviceResult SimulatedPrinterBackend::cutPaper(int32_t percentage, opos::OutputMode)
{
    if (auto failure = m_core->takeFailure("CutPaper"))
        return *failure;
    if (auto ready = readiness(); !ready.ok())
        return ready;
    opos::PrintSegment cut;
    cut.kind = opos::PrintSegment::Kind::Cut;
    cut.number = percentage;
    return output({cut});
}

DeviceResult SimulatedPrinterBackend::printGraphic(const opos::GraphicRequest& request,
                                                   opos::OutputMode)
{
    if (auto failure = m_core->takeFailure("print"))
        return *failure;
    if (request.station != opos::PTR_S_RECEIPT)
        return opos::DeviceResult::illegal(QStringLiteral("The printer has no such station"));
    if (auto ready = readiness(); !ready.ok())
        return ready;
    const std::stop_token stop = outputStopToken();
    std::shared_ptr<PrintPacer> pacer;
    bool realistic = false;
    ReceiptRoll::Motion motion;
    {
        const std::lock_guard lock(m_core->mutex);
        realistic = m_core->speed == OutputSpeed::Realistic;
        pacer = m_core->pacer;
        motion = m_core->roll.addGraphic(request, m_lineChars);
    }
    m_core->notifyOwner(SimulatedPrinterCore::Signal::Receipt);
    if (realistic &&
        pacer->pause(std::chrono::milliseconds(std::int64_t{motion.lines} * 1000 / kLinesPerSecond),
                     stop, *m_waiter, kPrinterName) == opos::Waiter::Outcome::Cancelled)
        return opos::cancelledWait(kPrinterName);
    return {};
}

DeviceResult SimulatedPrinterBackend::output(const std::vector<opos::PrintSegment>& segments)
{
    const std::stop_token stop = outputStopToken();
    std::shared_ptr<PrintPacer> pacer;
    bool realistic = false;
    {
        const std::lock_guard lock(m_core->mutex);
        realistic = m_core->speed == OutputSpeed::Realistic;
        pacer = m_core->pacer;
    }
    ReceiptRoll::Motion total;
    for (const auto& segment : segments) {
        if (realistic) {
            if (stop.stop_requested())
                break;
            // Sensors are looked at again before each piece, as the head moves.
            if (auto ready = readiness(); !ready.ok())
                return ready;
        }
        ReceiptRoll::Motion motion;
        {
            const std::lock_guard lock(m_core->mutex);
            motion = m_core->roll.add(segment, m_lineChars, kLinesToCutter);
        }
        if (realistic && (motion.lines > 0 || motion.cuts > 0)) {
            m_core->notifyOwner(SimulatedPrinterCore::Signal::Receipt);
            const auto paced = pacer->pause(
                std::chrono::milliseconds(std::int64_t{motion.lines} * 1000 / kLinesPerSecond) +
                    std::int64_t{motion.cuts} * kCutTime,
                stop, *m_waiter, kPrinterName);
            if (paced == opos::Waiter::Outcome::Cancelled)
                return opos::cancelledWait(kPrinterName);
        }
        total.lines += motion.lines;
        total.cuts += motion.cuts;
    }
    if (!realistic && (total.lines > 0 || total.cuts > 0))
        m_core->notifyOwner(SimulatedPrinterCore::Signal::Receipt);
    return {};
}

DeviceResult SimulatedPrinterBackend::directIO(int32_t command, int32_t* data, QString* text)
{
    if (auto failure = m_core->takeFailure("DirectIO"))
        return *failure;
    // 1: status query, 2: echo as a DirectIOEvent, anything else: bytes for the device.
    if (command == 1) {
        const auto now = status();
        if (data)
            *data = (now.coverOpen ? 1 : 0) |
                    (now.receiptPaper == opos::PaperState::NearEnd ? 2 : 0) |
                    (now.receiptPaper == opos::PaperState::Empty ? 4 : 0) |
                    (now.power != opos::PowerState::Online ? 8 : 0);
        if (text)
            *text = statusText(now);
        return {};
    }
    if (command == 2) {
        if (m_listener)
            m_listener->directIOEvent(command, data ? *data : 0, text ? *text : QString());
        return {};
    }
    if (auto ready = readiness(); !ready.ok())
        return ready;
    if (data)
        *data = text ? static_cast<int32_t>(text->size()) : 0;
    return {};
}

QVariantMap SimulatedPrinterBackend::deviceProperties()
{
    const bool fontA = m_lineChars <= 48;
    QVariantMap p;
    const auto flags = [&p](std::initializer_list<const char*> names, bool value) {
        for (const char* name : names)
            p.insert(QLatin1String(name), value);
    };
    p.insert(QStringLiteral("ServiceObjectVersion"), 1016000);
    p.insert(QStringLiteral("ServiceObjectDescription"),
             QStringLiteral("Simulated POS Printer service"));
    p.insert(QStringLiteral("DeviceDescription"),
             QStringLiteral("Simulated 80 mm thermal receipt printer, 203 dpi"));
    p.insert(QStringLiteral("DeviceName"), QStringLiteral("Simulated receipt printer"));
    p.insert(QStringLiteral("CapPowerReporting"), opos::OPOS_PR_STANDARD);
    flags({"CapStatisticsReporting",
           "CapUpdateStatistics",
           "CapConcurrentJrnRec",
           "CapConcurrentJrnSlp",
           "CapConcurrentRecSlp",
           "CapJrn2Color",
           "CapJrnBold",
           "CapJrnDhigh",
           "CapJrnDwide",
           "CapJrnDwideDhigh",
           "CapJrnEmptySensor",
           "CapJrnItalic",
           "CapJrnNearEndSensor",
           "CapJrnPresent",
           "CapJrnUnderline",
           "CapRec2Color",
           "CapRecItalic",
           "CapRecStamp",
           "CapSlp2Color",
           "CapSlpBarCode",
           "CapSlpBitmap",
           "CapSlpBold",
           "CapSlpDhigh",
           "CapSlpDwide",
           "CapSlpDwideDhigh",
           "CapSlpEmptySensor",
           "CapSlpFullslip",
           "CapSlpItalic",
           "CapSlpLeft90",
           "CapSlpNearEndSensor",
           "CapSlpPresent",
           "CapSlpRight90",
           "CapSlpRotate180",
           "CapSlpUnderline",
           "CapSlpBothSidesPrint"},
          false);
    flags({"CapCoverSensor", "CapRecBarCode", "CapRecBitmap", "CapRecBold", "CapRecDhigh",
           "CapRecDwide", "CapRecDwideDhigh", "CapRecEmptySensor", "CapRecLeft90",
           "CapRecNearEndSensor", "CapRecPapercut", "CapRecPresent", "CapRecRight90",
           "CapRecRotate180", "CapRecUnderline", "CapTransaction", "CapMapCharacterSet"},
          true);
    p.insert(QStringLiteral("CapCharacterSet"), 998);
    p.insert(QStringLiteral("CapRecColor"), 1);
    for (const char* name : {"CapJrnCartridgeSensor", "CapJrnColor", "CapRecCartridgeSensor",
                             "CapRecMarkFeed", "CapSlpCartridgeSensor", "CapSlpColor"})
        p.insert(QLatin1String(name), 0);
    p.insert(QStringLiteral("CharacterSet"), m_characterSet);
    p.insert(QStringLiteral("CharacterSetList"), QStringLiteral("437,850,858,866,1252,998"));
    p.insert(QStringLiteral("RecLineChars"), m_lineChars);
    p.insert(QStringLiteral("RecLineCharsList"), QStringLiteral("48,64"));
    p.insert(QStringLiteral("RecLineHeight"), m_lineHeight);
    p.insert(QStringLiteral("RecLineSpacing"), m_lineSpacing);
    p.insert(QStringLiteral("RecLineWidth"),
             m_lineChars * (fontA ? kFontADotsWide : kFontBDotsWide));
    p.insert(QStringLiteral("RecLinesToPaperCut"), kLinesToCutter);
    p.insert(QStringLiteral("RecSidewaysMaxChars"), 65);
    p.insert(QStringLiteral("RecSidewaysMaxLines"), 24);
    p.insert(QStringLiteral("RecCurrentCartridge"), 1);
    p.insert(QStringLiteral("RecBarCodeRotationList"), QStringLiteral("0,R90,L90,180"));
    p.insert(QStringLiteral("RecBitmapRotationList"), QStringLiteral("0,R90,L90,180"));
    p.insert(QStringLiteral("DotsPerInch"), 203);
    return p;
}

DeviceResult SimulatedPrinterBackend::setDeviceProperty(const QString& name, const QVariant& value)
{
    if (auto failure = m_core->takeFailure("property write"))
        return *failure;
    const DeviceResult illegal{opos::OPOS_E_ILLEGAL, 0,
                               QStringLiteral("The printer does not support this value")};
    const int number = value.toInt();
    if (name == QLatin1String("RecLineChars")) {
        if (number < 1 || number > kMaxLineChars)
            return illegal;
        // Up to 48 columns fit font A (12 x 24 dots); more need font B (9 x 17).
        m_lineChars = number;
        m_lineHeight = number <= 48 ? 24 : 17;
        m_lineSpacing = number <= 48 ? 30 : 24;
    } else if (name == QLatin1String("RecLineHeight")) {
        if (number < 1 || number > 255)
            return illegal;
        m_lineHeight = number;
        m_lineSpacing = std::max(m_lineSpacing, number);
    } else if (name == QLatin1String("RecLineSpacing")) {
        if (number < m_lineHeight || number > 255)
            return illegal;
        m_lineSpacing = number;
    } else if (name == QLatin1String("CharacterSet")) {
        static const QList<int> supported{437, 850, 858, 866, 1252, 998};
        if (!supported.contains(number))
            return illegal;
        m_characterSet = number;
    }
    return {};
}

std::stop_token SimulatedPrinterBackend::outputStopToken()
{
    const std::lock_guard lock(m_stopMutex);
    if (m_stop.stop_requested())
        m_stop = std::stop_source();
    return m_stop.get_token();
}

void SimulatedPrinterBackend::abortOutput()
{
    const std::lock_guard lock(m_stopMutex);
    m_stop.request_stop();
}

void SimulatedPrinterBackend::controlStateChanged(int32_t state, int outstanding)
{
    {
        const std::lock_guard lock(m_core->mutex);
        m_core->activity.state = state;
        m_core->activity.queuedOutputs = outstanding;
    }
    m_core->notifyOwner(SimulatedPrinterCore::Signal::Activity);
}

void SimulatedPrinterBackend::updateActivity(bool claimed, bool enabled)
{
    {
        const std::lock_guard lock(m_core->mutex);
        m_core->activity.claimed = claimed;
        m_core->activity.enabled = enabled;
    }
    m_core->notifyOwner(SimulatedPrinterCore::Signal::Activity);
}

} // namespace sim

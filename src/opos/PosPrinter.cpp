#include "opos/PosPrinter.h"

#include "opos/DeviceCall.h"
#include "opos/DeviceRegistry.h"
#include "opos/LifeCycle.h"
#include "opos/PosPrinterImpl.h"
#include "opos/PrinterPropertyIndex.h"
#include "opos/PrinterStatusEvents.h"

#include <stdexcept>

namespace opos {

PosPrinter::Impl::Impl(PosPrinter* owner, const DeviceRegistry& devices, ControlOptions settings)
    : q(owner), registry(devices), options(settings),
      m_events([&devices] { return devices.waiter(); })
{
    m_foldClock.start();
}

PosPrinter::Impl::~Impl()
{
    closeBackend();
}

int32_t PosPrinter::Impl::open(const QString& deviceName)
{
    if (m_inDeviceCall)
        return life.finish(OPOS_E_BUSY);
    if (life.opened) {
        openResult = OPOS_OR_ALREADYOPEN;
        return life.finish(OPOS_E_ILLEGAL);
    }
    if (m_inClaim)
        return life.finish(OPOS_E_BUSY);
    auto found = registry.findPrinter(deviceName);
    if (!found.backend) {
        openResult = found.code == OPOS_E_NOEXIST ? OPOS_OR_REGBADNAME : OPOS_OR_CREATE;
        m_errorString = found.reason; // why, for a technician reading ErrorString
        return life.finish(found.code);
    }
    m_backend = std::move(found.backend);
    m_deviceName = deviceName;
    m_backend->setListener(this);
    DeviceResult opened;
    try {
        opened = m_backend->open();
        if (opened.ok()) {
            m_status = m_backend->status();
            m_values.clear();
            m_stationsLoaded = false;
            loadDeviceProperties(false);
        }
    } catch (...) {
        life.opened = opened.ok(); // so that an opened service is closed again
        closeBackend();
        throw;
    }
    if (!opened.ok()) {
        closeBackend();
        openResult = OPOS_OR_FAILEDOPEN;
        m_errorString = opened.text;
        return life.finish(opened);
    }
    life = ControlState{};
    life.opened = true;
    openResult = OPOS_SUCCESS;
    m_asyncMode = false;
    m_flagWhenIdle = false;
    m_binaryConversion = 0;
    m_powerNotify = OPOS_PN_DISABLED;
    m_mapMode = 1;
    m_errorLevel = PTR_EL_NONE;
    m_errorStation = 0;
    m_errorString.clear();
    m_checkHealthText.clear();
    m_events.setFrozen(false);
    m_worker = std::make_unique<OutputWorker>(
        &m_context, m_generation, [this](const OutputJob& job) { return runInWorker(job); },
        [this](const OutputJob& job, const DeviceResult& result) { jobDone(job, result); },
        [this](OutputWorker::Confirmed done) { m_backend->confirmOutput(std::move(done)); });
    stateChanged();
    return life.finish(OPOS_SUCCESS);
}

int32_t PosPrinter::Impl::claim(int32_t timeoutMs)
{
    if (m_inDeviceCall)
        return life.finish(OPOS_E_BUSY);
    return claimDevice(life, m_inClaim, timeoutMs,
                       [this](int32_t timeout) { return keepReason(m_backend->claim(timeout)); });
}

void PosPrinter::Impl::stopWaiting()
{
    if (m_inClaim && m_backend)
        m_backend->stopWaiting();
    registry.waiter()->cancelCall();
}

int32_t PosPrinter::Impl::release()
{
    if (m_inDeviceCall)
        return life.finish(OPOS_E_BUSY);
    return releaseDevice(life, m_inClaim, [this] {
        setEnabled(false);
        const std::lock_guard lock(m_backendMutex);
        m_backend->release();
    });
}

int32_t PosPrinter::Impl::setEnabled(bool enabled)
{
    if (m_inDeviceCall)
        return life.finish(OPOS_E_BUSY);
    if (!enabled) {
        if (const int32_t code = life.needOpen())
            return life.finish(code);
        if (life.enabled) {
            dropOutput();
            life.enabled = false;
            const std::lock_guard lock(m_backendMutex); // an aborted step may still be ending
            m_backend->disable();
        }
        return life.finish(OPOS_SUCCESS);
    }
    if (const int32_t code = life.needClaimed())
        return life.finish(code);
    if (life.enabled)
        return life.finish(OPOS_SUCCESS);
    DeviceResult result;
    {
        const std::lock_guard lock(m_backendMutex);
        result = m_backend->enable();
        if (result.ok())
            m_status = m_backend->status();
    }
    if (!result.ok())
        return life.finish(keepReason(result));
    life.enabled = true;
    if (!m_stationsLoaded) {
        m_stationsLoaded = true;
        loadDeviceProperties(true);
    }
    if (m_powerNotify == OPOS_PN_ENABLED)
        postStatusUpdate(powerStateValue(m_status.power, powerReporting()));
    checkIdle();
    return life.finish(OPOS_SUCCESS);
}

int32_t PosPrinter::Impl::close()
{
    if (m_inDeviceCall)
        return life.finish(OPOS_E_BUSY);
    return closeDevice(life, m_inClaim, [this] { closeBackend(); });
}

// Disables, releases and closes whatever is open; safe to call in any state.
void PosPrinter::Impl::closeBackend()
{
    m_bitmaps.clear();
    if (m_backend) {
        m_backend->abortOutput();
        m_worker.reset();
        m_backend->setListener(nullptr);
    }
    shutDown(life, m_backend);
    m_events.clear();
    ++m_generation;
    m_outstanding = 0;
    m_failedJob.reset();
    m_inTransaction = false;
    m_transaction.clear();
}

PosPrinter::PosPrinter(const DeviceRegistry& registry, ControlOptions options, QObject* parent)
    : QObject(parent), d(std::make_unique<Impl>(this, registry, options))
{}

PosPrinter::~PosPrinter() = default;

int32_t PosPrinter::Open(const QString& deviceName)
{
    const Impl::Call call(*d, QStringLiteral("the connection"), deviceName);
    return d->open(deviceName);
}

int32_t PosPrinter::ClaimDevice(int32_t timeoutMs)
{
    const Impl::Call call(*d, QStringLiteral("the claim"));
    return d->claim(timeoutMs);
}

int32_t PosPrinter::ReleaseDevice()
{
    const Impl::Call call(*d, QStringLiteral("the release"));
    return d->release();
}

int32_t PosPrinter::Close()
{
    const Impl::Call call(*d);
    return d->close();
}

void PosPrinter::StopWaiting()
{
    d->stopWaiting();
}

int32_t PosPrinter::Claim(int32_t timeoutMs)
{
    const Impl::Call call(*d, QStringLiteral("the claim"));
    return d->claim(timeoutMs);
}

int32_t PosPrinter::Release()
{
    const Impl::Call call(*d, QStringLiteral("the release"));
    return d->release();
}

int32_t PosPrinter::PrintNormal(int32_t station, const QString& data)
{
    const Impl::Call call(*d, QStringLiteral("confirmation of the printed line"));
    return d->printNormal(station, data);
}

int32_t PosPrinter::PrintImmediate(int32_t station, const QString& data)
{
    const Impl::Call call(*d, QStringLiteral("confirmation of the printed line"));
    return d->printImmediate(station, data);
}

int32_t PosPrinter::CutPaper(int32_t percentage)
{
    const Impl::Call call(*d, QStringLiteral("confirmation of the cut"));
    return d->cutPaper(percentage);
}

int32_t PosPrinter::PrintBarCode(int32_t station, const QString& data, int32_t symbology,
                                 int32_t height, int32_t width, int32_t alignment,
                                 int32_t textPosition)
{
    const DeviceCall call(d->registry);
    return d->printBarCode(station, data, symbology, height, width, alignment, textPosition);
}

int32_t PosPrinter::PrintBitmap(int32_t station, const QString& fileName, int32_t width,
                                int32_t alignment)
{
    const DeviceCall call(d->registry);
    return d->printBitmap(station, fileName, width, alignment);
}

QString PosPrinter::LastGraphicDescription() const
{
    return d->lastGraphic;
}

int32_t PosPrinter::SetBitmap(int32_t bitmapNumber, int32_t station, const QString& fileName,
                              int32_t width, int32_t alignment)
{
    return d->setBitmap(bitmapNumber, station, fileName, width, alignment);
}

int32_t PosPrinter::PrintMemoryBitmap(int32_t station, const QString& data, int32_t type,
                                      int32_t width, int32_t alignment)
{
    const DeviceCall call(d->registry);
    return d->printMemoryBitmap(station, data, type, width, alignment);
}

int32_t PosPrinter::TransactionPrint(int32_t station, int32_t control)
{
    const Impl::Call call(*d, QStringLiteral("confirmation of the transaction"));
    return d->transactionPrint(station, control);
}

int32_t PosPrinter::ClearOutput()
{
    const Impl::Call call(*d);
    return d->clearOutput();
}

int32_t PosPrinter::DirectIO(int32_t command, int32_t* data, QString* text)
{
    const Impl::Call call(*d, QStringLiteral("the answer to DirectIO"));
    return d->directIO(command, data, text);
}

int32_t PosPrinter::CheckHealth(int32_t level)
{
    const Impl::Call call(*d);
    return d->checkHealth(level);
}

int32_t PosPrinter::ControlObjectVersion() const
{
    return d->options.controlObjectVersion;
}

QString PosPrinter::ControlObjectDescription() const
{
    return d->controlObjectDescription();
}

int32_t PosPrinter::ResultCode() const
{
    return d->life.resultCode;
}

int32_t PosPrinter::ResultCodeExtended() const
{
    return d->life.resultCodeExtended;
}

int32_t PosPrinter::OpenResult() const
{
    return d->openResult;
}

int32_t PosPrinter::OutputID() const
{
    return d->number(pidx::OutputID);
}

int32_t PosPrinter::State() const
{
    return d->state();
}

bool PosPrinter::Claimed() const
{
    return d->life.claimed;
}

bool PosPrinter::DeviceEnabled() const
{
    return d->life.enabled;
}

void PosPrinter::SetDeviceEnabled(bool enabled)
{
    const Impl::Call call(*d);
    d->setEnabled(enabled);
}

bool PosPrinter::AsyncMode() const
{
    return d->flag(pidx::AsyncMode);
}

void PosPrinter::SetAsyncMode(bool async)
{
    const Impl::Call call(*d);
    d->setAsyncMode(async);
}

bool PosPrinter::FlagWhenIdle() const
{
    return d->flag(pidx::FlagWhenIdle);
}

void PosPrinter::SetFlagWhenIdle(bool flag)
{
    const Impl::Call call(*d);
    d->setFlagWhenIdle(flag);
}

bool PosPrinter::FreezeEvents() const
{
    return d->flag(pidx::FreezeEvents);
}

void PosPrinter::SetFreezeEvents(bool freeze)
{
    const Impl::Call call(*d);
    d->setFreezeEvents(freeze);
}

int32_t PosPrinter::GetPropertyNumber(const QString& name) const
{
    return d->readByName(name, PropertyKind::Number).toInt();
}

bool PosPrinter::GetPropertyFlag(const QString& name) const
{
    return d->readByName(name, PropertyKind::Flag).toBool();
}

QString PosPrinter::GetPropertyString(const QString& name) const
{
    return d->readByName(name, PropertyKind::Text).toString();
}

void PosPrinter::SetPropertyNumber(const QString& name, int32_t value)
{
    const Impl::Call call(*d);
    d->writeByName(name, PropertyKind::Number, value);
}

void PosPrinter::SetPropertyFlag(const QString& name, bool value)
{
    const Impl::Call call(*d);
    d->writeByName(name, PropertyKind::Flag, value);
}

void PosPrinter::SetPropertyString(const QString& name, const QString& value)
{
    const Impl::Call call(*d);
    d->writeByName(name, PropertyKind::Text, value);
}

QVariant PosPrinter::GetPropertyByIndex(int32_t propertyIndex) const
{
    const PrinterPropertyInfo* info = findPrinterProperty(propertyIndex);
    if (!info)
        throw std::runtime_error(QStringLiteral("The POS Printer has no property with index %1")
                                     .arg(propertyIndex)
                                     .toStdString());
    return d->read(*info);
}

int32_t PosPrinter::SetPropertyByIndex(int32_t propertyIndex, const QVariant& value)
{
    const Impl::Call call(*d);
    const PrinterPropertyInfo* info = findPrinterProperty(propertyIndex);
    if (!info)
        throw std::runtime_error(QStringLiteral("The POS Printer has no property with index %1")
                                     .arg(propertyIndex)
                                     .toStdString());
    return d->write(*info, value);
}

} // namespace opos

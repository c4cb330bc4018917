#include "opos/BinaryConversion.h"
#include "opos/DeviceRegistry.h"
#include "opos/PosPrinterImpl.h"
#include "opos/PrinterPropertyIndex.h"
#include "opos/PrinterStatusEvents.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QScopedValueRollback>
#include <QTimer>
#include <exception>

namespace opos {

namespace {

OutputStep printStep(int32_t station, const QString& data)
{
    return {OutputStep::Kind::Print, station, data, 0, nullptr};
}

} // namespace

int32_t PosPrinter::Impl::state() const
{
    if (!life.opened)
        return OPOS_S_CLOSED;
    if (m_failedJob)
        return OPOS_S_ERROR;
    return m_outstanding > 0 ? OPOS_S_BUSY : OPOS_S_IDLE;
}

bool PosPrinter::Impl::stationPresent(int32_t station) const
{
    switch (station) {
    case PTR_S_JOURNAL:
        return capability(pidx::CapJrnPresent);
    case PTR_S_RECEIPT:
        return capability(pidx::CapRecPresent);
    case PTR_S_SLIP:
        return capability(pidx::CapSlpPresent);
    default:
        return false;
    }
}

// The checks PrintNormal and PrintImmediate share: the step to print, or none after setting
// ResultCode.
std::optional<OutputStep> PosPrinter::Impl::printableStep(int32_t station, const QString& data)
{
    if (const int32_t code = life.needEnabled()) {
        life.finish(code);
        return std::nullopt;
    }
    const auto converted = decodeBinaryConversion(data, m_binaryConversion);
    if (!stationPresent(station) || !converted) {
        life.finish(OPOS_E_ILLEGAL);
        return std::nullopt;
    }
    return printStep(station, *converted);
}

int32_t PosPrinter::Impl::printNormal(int32_t station, const QString& data)
{
    auto step = printableStep(station, data);
    return step ? output(withStoredBitmaps(std::move(*step))) : life.resultCode;
}

int32_t PosPrinter::Impl::cutPaper(int32_t percentage)
{
    if (const int32_t code = life.needEnabled())
        return life.finish(code);
    if (!capability(pidx::CapRecPapercut) || percentage < 1 || percentage > 100)
        return life.finish(OPOS_E_ILLEGAL);
    return output({{OutputStep::Kind::Cut, PTR_S_RECEIPT, {}, percentage, nullptr}});
}

// Sends steps the way the current mode says: into the transaction, to the queue, or now.
int32_t PosPrinter::Impl::output(std::vector<OutputStep> steps)
{
    if (m_inTransaction) {
        for (auto& step : steps)
            m_transaction.push_back(std::move(step));
        return life.finish(OPOS_SUCCESS);
    }
    if (m_asyncMode) {
        OutputJob job{m_nextOutputId, m_generation, std::move(steps)};
        m_outputId = m_nextOutputId;
        m_nextOutputId = m_nextOutputId == INT32_MAX ? 1 : m_nextOutputId + 1;
        ++m_outstanding;
        m_worker->submit(std::move(job));
        stateChanged();
        return life.finish(OPOS_SUCCESS);
    }
    if (m_outstanding > 0)
        return life.finish(OPOS_E_BUSY);
    return runNow(steps);
}

int32_t PosPrinter::Impl::printImmediate(int32_t station, const QString& data)
{
    auto step = printableStep(station, data);
    return step ? runNow(withStoredBitmaps(std::move(*step))) : life.resultCode;
}

int32_t PosPrinter::Impl::transactionPrint(int32_t station, int32_t control)
{
    if (const int32_t code = life.needEnabled())
        return life.finish(code);
    if (!capability(pidx::CapTransaction) || !stationPresent(station))
        return life.finish(OPOS_E_ILLEGAL);
    if (control == PTR_TP_TRANSACTION) {
        if (m_inTransaction)
            return life.finish(OPOS_E_ILLEGAL);
        m_inTransaction = true;
        m_transactionStation = station;
        m_transaction.clear();
        return life.finish(OPOS_SUCCESS);
    }
    if (control != PTR_TP_NORMAL || !m_inTransaction || station != m_transactionStation)
        return life.finish(OPOS_E_ILLEGAL);
    if (!m_asyncMode && m_outstanding > 0)
        return life.finish(OPOS_E_BUSY); // the transaction stays open for another try
    m_inTransaction = false;
    return output(std::exchange(m_transaction, {}));
}

// Synchronous output on the caller's thread; a backend failure propagates to the caller.
int32_t PosPrinter::Impl::runNow(const std::vector<OutputStep>& steps)
{
    if (m_inDeviceCall)
        return life.finish(OPOS_E_BUSY);
    const QScopedValueRollback holding(m_inDeviceCall, true);
    return life.finish(keepReason(runSteps(steps, false)));
}

// A failure's reason stays readable in ErrorString.
const DeviceResult& PosPrinter::Impl::keepReason(const DeviceResult& result)
{
    if (!result.ok())
        m_errorString = result.text;
    return result;
}

DeviceResult PosPrinter::Impl::runSteps(const std::vector<OutputStep>& steps, bool onWorker)
{
    const OutputMode mode = onWorker ? OutputMode::Asynchronous : OutputMode::Synchronous;
    for (const auto& step : steps) {
        DeviceResult result;
        {
            const auto lock = onWorker ? std::unique_lock(m_backendMutex) : takeBackend(&result);
            if (!lock)
                return result;
            result = step.kind == OutputStep::Kind::Cut ? m_backend->cutPaper(step.percentage, mode)
                     : step.kind == OutputStep::Kind::Graphic
                         ? m_backend->printGraphic(*step.graphic, mode)
                         : m_backend->print(step.station, step.data, mode);
        }
        if (onWorker)
            registry.waiter()->wake(); // a call may wait for the backend between two steps
        if (!result.ok())
            return result;
    }
    return {};
}

// The backend for a call on the caller's thread. Output running on the worker holds it; the
// wait for it goes through the waiter, and its length comes off the device's own time-outs for
// the rest of the call. Without the lock, *failure says why.
std::unique_lock<std::mutex> PosPrinter::Impl::takeBackend(DeviceResult* failure)
{
    std::unique_lock lock(m_backendMutex, std::try_to_lock);
    if (lock)
        return lock;
    const auto waiter = registry.waiter();
    QElapsedTimer waited;
    waited.start();
    const auto outcome = waiter->wait(m_deviceName, QDeadlineTimer(QDeadlineTimer::Forever),
                                      [&lock] { return lock.try_lock(); });
    if (outcome == Waiter::Outcome::Ready) {
        waiter->deduct(std::chrono::milliseconds(waited.elapsed()));
        return lock;
    }
    *failure = outcome == Waiter::Outcome::Cancelled
                   ? cancelledWait(m_deviceName)
                   : DeviceResult{OPOS_E_TIMEOUT, 0,
                                  QStringLiteral("Output queued earlier still holds the printer")};
    return {};
}

DeviceResult PosPrinter::Impl::runInWorker(const OutputJob& job)
{
    try {
        return runSteps(job.steps, true);
    } catch (const std::exception& failure) {
        return {OPOS_E_FAILURE, 0, QString::fromLocal8Bit(failure.what())};
    } catch (...) {
        return {OPOS_E_FAILURE, 0, QStringLiteral("Unknown failure while printing")};
    }
}

// An asynchronous request has finished, on the GUI thread.
void PosPrinter::Impl::jobDone(const OutputJob& job, const DeviceResult& result)
{
    if (job.generation != m_generation)
        return; // cleared meanwhile: no event
    if (result.ok()) {
        --m_outstanding;
        const int32_t id = job.outputId;
        m_events.post([this, id] { emit q->OutputCompleteEvent(id); });
        stateChanged();
        checkIdle();
        return;
    }
    m_failedJob = job;
    m_errorStation = job.steps.empty() ? PTR_S_RECEIPT : job.steps.front().station;
    m_errorLevel = result.code == OPOS_E_EXTENDED ? PTR_EL_RECOVERABLE : PTR_EL_FATAL;
    m_errorString = result.text;
    life.finish(result);
    stateChanged();
    const uint64_t generation = m_generation;
    const int32_t code = result.code;
    const int32_t extended = result.extended;
    m_events.post([this, generation, code, extended] { deliverError(generation, code, extended); });
}

void PosPrinter::Impl::deliverError(uint64_t generation, int32_t code, int32_t extended)
{
    if (!m_failedJob || generation != m_generation)
        return; // cleared before it was delivered
    int32_t response = OPOS_ER_RETRY;
    const QPointer<PosPrinter> alive(q);
    emit q->ErrorEvent(code, extended, OPOS_EL_OUTPUT, &response);
    if (!alive || !m_failedJob || generation != m_generation)
        return; // the handler cleared the output or closed the device
    if (response == OPOS_ER_CLEAR) {
        dropOutput();
        checkIdle();
        return;
    }
    // RETRY, and any answer that means nothing for output: run the request again.
    m_errorLevel = PTR_EL_NONE;
    m_worker->retry(std::move(*m_failedJob));
    m_failedJob.reset();
    stateChanged();
}

// Drops queued output, a pending error and the transaction; no completion events follow.
void PosPrinter::Impl::dropOutput()
{
    ++m_generation;
    if (m_worker)
        m_worker->clear(m_generation);
    if (m_backend && m_outstanding > 0)
        m_backend->abortOutput();
    m_outstanding = 0;
    m_failedJob.reset();
    m_inTransaction = false;
    m_transaction.clear();
    m_errorLevel = PTR_EL_NONE;
    stateChanged();
}

int32_t PosPrinter::Impl::clearOutput()
{
    if (const int32_t code = life.needClaimed())
        return life.finish(code);
    dropOutput();
    checkIdle();
    return life.finish(OPOS_SUCCESS);
}

int32_t PosPrinter::Impl::directIO(int32_t command, int32_t* data, QString* text)
{
    if (m_inDeviceCall)
        return life.finish(OPOS_E_BUSY);
    const QScopedValueRollback holding(m_inDeviceCall, true);
    if (const int32_t code = life.needOpen())
        return life.finish(code);
    int32_t noData = 0; // a caller without by-reference arguments gets scratch ones
    QString noText;
    DeviceResult result;
    if (const auto lock = takeBackend(&result))
        result = m_backend->directIO(command, data ? data : &noData, text ? text : &noText);
    return life.finish(keepReason(result));
}

int32_t PosPrinter::Impl::checkHealth(int32_t level)
{
    if (const int32_t code = life.needEnabled())
        return life.finish(code);
    if (level == 1) { // internal: ask the device how it is
        if (m_inDeviceCall)
            return life.finish(OPOS_E_BUSY);
        const QScopedValueRollback holding(m_inDeviceCall, true);
        DeviceResult waited;
        const auto lock = takeBackend(&waited);
        if (!lock) {
            m_errorString = waited.text;
            return life.finish(waited);
        }
        const PrinterStatus now = m_backend->status();
        QString problem;
        if (now.power != PowerState::Online)
            problem = QStringLiteral("printer off or offline");
        else if (now.coverOpen)
            problem = QStringLiteral("cover open");
        else if (now.receiptPaper == PaperState::Empty)
            problem = QStringLiteral("receipt paper out");
        m_checkHealthText = QStringLiteral("Internal HCheck: ") +
                            (problem.isEmpty() ? QStringLiteral("Successful") : problem);
        return life.finish(OPOS_SUCCESS);
    }
    if (level == 2) { // external: print a test line
        if (m_outstanding > 0)
            return life.finish(OPOS_E_BUSY);
        const int32_t code =
            runNow({printStep(PTR_S_RECEIPT, QStringLiteral("Check health: test print\n"))});
        m_checkHealthText = QStringLiteral("External HCheck: ") +
                            (code == OPOS_SUCCESS ? QStringLiteral("Successful")
                                                  : QStringLiteral("Failed (%1)").arg(code));
        return code;
    }
    return life.finish(OPOS_E_ILLEGAL); // interactive checks need a dialog the device lacks
}

int32_t PosPrinter::Impl::setAsyncMode(bool async)
{
    if (const int32_t code = life.needOpen())
        return life.finish(code);
    m_asyncMode = async;
    return life.finish(OPOS_SUCCESS);
}

int32_t PosPrinter::Impl::setFlagWhenIdle(bool flag)
{
    if (const int32_t code = life.needOpen())
        return life.finish(code);
    m_flagWhenIdle = flag;
    checkIdle();
    return life.finish(OPOS_SUCCESS);
}

int32_t PosPrinter::Impl::setFreezeEvents(bool freeze)
{
    if (const int32_t code = life.needOpen())
        return life.finish(code);
    m_events.setFrozen(freeze);
    return life.finish(OPOS_SUCCESS);
}

void PosPrinter::Impl::stateChanged()
{
    if (m_backend)
        m_backend->controlStateChanged(state(), m_outstanding);
}

void PosPrinter::Impl::checkIdle()
{
    if (m_flagWhenIdle && life.enabled && state() == OPOS_S_IDLE) {
        m_flagWhenIdle = false;
        postStatusUpdate(PTR_SUE_IDLE);
    }
}

void PosPrinter::Impl::postStatusUpdate(int32_t data)
{
    auto event = [this, data] { emit q->StatusUpdateEvent(data); };
    if (const int kind = statusUpdateKind(data); kind != 0) {
        if (m_events.postFoldable(kind, std::move(event)))
            foldedStatusChanges(1);
    } else {
        m_events.post(std::move(event));
    }
}

// Changes that came faster than they could be shown are counted, and said once a second.
void PosPrinter::Impl::foldedStatusChanges(qint64 count)
{
    if (!m_folds.add(count, m_foldClock.elapsed()))
        return;
    QTimer::singleShot(kFoldNoteMs, &m_context, [this] {
        const QString note = m_folds.note(m_foldClock.elapsed());
        if (!note.isEmpty() && life.opened)
            m_events.post([this, note] { emit q->StatusChangesNotShown(note); });
    });
}

int32_t PosPrinter::Impl::powerReporting() const
{
    return m_powerNotify == OPOS_PN_ENABLED ? number(pidx::CapPowerReporting) : OPOS_PR_NONE;
}

// Called on the backend's thread, as often as the device changes; the control object's thread
// takes what came when it gets to it.
void PosPrinter::Impl::statusChanged(const PrinterStatus& status)
{
    if (!m_statusMailbox.put(status))
        return;
    QMetaObject::invokeMethod(
        &m_context,
        [this] {
            if (const auto taken = m_statusMailbox.take()) {
                if (life.enabled)
                    foldedStatusChanges(taken->folded);
                for (const PrinterStatus& status : taken->statuses)
                    onStatus(status);
            }
        },
        Qt::QueuedConnection);
}

// The device's status, on the GUI thread: properties first, then the events.
void PosPrinter::Impl::onStatus(const PrinterStatus& status)
{
    if (!life.opened)
        return;
    const PrinterStatus before = m_status;
    m_status = status;
    if (!life.enabled)
        return;
    for (const int32_t event : statusUpdateEvents(before, status, powerReporting()))
        postStatusUpdate(event);
}

void PosPrinter::Impl::directIOEvent(int32_t eventNumber, int32_t data, const QString& text)
{
    QMetaObject::invokeMethod(
        &m_context,
        [this, eventNumber, data, text] {
            if (!life.opened)
                return;
            m_events.post([this, eventNumber, data, text] {
                int32_t value = data;
                QString string = text;
                emit q->DirectIOEvent(eventNumber, &value, &string);
            });
        },
        Qt::QueuedConnection);
}

} // namespace opos

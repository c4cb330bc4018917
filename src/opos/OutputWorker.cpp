#include "opos/OutputWorker.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <utility>

namespace opos {

namespace {
// An idle worker woken by the first of a run of submissions starts this long after it, or at
// once when this many jobs wait.
constexpr std::chrono::milliseconds kGatherTime{2};
constexpr std::size_t kBatch = 256;
} // namespace

// Shared with confirmations, which may arrive after the worker is gone.
struct OutputWorker::Outbox : std::enable_shared_from_this<Outbox>
{
    struct Report
    {
        OutputJob job;
        DeviceResult result;
    };
    struct InFlight
    {
        uint64_t serial;
        OutputJob job;
        std::optional<DeviceResult> result;
    };

    Outbox(QObject* context, Reporter reporter, uint64_t generation)
        : context(context), reporter(std::move(reporter)), generation(generation)
    {}

    // On the context's thread: hands over everything that arrived up to now.
    void deliver()
    {
        std::vector<Report> taken;
        {
            const std::lock_guard lock(mutex);
            taken.swap(reports);
            pending = false;
        }
        for (const Report& report : taken)
            reporter(report.job, report.result);
    }

    // The outcome of a job handed over; reports what is known at the front, in order.
    void settle(uint64_t serial, const DeviceResult& result)
    {
        const std::lock_guard lock(mutex);
        // Serials are handed out in order and only the front leaves, so the job is found by
        // its distance from the front; it is gone when a clear dropped it.
        if (!inFlight.empty() && serial >= inFlight.front().serial) {
            const auto index = serial - inFlight.front().serial;
            if (index < inFlight.size())
                inFlight[index].result = result;
        }
        while (!inFlight.empty() && inFlight.front().result) {
            InFlight done = std::move(inFlight.front());
            inFlight.pop_front();
            const bool current = done.job.generation == generation;
            if (!done.result->ok() && current) {
                // After the first failure, the ones behind it wait for the answer to it.
                if (failing) {
                    returned.push_back(std::move(done.job));
                    continue;
                }
                failing = true;
            }
            // What a done job printed is not needed any more; outcomes that wait for a caller
            // who seldom turns its event loop must not hold every line.
            if (done.result->ok())
                done.job.steps = {};
            reports.push_back({std::move(done.job), *done.result});
        }
        if (closed || reports.empty() || std::exchange(pending, true))
            return;
        QMetaObject::invokeMethod(
            context, [self = shared_from_this()] { self->deliver(); }, Qt::QueuedConnection);
    }

    QObject* const context;
    const Reporter reporter;
    std::mutex mutex;
    std::vector<Report> reports;
    bool pending = false; // a delivery is on its way
    bool closed = false;  // the worker is gone: nothing more is delivered
    std::deque<InFlight> inFlight;
    uint64_t nextSerial = 0;
    uint64_t generation;
    std::atomic<bool> failing = false; // a failure was reported and waits for retry or clear
    std::vector<OutputJob> returned;   // failed behind it, to run again after a retry
};

OutputWorker::OutputWorker(QObject* context, uint64_t generation, Runner runner, Reporter reporter,
                           Confirmer confirmer)
    : m_runner(std::move(runner)), m_confirmer(std::move(confirmer)),
      m_outbox(std::make_shared<Outbox>(context, std::move(reporter), generation)),
      m_generation(generation), m_thread([this] { run(); })
{}

OutputWorker::~OutputWorker()
{
    {
        const std::lock_guard lock(m_outbox->mutex);
        m_outbox->closed = true;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    m_thread.join();
}

void OutputWorker::submit(OutputJob job)
{
    bool wake = false;
    {
        const std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(job));
        // The first job wakes an idle worker, which gathers the rest of the burst itself; a
        // gathering one is woken early by a full batch; a busy one takes the job when it is
        // done with what it has. None of it waits for the caller's event loop.
        wake = (m_idle && m_queue.size() == 1) || (m_gathering && m_queue.size() == kBatch);
    }
    if (wake)
        m_wake.notify_all();
}

void OutputWorker::retry(OutputJob job)
{
    std::vector<OutputJob> returned;
    {
        const std::lock_guard lock(m_outbox->mutex);
        returned.swap(m_outbox->returned);
        m_outbox->failing = false;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_queue.insert(m_queue.begin(), std::make_move_iterator(returned.begin()),
                       std::make_move_iterator(returned.end()));
        m_queue.push_front(std::move(job));
        m_paused = false;
    }
    m_wake.notify_all();
}

void OutputWorker::clear(uint64_t generation)
{
    {
        const std::lock_guard lock(m_outbox->mutex);
        m_outbox->returned.clear();
        m_outbox->generation = generation;
        m_outbox->failing = false;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_queue.clear();
        m_generation = generation;
        m_paused = false;
    }
    m_wake.notify_all();
}

// A job was handed to the device: its outcome is known now (a failure, or a device that
// confirms nothing), or when the device confirms it.
void OutputWorker::handedOver(OutputJob job, const DeviceResult& result)
{
    uint64_t serial = 0;
    {
        const std::lock_guard lock(m_outbox->mutex);
        serial = m_outbox->nextSerial++;
        m_outbox->inFlight.push_back({serial, std::move(job), std::nullopt});
    }
    if (!result.ok() || !m_confirmer) {
        m_outbox->settle(serial, result);
        return;
    }
    m_confirmer([outbox = std::weak_ptr<Outbox>(m_outbox), serial](const DeviceResult& confirmed) {
        if (const auto alive = outbox.lock())
            alive->settle(serial, confirmed);
    });
}

void OutputWorker::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_idle = true;
        m_wake.wait(lock, [this] {
            return m_stopping || (!m_paused && !m_outbox->failing && !m_queue.empty());
        });
        m_idle = false;
        m_gathering = true;
        m_wake.wait_for(lock, kGatherTime,
                        [this] { return m_stopping || m_queue.size() >= kBatch; });
        m_gathering = false;
        if (m_stopping)
            return;
        // Everything queued meanwhile, and whatever comes while it runs.
        while (!m_stopping && !m_paused && !m_outbox->failing && !m_queue.empty()) {
            OutputJob job = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            const DeviceResult result = m_runner(job);
            lock.lock();
            if (!result.ok() && job.generation == m_generation)
                m_paused = true;
            lock.unlock();
            handedOver(std::move(job), result);
            lock.lock();
        }
    }
}

} // namespace opos

#include "opos/OutputWorker.h"

#include <utility>

namespace opos {

namespace {
// An idle worker starts this long after the first of a run of submissions, or at once when
// this many jobs wait.
constexpr int kWakeDelayMs = 2;
constexpr std::size_t kBatch = 256;
} // namespace

struct OutputWorker::Outbox
{
    struct Report
    {
        OutputJob job;
        DeviceResult result;
    };

    explicit Outbox(Reporter reporter) : reporter(std::move(reporter)) {}

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

    const Reporter reporter;
    std::mutex mutex;
    std::vector<Report> reports;
    bool pending = false; // a delivery is on its way
};

OutputWorker::OutputWorker(QObject* context, uint64_t generation, Runner runner, Reporter reporter)
    : m_context(context), m_runner(std::move(runner)),
      m_outbox(std::make_shared<Outbox>(std::move(reporter))), m_generation(generation),
      m_thread([this] { run(); })
{
    m_wakeTimer.setSingleShot(true);
    m_wakeTimer.setInterval(kWakeDelayMs);
    QObject::connect(&m_wakeTimer, &QTimer::timeout, context, [this] { wake(); });
}

OutputWorker::~OutputWorker()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    m_thread.join();
}

void OutputWorker::wake()
{
    m_wakeTimer.stop();
    m_wake.notify_all();
}

void OutputWorker::submit(OutputJob job)
{
    bool now = false;
    bool later = false;
    {
        const std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(job));
        // A busy worker takes the job when it is done with what it has.
        if (m_idle && !m_paused) {
            now = m_queue.size() >= kBatch;
            later = !now;
        }
    }
    if (now)
        wake();
    else if (later && !m_wakeTimer.isActive())
        m_wakeTimer.start();
}

void OutputWorker::retry(OutputJob job)
{
    {
        const std::lock_guard lock(m_mutex);
        m_queue.push_front(std::move(job));
        m_paused = false;
    }
    m_wake.notify_all();
}

void OutputWorker::clear(uint64_t generation)
{
    {
        const std::lock_guard lock(m_mutex);
        m_queue.clear();
        m_generation = generation;
        m_paused = false;
    }
    m_wake.notify_all();
}

// Queues the outcome for the reporter; a destroyed context drops what has not been delivered.
void OutputWorker::report(OutputJob job, const DeviceResult& result)
{
    {
        const std::lock_guard lock(m_outbox->mutex);
        m_outbox->reports.push_back({std::move(job), result});
        if (std::exchange(m_outbox->pending, true))
            return;
    }
    QMetaObject::invokeMethod(
        m_context, [outbox = m_outbox] { outbox->deliver(); }, Qt::QueuedConnection);
}

void OutputWorker::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_idle = true;
        m_wake.wait(lock, [this] { return m_stopping || (!m_paused && !m_queue.empty()); });
        m_idle = false;
        if (m_stopping)
            return;
        // Everything queued meanwhile, and whatever comes while it runs.
        while (!m_stopping && !m_paused && !m_queue.empty()) {
            OutputJob job = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            const DeviceResult result = m_runner(job);
            lock.lock();
            if (!result.ok() && job.generation == m_generation)
                m_paused = true;
            report(std::move(job), result);
        }
    }
}

} // namespace opos

#include "opos/OutputWorker.h"

namespace opos {

OutputWorker::OutputWorker(QObject* context, uint64_t generation, Runner runner, Reporter reporter)
    : m_context(context), m_runner(std::move(runner)), m_reporter(std::move(reporter)),
      m_generation(generation), m_thread([this] { run(); })
{}

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

void OutputWorker::submit(OutputJob job)
{
    {
        const std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(job));
    }
    m_wake.notify_all();
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

void OutputWorker::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || (!m_paused && !m_queue.empty()); });
        if (m_stopping)
            return;
        OutputJob job = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        const DeviceResult result = m_runner(job);
        lock.lock();
        if (!result.ok() && job.generation == m_generation)
            m_paused = true;
        // The reporter runs on the context's thread; a destroyed context drops the report.
        QMetaObject::invokeMethod(
            m_context, [reporter = m_reporter, job, result] { reporter(job, result); },
            Qt::QueuedConnection);
    }
}

} // namespace opos

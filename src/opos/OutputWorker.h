#pragma once

#include "opos/PrinterBackend.h"

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace opos {

// One piece of printer output: print data for a station, or a paper cut.
struct OutputStep
{
    enum class Kind
    {
        Print,
        Cut
    };
    Kind kind = Kind::Print;
    int32_t station = 0;
    QString data;
    int32_t percentage = 0;
};

// One request: what one asynchronous call (or one transaction) prints, run as a whole.
struct OutputJob
{
    int32_t outputId = 0;
    uint64_t generation = 0; // the output session it belongs to; ClearOutput starts a new one
    std::vector<OutputStep> steps;
};

// Runs asynchronous output on a thread of its own, one job at a time, in order. A job that
// fails stops the queue until the control object answers (retry or clear). Each outcome is
// reported on the context object's thread by a queued call.
class OutputWorker
{
public:
    using Runner = std::function<DeviceResult(const OutputJob&)>; // on the worker; must not throw
    using Reporter = std::function<void(const OutputJob&, const DeviceResult&)>;

    // generation: the output session of the jobs that will come first.
    OutputWorker(QObject* context, uint64_t generation, Runner runner, Reporter reporter);
    ~OutputWorker(); // drops what is queued and waits for the job that runs

    void submit(OutputJob job);
    // Runs the failed job again, ahead of the others, and lets the queue go on.
    void retry(OutputJob job);
    // Drops every queued job; from now on only jobs of this generation are paused on failure.
    void clear(uint64_t generation);

private:
    void run();

    QObject* m_context;
    Runner m_runner;
    Reporter m_reporter;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<OutputJob> m_queue;
    bool m_paused = false;
    bool m_stopping = false;
    uint64_t m_generation = 0;
    std::thread m_thread;
};

} // namespace opos

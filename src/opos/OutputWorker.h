#pragma once

#include "opos/GraphicRequest.h"
#include "opos/PrinterBackend.h"

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace opos {

// One piece of printer output: print data for a station, a paper cut, or a barcode or image.
struct OutputStep
{
    enum class Kind
    {
        Print,
        Cut,
        Graphic
    };
    Kind kind = Kind::Print;
    int32_t station = 0;
    QString data;
    int32_t percentage = 0;
    std::shared_ptr<const GraphicRequest> graphic;
};

// One request: what one asynchronous call (or one transaction) prints, run as a whole.
struct OutputJob
{
    int32_t outputId = 0;
    uint64_t generation = 0; // the output session it belongs to; ClearOutput starts a new one
    std::vector<OutputStep> steps;
};

// Runs asynchronous output on a thread of its own, one job at a time, in order. A job counts as
// done when the device confirmed it; confirmations may come later, so the next jobs go out
// meanwhile. A job that fails stops the queue until the control object answers (retry or
// clear); jobs sent after it that fail too go back into the queue behind it. Outcomes are
// reported on the context object's thread, in the order of the jobs, by queued calls: while one
// call is on its way, further outcomes join it instead of making calls of their own.
//
// Jobs are taken in batches: an idle worker is woken by the first job and takes whatever was
// submitted within a short delay (or at once when many are waiting), and a busy one takes what
// is queued when it is done, so a caller submitting line after line does not wake it line by
// line. Output goes on whether or not the caller turns its event loop; only the outcomes wait
// for it.
class OutputWorker
{
public:
    using Runner = std::function<DeviceResult(const OutputJob&)>; // on the worker; must not throw
    // A job reported as done comes without its steps; a failed one has them, for the retry.
    using Reporter = std::function<void(const OutputJob&, const DeviceResult&)>;
    using Confirmed = std::function<void(const DeviceResult&)>;
    // Asks the device to confirm what was handed over so far; answers on any thread.
    using Confirmer = std::function<void(Confirmed)>;

    // generation: the output session of the jobs that will come first.
    OutputWorker(QObject* context, uint64_t generation, Runner runner, Reporter reporter,
                 Confirmer confirmer = {});
    ~OutputWorker(); // drops what is queued and waits for the job that runs

    void submit(OutputJob job); // on the context object's thread
    // Runs the failed job again, ahead of the others, and lets the queue go on.
    void retry(OutputJob job);
    // Drops every queued job; from now on only jobs of this generation are paused on failure.
    void clear(uint64_t generation);

private:
    struct Outbox; // outcomes not yet handed to the reporter

    void run();
    void handedOver(OutputJob job, const DeviceResult& result);

    Runner m_runner;
    Confirmer m_confirmer;
    std::shared_ptr<Outbox> m_outbox;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<OutputJob> m_queue;
    bool m_paused = false;
    bool m_stopping = false;
    bool m_idle = false;      // waiting for work: only a wake-up gets it going
    bool m_gathering = false; // woken, and waiting a moment for the rest of a burst
    uint64_t m_generation = 0;
    std::thread m_thread;
};

} // namespace opos

// The asynchronous output worker: jobs submitted in a burst run in order, without waiting for
// the submitting thread's event loop, and are each reported in order; a failure stops the batch
// it happened in; clearing drops what waits.
#include "opos/OutputWorker.h"

#include <QTest>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

using opos::DeviceResult;
using opos::OutputJob;
using opos::OutputWorker;

namespace {

// Runs jobs on the worker thread as told, and records what ran and what was reported.
class Recorder
{
public:
    OutputWorker::Runner runner()
    {
        return [this](const OutputJob& job) {
            std::unique_lock lock(m_mutex);
            m_ran.append(job.outputId);
            m_progress.notify_all();
            m_released.wait(lock, [this, &job] { return job.outputId != m_holdAt; });
            return job.outputId == m_failAt ? DeviceResult{114, 201, QStringLiteral("cover open")}
                                            : DeviceResult{};
        };
    }
    OutputWorker::Reporter reporter()
    {
        return [this](const OutputJob& job, const DeviceResult& result) {
            reported.append(result.ok() ? job.outputId : -job.outputId);
        };
    }
    QList<int> ran() const
    {
        const std::lock_guard lock(m_mutex);
        return m_ran;
    }
    // Waits on the test's thread, without turning its event loop, until so many jobs ran.
    bool waitUntilRan(int count)
    {
        std::unique_lock lock(m_mutex);
        return m_progress.wait_for(lock, std::chrono::seconds(10),
                                   [this, count] { return m_ran.size() >= count; });
    }
    void failAt(int id)
    {
        const std::lock_guard lock(m_mutex);
        m_failAt = id;
    }
    void holdAt(int id)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_holdAt = id;
        }
        m_released.notify_all();
    }

    QList<int> reported; // on the test's thread; a failed job's id negated

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    std::condition_variable m_progress;
    QList<int> m_ran;
    int m_failAt = 0;
    int m_holdAt = 0;
};

OutputJob job(int id, uint64_t generation = 1)
{
    return {id, generation, {}};
}

QList<int> ids(int from, int to)
{
    QList<int> list;
    for (int id = from; id <= to; ++id)
        list.append(id);
    return list;
}

// A worker over a recorder, and bursts of jobs for it.
struct Running
{
    ~Running() { recorder.holdAt(0); } // a failed test must not leave the worker held

    void submit(int from, int to)
    {
        for (int id = from; id <= to; ++id)
            worker.submit(job(id));
    }

    QObject context;
    Recorder recorder;
    OutputWorker worker{&context, 1, recorder.runner(), recorder.reporter()};
};

// Confirmations the test gives itself: held until answered, or answered at once when told how.
class Confirmations
{
public:
    OutputWorker::Confirmer confirmer()
    {
        return [this](OutputWorker::Confirmed done) {
            std::unique_lock lock(m_mutex);
            if (m_answer) {
                const DeviceResult answer = *m_answer;
                lock.unlock();
                done(answer);
                return;
            }
            m_waiting.push_back(std::move(done));
        };
    }
    qsizetype waiting() const
    {
        const std::lock_guard lock(m_mutex);
        return qsizetype(m_waiting.size());
    }
    // Answers what waits, in order, on the calling thread; later ones get the same answer.
    void answer(const DeviceResult& result)
    {
        std::vector<OutputWorker::Confirmed> waiting;
        {
            const std::lock_guard lock(m_mutex);
            m_answer = result;
            waiting.swap(m_waiting);
        }
        for (const auto& done : waiting)
            done(result);
    }

private:
    mutable std::mutex m_mutex;
    std::vector<OutputWorker::Confirmed> m_waiting;
    std::optional<DeviceResult> m_answer;
};

} // namespace

class TestOutputWorker : public QObject
{
    Q_OBJECT

private slots:
    void burstRunsInOrder_data()
    {
        QTest::addColumn<int>("jobs");
        QTest::newRow("one") << 1;
        QTest::newRow("just under a batch") << 255;
        QTest::newRow("a batch") << 256;
        QTest::newRow("many batches") << 5000;
    }
    void burstRunsInOrder()
    {
        QFETCH(int, jobs);
        Running run;
        run.submit(1, jobs);
        QTRY_COMPARE(run.recorder.reported.size(), jobs);
        QCOMPARE(run.recorder.reported, ids(1, jobs));
        QCOMPARE(run.recorder.ran(), ids(1, jobs));
    }

    // Output does not wait for the caller's event loop: a burst runs while the submitting
    // thread never turns its loop, and only the outcomes wait for it.
    void burstRunsWithoutTheEventLoop_data()
    {
        QTest::addColumn<int>("jobs");
        QTest::newRow("one") << 1;
        QTest::newRow("a few") << 20;
        QTest::newRow("more than a batch") << 300;
    }
    void burstRunsWithoutTheEventLoop()
    {
        QFETCH(int, jobs);
        Running run;
        run.submit(1, 1); // the worker has done its first job and waits for more
        QTRY_COMPARE(run.recorder.reported, ids(1, 1));
        run.submit(2, jobs + 1);
        QVERIFY(run.recorder.waitUntilRan(jobs + 1));
        QCOMPARE(run.recorder.ran(), ids(1, jobs + 1));
        QCOMPARE(run.recorder.reported, ids(1, 1));
        QTRY_COMPARE(run.recorder.reported, ids(1, jobs + 1));
    }

    // A job that fails stops the queue: nothing after it runs until it is retried.
    void failureStopsTheBatch()
    {
        Running run;
        run.recorder.failAt(5);
        run.submit(1, 10);
        QTRY_COMPARE(run.recorder.reported, (QList<int>{1, 2, 3, 4, -5}));
        run.submit(11, 11); // a paused worker takes nothing new either
        QCoreApplication::processEvents();
        QCOMPARE(run.recorder.ran(), ids(1, 5));

        run.recorder.failAt(0);
        run.worker.retry(job(5));
        QTRY_COMPARE(run.recorder.reported.size(), 12);
        QCOMPARE(run.recorder.reported.mid(5), ids(5, 11));
        QCOMPARE(run.recorder.ran(), ids(1, 5) + ids(5, 11));
    }

    // Jobs go out before the device confirms the ones before them, so several confirmations
    // may fail: only the first is reported, the others wait behind it and run again with it.
    void onlyTheFirstFailedConfirmationIsReported()
    {
        QObject context;
        Recorder recorder;
        Confirmations confirmations;
        OutputWorker worker{&context, 1, recorder.runner(), recorder.reporter(),
                            confirmations.confirmer()};
        for (int id = 1; id <= 3; ++id)
            worker.submit(job(id));
        QTRY_COMPARE(confirmations.waiting(), 3);
        confirmations.answer({114, 203, QStringLiteral("paper out")});
        QTRY_COMPARE(recorder.reported, QList<int>{-1});
        QCoreApplication::processEvents();
        QCOMPARE(recorder.reported, QList<int>{-1});

        confirmations.answer({});
        worker.retry(job(1));
        QTRY_COMPARE(recorder.reported, (QList<int>{-1, 1, 2, 3}));
        QCOMPARE(recorder.ran(), (QList<int>{1, 2, 3, 1, 2, 3}));
    }

    // Clearing drops what waits; the job that runs finishes and is reported.
    void clearDropsWhatWaits()
    {
        Running run;
        run.recorder.holdAt(1);
        run.submit(1, 10);
        QTRY_COMPARE(run.recorder.ran(), QList<int>{1});
        run.worker.clear(2);
        run.recorder.holdAt(0);
        QTRY_COMPARE(run.recorder.reported, QList<int>{1});
        run.worker.submit(job(20, 2));
        QTRY_COMPARE(run.recorder.reported, (QList<int>{1, 20}));
        QCOMPARE(run.recorder.ran(), (QList<int>{1, 20}));
    }
};

QTEST_GUILESS_MAIN(TestOutputWorker)
#include "test_output_worker.moc"

#pragma once

#include <QPointer>
#include <functional>

// The window's handlers that are running now. A handler may yield to the event loop (a file job
// between its lines, a claim waiting for another holder), and other events run meanwhile. A
// close among them must not destroy what the handler still uses: it asks the running handlers
// to stop early and comes back once the outermost one has returned.
class RunningHandlers
{
public:
    // Marks one handler as running for as long as it lasts.
    class Scope
    {
    public:
        explicit Scope(RunningHandlers& handlers);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        RunningHandlers& m_handlers;
    };

    RunningHandlers() = default;
    RunningHandlers(const RunningHandlers&) = delete;
    RunningHandlers& operator=(const RunningHandlers&) = delete;

    // True while at least one handler runs.
    bool active() const { return m_depth > 0; }
    // True from a stop request until the last handler has returned: long work ends early.
    bool stopRequested() const { return m_stopRequested; }
    // With a handler running: requests the stop, and runs `then` from the event loop (while
    // context lives) once the last handler has returned; true. Otherwise false, keeping nothing.
    bool stopThen(QObject* context, std::function<void()> then);

private:
    int m_depth = 0;
    bool m_stopRequested = false;
    QPointer<QObject> m_context;
    std::function<void()> m_afterStop;
};

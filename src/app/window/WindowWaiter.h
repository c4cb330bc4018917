#pragma once

#include "opos/Waiter.h"

#include <QObject>
#include <QPointer>
#include <atomic>
#include <chrono>
#include <functional>
#include <vector>

class QWidget;

// The waiter of the window's control-object calls. On the GUI thread a wait runs a nested event
// loop: the windows keep painting and the timers ticking, the Virtual devices window stays
// usable, but no click or key reaches the main window until the call returns. A wait that lasts
// longer than the show delay shows the "Waiting" box (dlgWait): the device as the user named it,
// what the call waits for, the time left (or the seconds elapsed, for a wait without an end)
// and a Cancel button; Cancel ends the wait and the rest of its call. The box blocks nothing
// itself, so that the controls let through (Stop of a file job) stay usable beside it.
// Control objects hold their events back meanwhile. Off the GUI thread (the printer's output
// worker) a wait blocks, as the plain waiter does.
class WindowWaiter final : public QObject, public opos::Waiter
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WindowWaiter)

public:
    using Clock = std::function<std::chrono::milliseconds()>;
    static constexpr std::chrono::milliseconds kShowDelay{300};

    // clock: for the elapsed time shown and the show delay (a steady clock when empty).
    explicit WindowWaiter(Clock clock = {}, std::chrono::milliseconds showDelay = kShowDelay,
                          QObject* parent = nullptr);
    ~WindowWaiter() override;

    // The main window: its input is blocked during a wait, and it owns the wait box.
    void setWindow(QWidget* window);
    // A control of the main window that takes clicks during a wait too: one that only asks
    // for something to end, never starts a call (Stop of a file job).
    static void letThrough(QWidget& control);

    Outcome wait(const QString& what, QDeadlineTimer deadline,
                 const std::function<bool()>& ready) override;
    void wake() override;
    bool holdingEvents() const override;
    void whenEventsFree(std::function<void()> resume) override;

signals:
    // A wait on the GUI thread has started or ended (for tests and measurements).
    void waitStarted();
    void waitEnded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class GuiWait;
    bool blocksInput(QObject* watched, const QEvent* event) const;
    static bool letsThrough(const QWidget* widget);
    void checkInnermost();

    opos::BlockingWaiter m_blocking;
    Clock m_clock;
    std::chrono::milliseconds m_showDelay;
    QPointer<QWidget> m_window;
    std::vector<GuiWait*> m_waits; // GUI thread only, innermost last
    std::atomic<int> m_guiWaits{0};
    std::vector<std::function<void()>> m_resume;
};

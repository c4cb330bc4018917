#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <memory>

namespace opos {

class Waiter;

// Delivers a control object's events on its thread, one at a time and in the order they were
// posted, never from inside the call that caused them. While frozen, events wait. An event
// posted while another one's handler runs (a handler showing a modal box) waits for it. While a
// call waits for its device and lets the event loop run, events wait for the call to return.
class EventQueue : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EventQueue)

public:
    using WaiterSource = std::function<std::shared_ptr<Waiter>()>;
    // waiter: the waiter of the calls whose waits hold the events back.
    explicit EventQueue(WaiterSource waiter, QObject* parent = nullptr);
    ~EventQueue() override;

    void post(std::function<void()> event);
    // An event of a kind (a status update of the cover, the paper, the power) that may be
    // folded: once several of its kind wait, a new one takes the place of the newest of them,
    // so the newest state wins and the queue stays short. True when it was folded.
    bool postFoldable(int kind, std::function<void()> event);
    void setFrozen(bool frozen);
    bool frozen() const { return m_frozen; }
    void clear() { m_events.clear(); }
    // Events of one foldable kind that may wait before new ones take their place.
    static constexpr int kKeptPerKind = 4;
    qsizetype pending() const { return static_cast<qsizetype>(m_events.size()); }

private:
    void schedule();
    void deliver();

    WaiterSource m_waiter;
    struct Pending
    {
        int kind; // 0: never folded
        std::function<void()> deliver;
    };
    std::deque<Pending> m_events;
    bool m_frozen = false;
    bool m_delivering = false;
    bool m_scheduled = false;
};

} // namespace opos

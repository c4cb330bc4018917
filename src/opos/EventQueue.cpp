#include "opos/EventQueue.h"

#include "opos/Waiter.h"

#include <QPointer>
#include <QtDebug>
#include <exception>

namespace opos {

EventQueue::EventQueue(WaiterSource waiter, QObject* parent)
    : QObject(parent), m_waiter(std::move(waiter))
{}

EventQueue::~EventQueue() = default;

void EventQueue::post(std::function<void()> event)
{
    m_events.push_back({0, std::move(event)});
    schedule();
}

bool EventQueue::postFoldable(int kind, std::function<void()> event)
{
    int waiting = 0;
    auto newest = m_events.rend();
    for (auto it = m_events.rbegin(); it != m_events.rend(); ++it) {
        if (it->kind != kind)
            continue;
        if (waiting++ == 0)
            newest = it;
        if (waiting >= kKeptPerKind) {
            newest->deliver = std::move(event);
            return true;
        }
    }
    m_events.push_back({kind, std::move(event)});
    schedule();
    return false;
}

void EventQueue::setFrozen(bool frozen)
{
    m_frozen = frozen;
    if (!frozen)
        schedule();
}

void EventQueue::schedule()
{
    if (m_scheduled || m_frozen || m_events.empty())
        return;
    m_scheduled = true;
    QMetaObject::invokeMethod(this, &EventQueue::deliver, Qt::QueuedConnection);
}

void EventQueue::deliver()
{
    m_scheduled = false;
    if (m_delivering)
        return; // the running handler's loop picks the rest up when it returns
    if (const auto waiter = m_waiter(); waiter && waiter->holdingEvents()) {
        // A call waits for its device: its events and any others come after it returns.
        m_scheduled = true;
        waiter->whenEventsFree([alive = QPointer<EventQueue>(this)] {
            if (!alive)
                return;
            alive->m_scheduled = false;
            alive->schedule();
        });
        return;
    }
    const QPointer<EventQueue> alive(this);
    m_delivering = true;
    while (!m_frozen && !m_events.empty()) {
        auto event = std::move(m_events.front().deliver);
        m_events.pop_front();
        try {
            event();
        } catch (const std::exception& failure) {
            // A handler's failure must not unwind through the event loop.
            qWarning("Event handler failed: %s", failure.what());
        }
        if (!alive)
            return; // a handler destroyed the control object
    }
    m_delivering = false;
}

} // namespace opos

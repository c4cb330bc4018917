#include "services/RunningHandlers.h"

#include <QTimer>
#include <utility>

RunningHandlers::Scope::Scope(RunningHandlers& handlers) : m_handlers(handlers)
{
    ++m_handlers.m_depth;
}

RunningHandlers::Scope::~Scope()
{
    if (--m_handlers.m_depth > 0 || !m_handlers.m_stopRequested)
        return;
    m_handlers.m_stopRequested = false;
    auto then = std::exchange(m_handlers.m_afterStop, {});
    if (m_handlers.m_context && then)
        QTimer::singleShot(0, m_handlers.m_context, std::move(then));
}

bool RunningHandlers::stopThen(QObject* context, std::function<void()> then)
{
    if (m_depth == 0)
        return false;
    m_stopRequested = true;
    m_context = context;
    m_afterStop = std::move(then);
    return true;
}

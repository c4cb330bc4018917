#include "backends/sim/ClaimWaiter.h"
#include "backends/sim/SimulatedCompanions.h"
#include "opos/OposConstants.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace sim {

namespace {

// The drawer's state, shared with the backends of its control objects.
struct DrawerCore
{
    std::mutex mutex;
    bool open = false;
    const void* holder = nullptr;
    std::vector<opos::CashDrawerBackendListener*> listeners;
    std::recursive_mutex ownerMutex;
    SimulatedCashDrawer* owner = nullptr;

    // Changes the drawer and tells every open control object and the owner.
    void setOpen(bool nowOpen)
    {
        {
            const std::lock_guard lock(mutex);
            if (open == nowOpen)
                return;
            open = nowOpen;
            for (auto* listener : listeners)
                listener->drawerChanged(nowOpen); // only posts; never calls back
        }
        const std::lock_guard lock(ownerMutex);
        if (owner)
            emit owner->drawerChanged(nowOpen);
    }
};

class DrawerBackend : public opos::CashDrawerBackend
{
public:
    explicit DrawerBackend(std::shared_ptr<DrawerCore> core) : m_core(std::move(core)) {}
    ~DrawerBackend() override
    {
        setListener(nullptr);
        release();
    }

    void setListener(opos::CashDrawerBackendListener* listener) override
    {
        const std::lock_guard lock(m_core->mutex);
        std::erase(m_core->listeners, m_listener);
        m_listener = listener;
        if (listener)
            m_core->listeners.push_back(listener);
    }
    opos::DeviceResult open() override { return {}; }
    void close() override { release(); }
    opos::DeviceResult claim(int32_t timeoutMs) override
    {
        return claimFor(m_core->mutex, m_core->holder, this, timeoutMs);
    }
    void release() override { releaseFor(m_core->mutex, m_core->holder, this); }
    opos::DeviceResult enable() override { return {}; }
    void disable() override {}
    opos::DeviceResult openDrawer() override
    {
        {
            const std::lock_guard lock(m_core->mutex);
            if (m_core->holder && m_core->holder != this)
                return {opos::OPOS_E_CLAIMED, 0, QStringLiteral("Another instance claimed it")};
        }
        m_core->setOpen(true);
        return {};
    }
    bool drawerOpened() override
    {
        const std::lock_guard lock(m_core->mutex);
        return m_core->open;
    }
    QVariantMap deviceProperties() override
    {
        return {{QStringLiteral("CapStatus"), true},
                {QStringLiteral("DeviceDescription"), QStringLiteral("Simulated cash drawer")}};
    }

private:
    std::shared_ptr<DrawerCore> m_core;
    opos::CashDrawerBackendListener* m_listener = nullptr;
};

} // namespace

class SimulatedCashDrawer::Impl
{
public:
    std::shared_ptr<DrawerCore> core = std::make_shared<DrawerCore>();
};

SimulatedCashDrawer::SimulatedCashDrawer(QObject* parent)
    : QObject(parent), d(std::make_unique<Impl>())
{
    d->core->owner = this;
}

SimulatedCashDrawer::~SimulatedCashDrawer()
{
    const std::lock_guard lock(d->core->ownerMutex);
    d->core->owner = nullptr;
}

bool SimulatedCashDrawer::isOpen() const
{
    const std::lock_guard lock(d->core->mutex);
    return d->core->open;
}

void SimulatedCashDrawer::closeByHand()
{
    d->core->setOpen(false);
}

std::unique_ptr<opos::CashDrawerBackend> SimulatedCashDrawer::createBackend()
{
    return std::make_unique<DrawerBackend>(d->core);
}

} // namespace sim

#include "backends/sim/SharedDeviceState.h"
#include "backends/sim/SimulatedCompanions.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/OposConstants.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace sim {

namespace {

// The drawer's state, shared with the backends of its control objects.
struct DrawerCore : SharedDeviceState<SimulatedCashDrawer>
{
    bool open = false;
    std::vector<opos::CashDrawerBackendListener*> listeners;

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
        tellOwner([nowOpen](SimulatedCashDrawer& owner) { emit owner.drawerChanged(nowOpen); });
    }
};

class DrawerBackend : public CompanionBackend<opos::CashDrawerBackend, DrawerCore>
{
public:
    using CompanionBackend::CompanionBackend;
    ~DrawerBackend() override { setListener(nullptr); }

    void setListener(opos::CashDrawerBackendListener* listener) override
    {
        const std::lock_guard lock(m_core->mutex);
        std::erase(m_core->listeners, m_listener);
        m_listener = listener;
        if (listener)
            m_core->listeners.push_back(listener);
    }
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
    opos::CashDrawerBackendListener* m_listener = nullptr;
};

} // namespace

class SimulatedCashDrawer::Impl : public CoreOwner<DrawerCore, SimulatedCashDrawer>
{
    using CoreOwner::CoreOwner;
};

SimulatedCashDrawer::SimulatedCashDrawer(QObject* parent)
    : QObject(parent), d(std::make_unique<Impl>(this))
{}

SimulatedCashDrawer::~SimulatedCashDrawer() = default;

bool SimulatedCashDrawer::isOpen() const
{
    const std::lock_guard lock(d->core->mutex);
    return d->core->open;
}

void SimulatedCashDrawer::closeByHand()
{
    d->core->setOpen(false);
}

void SimulatedCashDrawer::kick()
{
    d->core->setOpen(true);
}

std::unique_ptr<opos::CashDrawerBackend>
SimulatedCashDrawer::createBackend(std::shared_ptr<opos::Waiter> waiter)
{
    return std::make_unique<DrawerBackend>(
        d->core, waiter ? std::move(waiter) : std::make_shared<opos::BlockingWaiter>(),
        kCashDrawerName);
}

} // namespace sim

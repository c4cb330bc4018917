#pragma once

#include "backends/sim/ClaimWaiter.h"

#include <memory>
#include <mutex>

namespace sim {

// What a simulated drawer or display shares with the backends of its control objects: the
// claim, and the link to the object that people and tests drive (gone first, at times).
template <typename Owner> struct SharedDeviceState
{
    std::mutex mutex; // guards holder and the device's own state
    const void* holder = nullptr;
    ClaimWakers claimWakers;

    // Calls notify(owner) while the owner still exists.
    template <typename Notify> void tellOwner(Notify notify)
    {
        const std::lock_guard lock(ownerMutex);
        if (owner)
            notify(*owner);
    }

    std::recursive_mutex ownerMutex;
    Owner* owner = nullptr;
};

// The owner's end of a core: made with the owner, unhooked when the owner goes.
template <typename Core, typename Owner> class CoreOwner
{
public:
    explicit CoreOwner(Owner* owner) { core->owner = owner; }
    ~CoreOwner()
    {
        const std::lock_guard lock(core->ownerMutex);
        core->owner = nullptr;
    }
    CoreOwner(const CoreOwner&) = delete;
    CoreOwner& operator=(const CoreOwner&) = delete;

    const std::shared_ptr<Core> core = std::make_shared<Core>();
};

// The life-cycle calls of a simulated companion backend: the claim goes through the core and
// waits through the waiter of its control object's calls, the rest always succeed. Let go of
// the claim when it goes.
template <typename Interface, typename Core> class CompanionBackend : public Interface
{
public:
    CompanionBackend(std::shared_ptr<Core> core, std::shared_ptr<opos::Waiter> waiter, QString name)
        : m_core(std::move(core)), m_waiter(std::move(waiter)), m_name(std::move(name))
    {}
    ~CompanionBackend() override { release(); }

    opos::DeviceResult open() override { return {}; }
    void close() override { release(); }
    opos::DeviceResult claim(int32_t timeoutMs) override
    {
        return claimFor(m_core->mutex, m_core->holder, this, timeoutMs,
                        {*m_waiter, m_name, m_core->claimWakers});
    }
    void release() override
    {
        releaseFor(m_core->mutex, m_core->holder, this, m_core->claimWakers);
    }
    opos::DeviceResult enable() override { return {}; }
    void disable() override {}

protected:
    const std::shared_ptr<Core> m_core;
    const std::shared_ptr<opos::Waiter> m_waiter;
    const QString m_name;
};

} // namespace sim

#pragma once

#include "opos/DeviceRegistry.h"
#include "opos/Waiter.h"

#include <memory>

namespace opos {

// One member call of a control object, marked on the registry's waiter for as long as it runs
// (see Waiter::Call). Every public member that may reach the device opens one.
class DeviceCall
{
public:
    explicit DeviceCall(const DeviceRegistry& registry, const QString& device = {},
                        const QString& purpose = {})
        : m_waiter(registry.waiter()), m_call(*m_waiter, device, purpose)
    {}

    Waiter& waiter() const { return *m_waiter; }

private:
    std::shared_ptr<Waiter> m_waiter;
    Waiter::Call m_call;
};

} // namespace opos

#include "backends/sim/SimulatedPrinterCore.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace sim {

SimulatedPrinterCore::SimulatedPrinterCore(SimulatedPrinter* owner)
    : pacer(std::make_shared<RealTimePacer>()), m_owner(owner)
{}

std::optional<opos::DeviceResult> SimulatedPrinterCore::takeFailure(const char* operation)
{
    std::optional<InjectedFailure> taken;
    {
        const std::lock_guard lock(mutex);
        taken.swap(failure);
    }
    if (!taken)
        return std::nullopt;
    notifyOwner(Signal::Status);
    if (taken->runTimeFailure)
        throw std::runtime_error(std::string("The simulated printer failed in ") + operation +
                                 " (injected failure)");
    return opos::DeviceResult{
        taken->resultCode, taken->extended,
        QStringLiteral("Injected result in %1").arg(QLatin1String(operation))};
}

void SimulatedPrinterCore::addListener(opos::PrinterBackendListener* listener)
{
    const std::lock_guard lock(m_listenerMutex);
    m_listeners.push_back(listener);
}

void SimulatedPrinterCore::removeListener(opos::PrinterBackendListener* listener)
{
    const std::lock_guard lock(m_listenerMutex);
    std::erase(m_listeners, listener);
}

void SimulatedPrinterCore::publishStatus()
{
    opos::PrinterStatus now;
    {
        const std::lock_guard lock(mutex);
        now = status;
    }
    {
        // Listeners only post to their control object's thread; they never call back.
        const std::lock_guard lock(m_listenerMutex);
        for (auto* listener : m_listeners)
            listener->statusChanged(now);
    }
    notifyOwner(Signal::Status);
}

void SimulatedPrinterCore::notifyOwner(Signal signal)
{
    const std::lock_guard lock(m_ownerMutex);
    if (!m_owner)
        return;
    switch (signal) {
    case Signal::Status:
        emit m_owner->statusChanged();
        break;
    case Signal::Activity:
        emit m_owner->activityChanged();
        break;
    case Signal::Receipt:
        emit m_owner->receiptChanged();
        break;
    }
}

void SimulatedPrinterCore::detachOwner()
{
    const std::lock_guard lock(m_ownerMutex);
    m_owner = nullptr;
}

} // namespace sim

#pragma once

#include "backends/sim/ClaimWaiter.h"
#include "backends/sim/PrintPacer.h"
#include "backends/sim/ReceiptRoll.h"
#include "backends/sim/SimulatedPrinter.h"

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace sim {

// The state of one simulated printer, shared by the SimulatedPrinter that people and tests
// drive and the backends its control objects open. Outlives whichever of them goes first.
class SimulatedPrinterCore
{
public:
    explicit SimulatedPrinterCore(SimulatedPrinter* owner);

    mutable std::mutex mutex; // guards the fields below
    opos::PrinterStatus status;
    bool heldElsewhere = false;
    OutputSpeed speed = OutputSpeed::Instant;
    std::optional<InjectedFailure> failure;
    const void* holder = nullptr; // the backend that claimed the printer
    ClaimWakers claimWakers;
    SimulatedPrinter::Activity activity;
    ReceiptRoll roll;
    std::shared_ptr<PrintPacer> pacer;

    // The injected failure for the next call, if any: throws or gives the code to return.
    std::optional<opos::DeviceResult> takeFailure(const char* operation);

    void addListener(opos::PrinterBackendListener* listener);
    void removeListener(opos::PrinterBackendListener* listener);
    // Tells every open control object about the status, then the owner.
    void publishStatus();

    enum class Signal
    {
        Status,
        Activity,
        Receipt
    };
    void notifyOwner(Signal signal);
    void detachOwner();

private:
    std::mutex m_listenerMutex;
    std::vector<opos::PrinterBackendListener*> m_listeners;
    std::recursive_mutex m_ownerMutex;
    SimulatedPrinter* m_owner;
};

} // namespace sim

#pragma once

#include "opos/Waiter.h"

#include <chrono>
#include <stop_token>

namespace sim {

// The clock that gives simulated output its speed. Tests inject one that only records.
class PrintPacer
{
public:
    virtual ~PrintPacer() = default;
    // Waits through waiter for the time a piece of output takes (on the window's thread the
    // window keeps working meanwhile); returns early when stop is requested. Cancelled when the
    // person cancelled the wait, otherwise Ready.
    virtual opos::Waiter::Outcome pause(std::chrono::milliseconds duration, std::stop_token stop,
                                        opos::Waiter& waiter, const QString& what) = 0;
};

// Waits in real time.
class RealTimePacer : public PrintPacer
{
public:
    opos::Waiter::Outcome pause(std::chrono::milliseconds duration, std::stop_token stop,
                                opos::Waiter& waiter, const QString& what) override;
};

} // namespace sim

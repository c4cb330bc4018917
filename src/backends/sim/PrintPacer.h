#pragma once

#include <chrono>
#include <stop_token>

namespace sim {

// The clock that gives simulated output its speed. Tests inject one that only records.
class PrintPacer
{
public:
    virtual ~PrintPacer() = default;
    // Waits for the time a piece of output takes; returns early when stop is requested.
    virtual void pause(std::chrono::milliseconds duration, std::stop_token stop) = 0;
};

// Waits in real time.
class RealTimePacer : public PrintPacer
{
public:
    void pause(std::chrono::milliseconds duration, std::stop_token stop) override;
};

} // namespace sim

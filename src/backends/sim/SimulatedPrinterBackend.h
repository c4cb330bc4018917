#pragma once

#include "backends/sim/SimulatedPrinterCore.h"
#include "opos/PrintDataParser.h"
#include "opos/PrinterBackend.h"

#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>

namespace sim {

// The service of the simulated printer for one Open: checks the device's switches and sensors,
// puts what it prints on the roll, at the chosen speed.
class SimulatedPrinterBackend : public opos::PrinterBackend
{
public:
    SimulatedPrinterBackend(std::shared_ptr<SimulatedPrinterCore> core,
                            std::shared_ptr<opos::Waiter> waiter);
    ~SimulatedPrinterBackend() override;

    void setListener(opos::PrinterBackendListener* listener) override;
    opos::DeviceResult open() override;
    void close() override;
    opos::DeviceResult claim(int32_t timeoutMs) override;
    void release() override;
    opos::DeviceResult enable() override;
    void disable() override;
    opos::PrinterStatus status() override;
    opos::DeviceResult print(int32_t station, const QString& data, opos::OutputMode mode) override;
    opos::DeviceResult cutPaper(int32_t percentage, opos::OutputMode mode) override;
    opos::DeviceResult printGraphic(const opos::GraphicRequest& request,
                                    opos::OutputMode mode) override;
    opos::DeviceResult directIO(int32_t command, int32_t* data, QString* text) override;
    QVariantMap deviceProperties() override;
    opos::DeviceResult setDeviceProperty(const QString& name, const QVariant& value) override;
    void abortOutput() override;
    void stopWaiting() override;
    void controlStateChanged(int32_t state, int outstanding) override;

private:
    // The reason output cannot go on now, or success.
    opos::DeviceResult readiness() const;
    // Runs work on a thread of its own while the calling thread waits through the waiter, so
    // that a window goes on while a synchronous call with a lot of data is parsed and laid out.
    struct Aside
    {
        opos::Waiter::Outcome outcome = opos::Waiter::Outcome::Ready; // of the wait
        opos::DeviceResult result;                                    // of the work
    };
    Aside aside(const std::function<opos::DeviceResult()>& work);
    // Runs the segments onto the roll, line by line at the device's speed.
    opos::DeviceResult output(const std::vector<opos::PrintSegment>& segments);
    std::stop_token outputStopToken();
    void updateActivity(bool claimed, bool enabled);

    std::shared_ptr<SimulatedPrinterCore> m_core;
    std::shared_ptr<opos::Waiter> m_waiter;
    opos::PrinterBackendListener* m_listener = nullptr;
    opos::PrintDataParser m_parser;
    // Device settings of this session, in dots.
    int m_lineChars = 48;
    int m_lineHeight = 24;
    int m_lineSpacing = 30;
    int m_characterSet = 437;
    bool m_stopWaiting = false; // a claim's wait is to end now (GUI thread only)
    std::mutex m_stopMutex;
    std::stop_source m_stop;
};

} // namespace sim

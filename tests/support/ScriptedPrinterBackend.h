#pragma once

#include "opos/DeviceRegistry.h"
#include "opos/PrinterBackend.h"

#include <QStringList>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

// A printer backend whose answers a test scripts and whose calls it records. The script lives
// in a shared object, so the test keeps hold of it while the control object owns the backend.
struct PrinterScript
{
    mutable std::mutex mutex;
    QStringList calls; // "open", "claim 1000", "print 2 text", "cut 100", "directIO 7 3 text" ...
    opos::DeviceResult openResult;
    opos::DeviceResult claimResult;
    opos::DeviceResult enableResult;
    std::deque<opos::DeviceResult> outputResults; // for print and cut, in order; then success
    bool throwOnNextOutput = false;
    opos::PrinterStatus status;
    QVariantMap properties; // what deviceProperties() answers
    opos::PrinterBackendListener* listener = nullptr;
    bool holdOutput = false; // print and cut wait while this is set
    // Held print and cut wait through the control object's waiter, as a device waiting for its
    // confirmation does, instead of blocking the thread; up to waitTimeoutMs (-1: no limit).
    bool waitThroughWaiter = false;
    int waitTimeoutMs = -1;
    std::shared_ptr<opos::Waiter> waiter; // of the backend opened last
    std::condition_variable released;

    PrinterScript();
    QStringList takeCalls();
    void hold();
    void letGo();
    // Changes the status and tells the control object, as a device would.
    void changeStatus(const opos::PrinterStatus& status);
};

class ScriptedPrinterBackend : public opos::PrinterBackend
{
public:
    ScriptedPrinterBackend(std::shared_ptr<PrinterScript> script,
                           std::shared_ptr<opos::Waiter> waiter);

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
    opos::DeviceResult directIO(int32_t command, int32_t* data, QString* text) override;
    QVariantMap deviceProperties() override;
    opos::DeviceResult setDeviceProperty(const QString& name, const QVariant& value) override;
    void abortOutput() override;

private:
    opos::DeviceResult output(const QString& call);
    void record(const QString& call);

    std::shared_ptr<PrinterScript> m_script;
    std::shared_ptr<opos::Waiter> m_waiter;
};

// Makes the name "Scripted" open a backend run by the script.
void addScriptedPrinter(opos::DeviceRegistry& registry, std::shared_ptr<PrinterScript> script);

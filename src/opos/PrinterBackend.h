#pragma once

#include "opos/GraphicRequest.h"
#include "opos/OposConstants.h"

#include <QString>
#include <QVariant>
#include <cstdint>
#include <functional>

namespace opos {

enum class PaperState
{
    Ok,
    NearEnd,
    Empty
};
enum class PowerState
{
    Online,
    Off,
    Offline,
    OffOffline
};

// What the printer hardware reports; the control layer turns changes into status events.
struct PrinterStatus
{
    bool coverOpen = false;
    PaperState receiptPaper = PaperState::Ok;
    PowerState power = PowerState::Online;
    bool drawerOpen = false;
    friend bool operator==(const PrinterStatus&, const PrinterStatus&) = default;
};

// Outcome of one device operation: an OPOS result code and, with OPOS_E_EXTENDED, the detail.
struct DeviceResult
{
    int32_t code = 0;
    int32_t extended = 0;
    QString text; // why it failed, for ErrorString; empty on success
    bool ok() const { return code == 0; }
    // A request the device cannot carry out as asked (OPOS_E_ILLEGAL), and why.
    static DeviceResult illegal(QString why) { return {OPOS_E_ILLEGAL, 0, std::move(why)}; }
};

// Callbacks from a backend to its control object. They may be called from any thread; the
// control layer delivers the resulting events on the GUI thread.
struct PrinterBackendListener
{
    virtual ~PrinterBackendListener() = default;
    virtual void statusChanged(const PrinterStatus& status) = 0;
    virtual void directIOEvent(int32_t eventNumber, int32_t data, const QString& text) = 0;
};

// The life-cycle calls every device behind a control object answers.
class DeviceBackend
{
public:
    virtual ~DeviceBackend() = default;

    // Open: start the service. Failure gives E_NOSERVICE, E_NOHARDWARE or E_OFFLINE.
    virtual DeviceResult open() = 0;
    virtual void close() = 0;
    // Claim: take the device, waiting at most timeoutMs (-1 forever) for another holder.
    virtual DeviceResult claim(int32_t timeoutMs) = 0;
    virtual void release() = 0;
    // Enable: bring the device on line (initialise, read its status).
    virtual DeviceResult enable() = 0;
    virtual void disable() = 0;
};

// The device behind a POS Printer control object: only what differs between devices. The state
// machine, checks, output queue and event delivery live once in the control layer, which also
// serialises the calls (never two at once), though not always from the same thread: synchronous
// output runs on the GUI thread, asynchronous output on the printer's worker thread.
// Any call may throw std::exception for a run-time failure.
// How output reaches a backend. Synchronous output is the caller's own call: it runs on the
// caller's thread and waits as the caller's waiter lets it (a window shows the wait and may
// cancel it). Asynchronous output runs on the output worker, which nobody watches.
enum class OutputMode
{
    Synchronous,
    Asynchronous
};

class PrinterBackend : public DeviceBackend
{
public:
    virtual void setListener(PrinterBackendListener* listener) = 0;
    virtual PrinterStatus status() = 0;

    // Print data for one station, with the print-data escape sequences (ESC '|' ...) unchanged.
    virtual DeviceResult print(int32_t station, const QString& data, OutputMode mode) = 0;
    virtual DeviceResult cutPaper(int32_t percentage, OutputMode mode) = 0;
    // A barcode or image the control layer checked; a device without them refuses it.
    virtual DeviceResult printGraphic(const GraphicRequest& /*request*/, OutputMode /*mode*/)
    {
        return {106, 0, QStringLiteral("This printer cannot print barcodes or images")};
    }
    virtual DeviceResult directIO(int32_t command, int32_t* data, QString* text) = 0;

    // Device values of the printer properties (capabilities, line widths, lists, descriptions),
    // by property name, read on open and on the first enable. Measurements are in dots; the
    // optional entry "DotsPerInch" (default 203) lets the control convert them for MapMode.
    virtual QVariantMap deviceProperties() = 0;
    // A writable device property changed (CharacterSet, RecLineChars, ...): the backend may
    // refuse it with E_ILLEGAL. After an accepted write the control reads deviceProperties()
    // again, so a change that resets others (RecLineChars) shows in all of them.
    virtual DeviceResult setDeviceProperty(const QString& name, const QVariant& value) = 0;

    // Asks output running now on another thread to finish early (output being cleared or the
    // device closed). The one call made outside the serialisation, from the GUI thread.
    virtual void abortOutput() {}
    // Asynchronous output: the steps of one request were handed over. `done` hears, on any
    // thread and in the order asked, when the device has them or why it does not. A device that
    // takes output as it is handed over confirms at once.
    virtual void confirmOutput(std::function<void(const DeviceResult&)> done) { done({}); }
    // Ends a claim() that waits for another holder (through the waiter, which lets the window
    // run meanwhile), from inside that wait: it gives up as at its time-out. Made outside the
    // serialisation, like abortOutput().
    virtual void stopWaiting() {}
    // The control object's State and number of outstanding asynchronous requests, for a device
    // that shows them.
    virtual void controlStateChanged(int32_t /*state*/, int /*outstanding*/) {}
};

} // namespace opos

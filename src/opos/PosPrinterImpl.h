#pragma once

#include "opos/ControlState.h"
#include "opos/DeviceCall.h"
#include "opos/EventQueue.h"
#include "opos/OutputWorker.h"
#include "opos/PosPrinter.h"
#include "opos/PrinterBackend.h"
#include "opos/PrinterPropertyTable.h"
#include "opos/StatusMailbox.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace opos {

class DeviceRegistry;
struct PreparedBitmap;

// The inner working of PosPrinter, spread over three files: life cycle (PosPrinter.cpp), output
// and its events (PosPrinterOutput.cpp), properties (PosPrinterProperties.cpp).
class PosPrinter::Impl : public PrinterBackendListener
{
public:
    Impl(PosPrinter* q, const DeviceRegistry& registry, ControlOptions options);
    ~Impl() override;

    // One member call (see DeviceCall). ErrorString starts empty, so that it only ever gives
    // this call's reason; a call whose wait the user cancelled takes the waiter's word for it.
    class Call
    {
    public:
        // purpose: what the call's waits are for ("the claim"); device: the device as the user
        // named it, when the call is not about the open one.
        explicit Call(Impl& printer, const QString& purpose = {}, const QString& device = {})
            : m_printer(printer),
              m_call(printer.registry, device.isEmpty() ? printer.deviceName() : device, purpose)
        {
            printer.m_errorString.clear();
        }
        ~Call()
        {
            const QString why = m_call.waiter().cancelReason();
            if (!why.isEmpty() && m_printer.life.resultCode == OPOS_E_TIMEOUT)
                m_printer.m_errorString = why;
        }
        Call(const Call&) = delete;
        Call& operator=(const Call&) = delete;

    private:
        Impl& m_printer;
        DeviceCall m_call;
    };

    // Life cycle.
    int32_t open(const QString& deviceName);
    const QString& deviceName() const { return m_deviceName; }
    int32_t claim(int32_t timeoutMs);
    void stopWaiting();
    int32_t release();
    int32_t close();
    int32_t setEnabled(bool enabled);
    void closeBackend();

    // Output.
    int32_t printNormal(int32_t station, const QString& data);
    int32_t printImmediate(int32_t station, const QString& data);
    int32_t cutPaper(int32_t percentage);
    // Barcodes and images (PosPrinterGraphics.cpp).
    int32_t printBarCode(int32_t station, const QString& data, int32_t symbology, int32_t height,
                         int32_t width, int32_t alignment, int32_t textPosition);
    int32_t printBitmap(int32_t station, const QString& fileName, int32_t width, int32_t alignment);
    int32_t setBitmap(int32_t number, int32_t station, const QString& fileName, int32_t width,
                      int32_t alignment);
    int32_t printMemoryBitmap(int32_t station, const QString& data, int32_t type, int32_t width,
                              int32_t alignment);
    int32_t transactionPrint(int32_t station, int32_t control);
    int32_t clearOutput();
    int32_t directIO(int32_t command, int32_t* data, QString* text);
    int32_t checkHealth(int32_t level);
    int32_t state() const;
    int32_t setAsyncMode(bool async);
    int32_t setFlagWhenIdle(bool flag);
    int32_t setFreezeEvents(bool freeze);

    // Properties.
    QVariant read(const PrinterPropertyInfo& info) const;
    int32_t write(const PrinterPropertyInfo& info, const QVariant& value);
    QVariant readByName(const QString& name, PropertyKind kind) const;
    void writeByName(const QString& name, PropertyKind kind, const QVariant& value);
    void loadDeviceProperties(bool stations);
    int32_t number(int32_t index) const;
    bool flag(int32_t index) const { return number(index) != 0; }
    // A capability (Cap*) as the device reported it, read straight from the stored values: no
    // capability is computed, and the station's is looked at for every line printed.
    bool capability(int32_t index) const;
    QString controlObjectDescription() const;

    // PrinterBackendListener, from any thread.
    void statusChanged(const PrinterStatus& status) override;
    void directIOEvent(int32_t eventNumber, int32_t data, const QString& text) override;

    PosPrinter* const q;
    const DeviceRegistry& registry;
    const ControlOptions options;
    ControlState life;
    int32_t openResult = 0;
    QString lastGraphic; // the description of the last barcode or image accepted

private:
    // Output internals.
    bool stationPresent(int32_t station) const;
    int32_t output(std::vector<OutputStep> steps);
    const DeviceResult& keepReason(const DeviceResult& result);
    int32_t runNow(const std::vector<OutputStep>& steps);
    DeviceResult runSteps(const std::vector<OutputStep>& steps, bool onWorker);
    std::unique_lock<std::mutex> takeBackend(DeviceResult* failure);
    DeviceResult runInWorker(const OutputJob& job);
    void jobDone(const OutputJob& job, const DeviceResult& result);
    void deliverError(uint64_t generation, int32_t code, int32_t extended);
    void dropOutput();
    void stateChanged();
    void checkIdle();
    void postStatusUpdate(int32_t data);
    void foldedStatusChanges(qint64 count);
    void onStatus(const PrinterStatus& status);
    std::optional<OutputStep> printableStep(int32_t station, const QString& data);
    // Graphics internals.
    int32_t refuse(int32_t code, int32_t extended, const QString& reason);
    int32_t graphicsRefusal(int32_t station, bool barCode);
    int32_t lineWidthDots(int32_t station) const;
    int32_t printPreparedBitmap(int32_t station, int32_t width, int32_t alignment,
                                const std::function<PreparedBitmap(int, int)>& load,
                                const QString& name, int32_t storeAs = 0);
    std::vector<OutputStep> withStoredBitmaps(OutputStep step) const;
    int32_t powerReporting() const;
    int32_t writeDevice(const PrinterPropertyInfo& info, int32_t value);
    int32_t toDots(int32_t units) const;
    int32_t fromDots(int32_t dots) const;

    // Declared before the worker and the backend: they report to it, so it must outlive them.
    QObject m_context;
    EventQueue m_events;
    StatusMailbox m_statusMailbox;
    FoldReport m_folds;
    QElapsedTimer m_foldClock;
    static constexpr int kFoldNoteMs = 1000;
    std::unique_ptr<PrinterBackend> m_backend;
    std::mutex m_backendMutex; // one backend call at a time, GUI thread or worker
    std::unique_ptr<OutputWorker> m_worker;
    bool m_inClaim = false;
    // A call holds the backend while it waits for the device; what runs meanwhile (from the
    // event loop) must not reach the backend: it answers E_BUSY.
    bool m_inDeviceCall = false;
    QString m_deviceName; // as opened: names the device in the wait box

    // Output state.
    bool m_asyncMode = false;
    bool m_flagWhenIdle = false;
    int32_t m_outputId = 0;
    int32_t m_nextOutputId = 1;
    uint64_t m_generation = 1;
    int m_outstanding = 0;
    std::optional<OutputJob> m_failedJob;
    bool m_inTransaction = false;
    int32_t m_transactionStation = 0;
    std::vector<OutputStep> m_transaction;
    int32_t m_errorStation = 0;
    int32_t m_errorLevel = PTR_EL_NONE;
    QString m_errorString;
    QString m_checkHealthText;
    // SetBitmap's pictures by number (1 to 20), printed where ESC|#B asks for them.
    QHash<int32_t, std::shared_ptr<const GraphicRequest>> m_bitmaps;

    // Device status as last reported.
    PrinterStatus m_status;
    bool m_stationsLoaded = false;
    int32_t m_binaryConversion = 0;
    int32_t m_powerNotify = OPOS_PN_DISABLED;
    int32_t m_mapMode = 1;
    int32_t m_dotsPerInch = 203;
    // Values of the other properties, by index: device values (measurements in dots) and the
    // writable ones kept by the control.
    QHash<int32_t, QVariant> m_values;
};

} // namespace opos

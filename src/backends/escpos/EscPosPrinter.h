#pragma once

#include "backends/escpos/DeviceSettings.h"
#include "backends/escpos/DeviceStatus.h"
#include "backends/escpos/EscPosTranslator.h"
#include "backends/escpos/LinkedDevice.h"
#include "opos/PrinterBackend.h"
#include "opos/TextEncoder.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace escpos {

// A real ESC/POS receipt printer. Calls made on the thread that opened the device are the
// synchronous ones: each line goes out in one exchange with the live status before it and a
// transmit-status request after it, and counts as printed when the printer answers that. Calls
// from any other thread (the asynchronous output worker) check the watched status and only
// queue the bytes; confirmOutput() then tells the worker when the printer has them.
class EscPosPrinter : public opos::PrinterBackend
{
public:
    EscPosPrinter(QString name, DeviceSettings settings, std::shared_ptr<LinkPool> pool);
    ~EscPosPrinter() override;

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
    void confirmOutput(std::function<void(const opos::DeviceResult&)> done) override;

private:
    bool watching() const { return m_settings.printer.watch != StatusWatch::None; }
    opos::DeviceResult ready(QDeadlineTimer deadline, QByteArray& prefix, CallMode mode);
    opos::DeviceResult output(const QByteArray& bytes, QDeadlineTimer deadline, CallMode mode);
    opos::DeviceResult exchange(const QByteArray& bytes, QDeadlineTimer deadline);
    opos::DeviceResult liveCheck(QDeadlineTimer deadline);
    QByteArray initialisation() const;
    void applyStatus(const DeviceStatus& status, bool notify);
    opos::PrinterStatus toPrinterStatus(const DeviceStatus& status) const;

    LinkedDevice m_device;
    const DeviceSettings& m_settings;
    quint64 m_initialised = 0; // the link's epoch the printer was last initialised in
    std::atomic<bool> m_enabled = false;
    int m_watcher = 0;
    int m_lineChars;
    opos::TextEncoder m_encoder;
    EscPosTranslator m_translator;

    std::mutex m_notifyMutex; // held while the listener hears a change, so changes keep order
    opos::PrinterBackendListener* m_listener = nullptr;
    mutable std::mutex m_statusMutex;
    opos::PrinterStatus m_status;
};

} // namespace escpos

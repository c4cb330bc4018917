#pragma once

#include "backends/escpos/DeviceSettings.h"
#include "backends/escpos/DeviceStatus.h"
#include "backends/escpos/EscPosTranslator.h"
#include "backends/escpos/TextEncoder.h"
#include "opos/PrinterBackend.h"

#include <atomic>
#include <memory>
#include <mutex>

class QThread;

namespace escpos {

class Link;
class LinkPool;

// A real ESC/POS receipt printer. Calls made on the thread that opened the device are the
// synchronous ones: they check the live status first and wait for the printer to confirm the
// output. Calls from any other thread (the asynchronous output worker) check the watched status
// and only queue the bytes, so output streams at the speed of the connection.
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
    opos::DeviceResult print(int32_t station, const QString& data) override;
    opos::DeviceResult cutPaper(int32_t percentage) override;
    opos::DeviceResult directIO(int32_t command, int32_t* data, QString* text) override;
    QVariantMap deviceProperties() override;
    opos::DeviceResult setDeviceProperty(const QString& name, const QVariant& value) override;
    void abortOutput() override;

private:
    bool watching() const { return m_settings.printer.watch != StatusWatch::None; }
    bool synchronous() const;
    opos::DeviceResult output(const QByteArray& bytes);
    opos::DeviceResult liveCheck();
    opos::DeviceResult checkConnected() const;
    void applyStatus(const DeviceStatus& status, bool notify);
    opos::PrinterStatus toPrinterStatus(const DeviceStatus& status) const;

    QString m_name;
    DeviceSettings m_settings;
    std::shared_ptr<LinkPool> m_pool;
    std::shared_ptr<Link> m_link;
    QThread* m_syncThread = nullptr;
    bool m_claimed = false;
    std::atomic<bool> m_enabled = false;
    int m_watcher = 0;
    int m_lineChars;
    TextEncoder m_encoder;
    EscPosTranslator m_translator;

    std::mutex m_notifyMutex; // held while the listener hears a change, so changes keep order
    opos::PrinterBackendListener* m_listener = nullptr;
    mutable std::mutex m_statusMutex;
    opos::PrinterStatus m_status;
};

} // namespace escpos

#pragma once

#include "backends/escpos/DeviceSettings.h"
#include "backends/escpos/DeviceStatus.h"
#include "backends/escpos/LinkedDevice.h"
#include "opos/CompanionBackends.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace escpos {

// A cash drawer on an ESC/POS printer's kick-out port: the pulse goes over the printer's
// connection, the open state comes from the printer's drawer sensor bit.
class EscPosCashDrawer : public opos::CashDrawerBackend
{
public:
    EscPosCashDrawer(QString name, DeviceSettings settings, std::shared_ptr<LinkPool> pool);
    ~EscPosCashDrawer() override;

    void setListener(opos::CashDrawerBackendListener* listener) override;
    opos::DeviceResult open() override;
    void close() override;
    opos::DeviceResult claim(int32_t timeoutMs) override;
    void release() override;
    opos::DeviceResult enable() override;
    void disable() override;
    opos::DeviceResult openDrawer() override;
    bool drawerOpened() override;
    QVariantMap deviceProperties() override;

private:
    opos::DeviceResult attach();
    void detachUnlessUsed();
    void applyStatus(const DeviceStatus& status, bool notify);

    LinkedDevice m_device;
    const DeviceSettings& m_settings;
    bool m_claimed = false;
    std::atomic<bool> m_enabled = false;
    int m_watcher = 0;

    std::mutex m_mutex;
    opos::CashDrawerBackendListener* m_listener = nullptr;
    bool m_open = false;
};

} // namespace escpos

#pragma once

#include "opos/ControlOptions.h"
#include "opos/ControlState.h"
#include "opos/DeviceRegistry.h"
#include "opos/LifeCycle.h"

#include <memory>

namespace opos {

// What a Cash Drawer or Line Display control object keeps: its settings, its life-cycle state
// and last result, and the shared members' steps.
class CompanionCore
{
public:
    CompanionCore(const DeviceRegistry& devices, ControlOptions settings)
        : registry(devices), options(settings)
    {}
    virtual ~CompanionCore() = default;
    CompanionCore(const CompanionCore&) = delete;
    CompanionCore& operator=(const CompanionCore&) = delete;

    virtual int32_t open(const QString& deviceName) = 0;
    virtual int32_t claim(int32_t timeoutMs) = 0;
    virtual int32_t release() = 0;
    virtual int32_t close() = 0;
    virtual void setEnabled(bool enable) = 0;

    const DeviceRegistry& registry;
    const ControlOptions options;
    ControlState life;
    QString deviceName; // as last opened: names the device while a call waits
};

// The inner working the Cash Drawer and Line Display control objects share: one backend found
// by logical name, its open, claim, enable, release and close, and the last result. The device's
// own steps are the hooks. An exclusive device needs a claim to be enabled and is disabled when
// it is released; a sharable one needs neither. A derived class calls closeBackend() in its own
// destructor, while its hooks still exist.
template <typename Backend> class CompanionControl : public CompanionCore
{
public:
    CompanionControl(const DeviceRegistry& devices, ControlOptions settings, bool exclusiveUse)
        : CompanionCore(devices, settings), exclusive(exclusiveUse)
    {}

    int32_t open(const QString& deviceName) override
    {
        if (life.opened)
            return life.finish(OPOS_E_ILLEGAL);
        auto found = lookUp(deviceName);
        if (!found.backend)
            return life.finish(found.code);
        backend = std::move(found.backend);
        DeviceResult result;
        try {
            result = backend->open();
            if (result.ok())
                opened();
        } catch (...) {
            life.opened = result.ok(); // so that an opened device is closed again
            closeBackend();
            throw;
        }
        if (!result.ok()) {
            closeBackend();
            return life.finish(result);
        }
        life = ControlState{};
        life.opened = true;
        return life.finish(OPOS_SUCCESS);
    }

    int32_t claim(int32_t timeoutMs) override
    {
        return claimDevice(life, inClaim, timeoutMs,
                           [this](int32_t timeout) { return backend->claim(timeout); });
    }

    int32_t release() override
    {
        return releaseDevice(life, inClaim, [this] {
            if (exclusive)
                setEnabled(false);
            backend->release();
        });
    }

    int32_t close() override
    {
        return closeDevice(life, inClaim, [this] { closeBackend(); });
    }

    void setEnabled(bool enable) override
    {
        if (const int32_t code = enable && exclusive ? life.needClaimed() : life.needOpen()) {
            life.finish(code);
            return;
        }
        if (enable != life.enabled) {
            if (enable) {
                const DeviceResult result = backend->enable();
                if (!result.ok()) {
                    life.finish(result);
                    return;
                }
                enabled();
            } else {
                backend->disable();
            }
            life.enabled = enable;
        }
        life.finish(OPOS_SUCCESS);
    }

    // Disables, releases and closes whatever is open; safe in any state.
    void closeBackend()
    {
        closing();
        shutDown(life, backend);
    }

    const bool exclusive;
    std::unique_ptr<Backend> backend;
    bool inClaim = false;

protected:
    virtual Lookup<Backend> lookUp(const QString& deviceName) const = 0;
    virtual void opened() {}  // the backend has just opened
    virtual void enabled() {} // the backend has just been enabled
    virtual void closing() {} // the backend is about to be shut down
};

} // namespace opos

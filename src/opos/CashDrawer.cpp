#include "opos/CashDrawer.h"

#include "opos/CompanionBackends.h"
#include "opos/ControlState.h"
#include "opos/DeviceRegistry.h"
#include "opos/EventQueue.h"
#include "opos/LifeCycle.h"

namespace opos {

class CashDrawer::Impl : public CashDrawerBackendListener
{
public:
    Impl(CashDrawer* owner, const DeviceRegistry& devices, ControlOptions settings)
        : q(owner), registry(devices), options(settings)
    {}
    ~Impl() override { closeBackend(); }

    // From any thread: the drawer moved.
    void drawerChanged(bool open) override
    {
        QMetaObject::invokeMethod(
            &context,
            [this, open] {
                if (!life.opened)
                    return;
                drawerOpened = open;
                if (life.enabled)
                    events.post([this, open] {
                        emit q->StatusUpdateEvent(open ? CASH_SUE_DRAWEROPEN
                                                       : CASH_SUE_DRAWERCLOSED);
                    });
            },
            Qt::QueuedConnection);
    }

    void closeBackend()
    {
        if (backend)
            backend->setListener(nullptr);
        shutDown(life, backend);
        events.clear();
    }

    CashDrawer* const q;
    const DeviceRegistry& registry;
    const ControlOptions options;
    ControlState life;
    QObject context; // outlives the backend, which reports to it
    EventQueue events;
    std::unique_ptr<CashDrawerBackend> backend;
    bool drawerOpened = false;
    bool inClaim = false;
};

CashDrawer::CashDrawer(const DeviceRegistry& registry, ControlOptions options, QObject* parent)
    : QObject(parent), d(std::make_unique<Impl>(this, registry, options))
{}

CashDrawer::~CashDrawer() = default;

int32_t CashDrawer::Open(const QString& deviceName)
{
    if (d->life.opened)
        return d->life.finish(OPOS_E_ILLEGAL);
    auto found = d->registry.findCashDrawer(deviceName);
    if (!found.backend)
        return d->life.finish(found.code);
    d->backend = std::move(found.backend);
    d->backend->setListener(d.get());
    DeviceResult result;
    try {
        result = d->backend->open();
        if (result.ok())
            d->drawerOpened = d->backend->drawerOpened();
    } catch (...) {
        d->closeBackend();
        throw;
    }
    if (!result.ok()) {
        d->closeBackend();
        return d->life.finish(result);
    }
    d->life = ControlState{};
    d->life.opened = true;
    return d->life.finish(OPOS_SUCCESS);
}

int32_t CashDrawer::ClaimDevice(int32_t timeoutMs)
{
    return claimDevice(d->life, d->inClaim, timeoutMs,
                       [this](int32_t timeout) { return d->backend->claim(timeout); });
}

int32_t CashDrawer::ReleaseDevice()
{
    // The drawer is sharable: releasing leaves it enabled.
    return releaseDevice(d->life, d->inClaim, [this] { d->backend->release(); });
}

int32_t CashDrawer::Close()
{
    return closeDevice(d->life, d->inClaim, [this] { d->closeBackend(); });
}

int32_t CashDrawer::OpenDrawer()
{
    if (const int32_t code = d->life.needEnabled())
        return d->life.finish(code);
    const DeviceResult result = d->backend->openDrawer();
    if (result.ok())
        d->drawerOpened = d->backend->drawerOpened();
    return d->life.finish(result);
}

int32_t CashDrawer::ControlObjectVersion() const
{
    return d->options.controlObjectVersion;
}

int32_t CashDrawer::ResultCode() const
{
    return d->life.resultCode;
}

int32_t CashDrawer::ResultCodeExtended() const
{
    return d->life.resultCodeExtended;
}

int32_t CashDrawer::State() const
{
    return d->life.state();
}

bool CashDrawer::Claimed() const
{
    return d->life.claimed;
}

bool CashDrawer::DeviceEnabled() const
{
    return d->life.enabled;
}

void CashDrawer::SetDeviceEnabled(bool enabled)
{
    if (const int32_t code = d->life.needOpen()) {
        d->life.finish(code);
        return;
    }
    if (enabled != d->life.enabled) {
        if (enabled) {
            const DeviceResult result = d->backend->enable();
            if (!result.ok()) {
                d->life.finish(result);
                return;
            }
            d->drawerOpened = d->backend->drawerOpened();
        } else {
            d->backend->disable();
        }
        d->life.enabled = enabled;
    }
    d->life.finish(OPOS_SUCCESS);
}

bool CashDrawer::DrawerOpened() const
{
    return d->life.opened && d->drawerOpened;
}

} // namespace opos

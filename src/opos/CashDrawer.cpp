#include "opos/CashDrawer.h"

#include "opos/CompanionBackends.h"
#include "opos/CompanionControl.h"
#include "opos/DeviceCall.h"
#include "opos/EventQueue.h"

namespace opos {

class CashDrawer::Impl : public CompanionControl<CashDrawerBackend>,
                         public CashDrawerBackendListener
{
public:
    Impl(CashDrawer* owner, const DeviceRegistry& devices, ControlOptions settings)
        : CompanionControl(devices, settings, false), q(owner),
          events([&devices] { return devices.waiter(); })
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

    CashDrawer* const q;
    QObject context; // the backend's reports are queued to it; closing detaches the backend
    EventQueue events;
    bool drawerOpened = false;

protected:
    Lookup<CashDrawerBackend> lookUp(const QString& deviceName) const override
    {
        return registry.findCashDrawer(deviceName);
    }
    void opened() override
    {
        backend->setListener(this);
        drawerOpened = backend->drawerOpened();
    }
    void enabled() override { drawerOpened = backend->drawerOpened(); }
    void closing() override
    {
        if (backend)
            backend->setListener(nullptr);
        events.clear();
    }
};

CashDrawer::CashDrawer(const DeviceRegistry& registry, ControlOptions options, QObject* parent)
    : CompanionDevice(std::make_unique<Impl>(this, registry, options), parent),
      d(static_cast<Impl*>(&core()))
{}

CashDrawer::~CashDrawer() = default;

int32_t CashDrawer::OpenDrawer()
{
    const DeviceCall call(d->registry);
    if (const int32_t code = d->life.needEnabled())
        return d->life.finish(code);
    const DeviceResult result = d->backend->openDrawer();
    if (result.ok())
        d->drawerOpened = d->backend->drawerOpened();
    return d->life.finish(result);
}

bool CashDrawer::DrawerOpened() const
{
    return d->life.opened && d->drawerOpened;
}

} // namespace opos

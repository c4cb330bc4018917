#include "opos/LineDisplay.h"

#include "opos/CompanionBackends.h"
#include "opos/ControlState.h"
#include "opos/DeviceRegistry.h"
#include "opos/LifeCycle.h"
#include "opos/LineDisplayText.h"

#include <optional>

namespace opos {

class LineDisplay::Impl
{
public:
    Impl(const DeviceRegistry& devices, ControlOptions settings)
        : registry(devices), options(settings)
    {}
    ~Impl() { closeBackend(); }

    void closeBackend()
    {
        shutDown(life, backend);
        text.reset();
    }

    int32_t show(int32_t attribute)
    {
        return life.finish(backend->show(text->window(), attribute));
    }

    const DeviceRegistry& registry;
    const ControlOptions options;
    ControlState life;
    std::unique_ptr<LineDisplayBackend> backend;
    std::optional<LineDisplayText> text;
    int32_t attribute = DISP_DT_NORMAL;
    bool inClaim = false;
};

LineDisplay::LineDisplay(const DeviceRegistry& registry, ControlOptions options, QObject* parent)
    : QObject(parent), d(std::make_unique<Impl>(registry, options))
{}

LineDisplay::~LineDisplay() = default;

int32_t LineDisplay::Open(const QString& deviceName)
{
    if (d->life.opened)
        return d->life.finish(OPOS_E_ILLEGAL);
    auto found = d->registry.findLineDisplay(deviceName);
    if (!found.backend)
        return d->life.finish(found.code);
    d->backend = std::move(found.backend);
    DeviceResult result;
    try {
        result = d->backend->open();
    } catch (...) {
        d->closeBackend();
        throw;
    }
    if (!result.ok()) {
        d->closeBackend();
        return d->life.finish(result);
    }
    d->text.emplace(d->backend->rows(), d->backend->columns());
    d->life = ControlState{};
    d->life.opened = true;
    return d->life.finish(OPOS_SUCCESS);
}

int32_t LineDisplay::ClaimDevice(int32_t timeoutMs)
{
    return claimDevice(d->life, d->inClaim, timeoutMs,
                       [this](int32_t timeout) { return d->backend->claim(timeout); });
}

int32_t LineDisplay::ReleaseDevice()
{
    return releaseDevice(d->life, d->inClaim, [this] {
        SetDeviceEnabled(false);
        d->backend->release();
    });
}

int32_t LineDisplay::Close()
{
    return closeDevice(d->life, d->inClaim, [this] { d->closeBackend(); });
}

int32_t LineDisplay::ClearText()
{
    if (const int32_t code = d->life.needEnabled())
        return d->life.finish(code);
    d->text->clear();
    return d->show(d->attribute);
}

int32_t LineDisplay::DisplayText(const QString& data, int32_t attribute)
{
    if (const int32_t code = d->life.needEnabled())
        return d->life.finish(code);
    if (attribute < DISP_DT_NORMAL || attribute > DISP_DT_BLINK_REVERSE)
        return d->life.finish(OPOS_E_ILLEGAL);
    d->text->write(data);
    d->attribute = attribute;
    return d->show(attribute);
}

int32_t LineDisplay::ControlObjectVersion() const
{
    return d->options.controlObjectVersion;
}

int32_t LineDisplay::ResultCode() const
{
    return d->life.resultCode;
}

int32_t LineDisplay::ResultCodeExtended() const
{
    return d->life.resultCodeExtended;
}

int32_t LineDisplay::State() const
{
    return d->life.state();
}

bool LineDisplay::Claimed() const
{
    return d->life.claimed;
}

bool LineDisplay::DeviceEnabled() const
{
    return d->life.enabled;
}

void LineDisplay::SetDeviceEnabled(bool enabled)
{
    if (!enabled) {
        if (const int32_t code = d->life.needOpen()) {
            d->life.finish(code);
            return;
        }
        if (d->life.enabled) {
            d->backend->disable();
            d->life.enabled = false;
        }
        d->life.finish(OPOS_SUCCESS);
        return;
    }
    if (const int32_t code = d->life.needClaimed()) {
        d->life.finish(code);
        return;
    }
    if (!d->life.enabled) {
        const DeviceResult result = d->backend->enable();
        if (!result.ok()) {
            d->life.finish(result);
            return;
        }
        d->life.enabled = true;
    }
    d->life.finish(OPOS_SUCCESS);
}

int32_t LineDisplay::DeviceRows() const
{
    return d->life.opened ? d->backend->rows() : 0;
}

int32_t LineDisplay::DeviceColumns() const
{
    return d->life.opened ? d->backend->columns() : 0;
}

} // namespace opos

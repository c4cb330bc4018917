#include "opos/LineDisplay.h"

#include "opos/CompanionBackends.h"
#include "opos/CompanionControl.h"
#include "opos/DeviceCall.h"
#include "opos/LineDisplayText.h"

#include <optional>

namespace opos {

class LineDisplay::Impl : public CompanionControl<LineDisplayBackend>
{
public:
    Impl(const DeviceRegistry& devices, ControlOptions settings)
        : CompanionControl(devices, settings, true)
    {}
    ~Impl() override { closeBackend(); }

    int32_t show(int32_t attribute)
    {
        return life.finish(backend->show(text->window(), attribute));
    }

    std::optional<LineDisplayText> text;
    int32_t attribute = DISP_DT_NORMAL;

protected:
    Lookup<LineDisplayBackend> lookUp(const QString& deviceName) const override
    {
        return registry.findLineDisplay(deviceName);
    }
    void opened() override { text.emplace(backend->rows(), backend->columns()); }
    void closing() override { text.reset(); }
};

LineDisplay::LineDisplay(const DeviceRegistry& registry, ControlOptions options, QObject* parent)
    : CompanionDevice(std::make_unique<Impl>(registry, options), parent),
      d(static_cast<Impl*>(&core()))
{}

LineDisplay::~LineDisplay() = default;

int32_t LineDisplay::ClearText()
{
    const DeviceCall call(d->registry);
    if (const int32_t code = d->life.needEnabled())
        return d->life.finish(code);
    d->text->clear();
    return d->show(d->attribute);
}

int32_t LineDisplay::DisplayText(const QString& data, int32_t attribute)
{
    const DeviceCall call(d->registry);
    if (const int32_t code = d->life.needEnabled())
        return d->life.finish(code);
    if (attribute < DISP_DT_NORMAL || attribute > DISP_DT_BLINK_REVERSE)
        return d->life.finish(OPOS_E_ILLEGAL);
    d->text->write(data);
    d->attribute = attribute;
    return d->show(attribute);
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

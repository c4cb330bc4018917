#include "backends/sim/SharedDeviceState.h"
#include "backends/sim/SimulatedCompanions.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/OposConstants.h"

#include <mutex>

namespace sim {

namespace {

constexpr int kRows = 2;
constexpr int kColumns = 20;

// The display's state, shared with the backends of its control objects.
struct DisplayCore : SharedDeviceState<SimulatedLineDisplay>
{
    QStringList rows{QString(kColumns, u' '), QString(kColumns, u' ')};
    int32_t attribute = opos::DISP_DT_NORMAL;
};

class DisplayBackend : public CompanionBackend<opos::LineDisplayBackend, DisplayCore>
{
public:
    using CompanionBackend::CompanionBackend;
    int32_t rows() const override { return kRows; }
    int32_t columns() const override { return kColumns; }
    opos::DeviceResult show(const QStringList& window, int32_t attribute) override
    {
        {
            const std::lock_guard lock(m_core->mutex);
            for (int row = 0; row < kRows; ++row)
                m_core->rows[row] = row < window.size()
                                        ? window[row].leftJustified(kColumns, u' ', true)
                                        : QString(kColumns, u' ');
            m_core->attribute = attribute;
        }
        m_core->tellOwner([](SimulatedLineDisplay& owner) { emit owner.displayChanged(); });
        return {};
    }
    QVariantMap deviceProperties() override
    {
        return {
            {QStringLiteral("DeviceRows"), kRows},
            {QStringLiteral("DeviceColumns"), kColumns},
            {QStringLiteral("DeviceDescription"), QStringLiteral("Simulated 2 x 20 line display")}};
    }
};

} // namespace

class SimulatedLineDisplay::Impl : public CoreOwner<DisplayCore, SimulatedLineDisplay>
{
    using CoreOwner::CoreOwner;
};

SimulatedLineDisplay::SimulatedLineDisplay(QObject* parent)
    : QObject(parent), d(std::make_unique<Impl>(this))
{}

SimulatedLineDisplay::~SimulatedLineDisplay() = default;

QStringList SimulatedLineDisplay::rows() const
{
    const std::lock_guard lock(d->core->mutex);
    return d->core->rows;
}

int32_t SimulatedLineDisplay::attribute() const
{
    const std::lock_guard lock(d->core->mutex);
    return d->core->attribute;
}

std::unique_ptr<opos::LineDisplayBackend>
SimulatedLineDisplay::createBackend(std::shared_ptr<opos::Waiter> waiter)
{
    return std::make_unique<DisplayBackend>(
        d->core, waiter ? std::move(waiter) : std::make_shared<opos::BlockingWaiter>(),
        kLineDisplayName);
}

} // namespace sim

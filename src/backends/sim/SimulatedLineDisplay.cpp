#include "backends/sim/ClaimWaiter.h"
#include "backends/sim/SimulatedCompanions.h"
#include "opos/OposConstants.h"

#include <mutex>

namespace sim {

namespace {

constexpr int kRows = 2;
constexpr int kColumns = 20;

// The display's state, shared with the backends of its control objects.
struct DisplayCore
{
    std::mutex mutex;
    QStringList rows{QString(kColumns, u' '), QString(kColumns, u' ')};
    int32_t attribute = opos::DISP_DT_NORMAL;
    const void* holder = nullptr;
    std::recursive_mutex ownerMutex;
    SimulatedLineDisplay* owner = nullptr;

    void changed()
    {
        const std::lock_guard lock(ownerMutex);
        if (owner)
            emit owner->displayChanged();
    }
};

class DisplayBackend : public opos::LineDisplayBackend
{
public:
    explicit DisplayBackend(std::shared_ptr<DisplayCore> core) : m_core(std::move(core)) {}
    ~DisplayBackend() override { release(); }

    opos::DeviceResult open() override { return {}; }
    void close() override { release(); }
    opos::DeviceResult claim(int32_t timeoutMs) override
    {
        return claimFor(m_core->mutex, m_core->holder, this, timeoutMs);
    }
    void release() override { releaseFor(m_core->mutex, m_core->holder, this); }
    opos::DeviceResult enable() override { return {}; }
    void disable() override {}
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
        m_core->changed();
        return {};
    }
    QVariantMap deviceProperties() override
    {
        return {
            {QStringLiteral("DeviceRows"), kRows},
            {QStringLiteral("DeviceColumns"), kColumns},
            {QStringLiteral("DeviceDescription"), QStringLiteral("Simulated 2 x 20 line display")}};
    }

private:
    std::shared_ptr<DisplayCore> m_core;
};

} // namespace

class SimulatedLineDisplay::Impl
{
public:
    std::shared_ptr<DisplayCore> core = std::make_shared<DisplayCore>();
};

SimulatedLineDisplay::SimulatedLineDisplay(QObject* parent)
    : QObject(parent), d(std::make_unique<Impl>())
{
    d->core->owner = this;
}

SimulatedLineDisplay::~SimulatedLineDisplay()
{
    const std::lock_guard lock(d->core->ownerMutex);
    d->core->owner = nullptr;
}

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

std::unique_ptr<opos::LineDisplayBackend> SimulatedLineDisplay::createBackend()
{
    return std::make_unique<DisplayBackend>(d->core);
}

} // namespace sim

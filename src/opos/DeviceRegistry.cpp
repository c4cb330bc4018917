#include "opos/DeviceRegistry.h"

#include "opos/OposConstants.h"

namespace opos {

namespace {

template <typename Backend>
Lookup<Backend> resolve(const std::vector<DeviceRegistry::Resolver<Backend>>& resolvers,
                        const QString& name)
{
    for (const auto& resolver : resolvers) {
        if (auto found = resolver(name))
            return std::move(*found);
    }
    return {nullptr, OPOS_E_NOEXIST, QStringLiteral("No device is named \"%1\"").arg(name)};
}

} // namespace

void DeviceRegistry::addPrinterResolver(Resolver<PrinterBackend> resolver)
{
    m_printers.push_back(std::move(resolver));
}

void DeviceRegistry::addCashDrawerResolver(Resolver<CashDrawerBackend> resolver)
{
    m_drawers.push_back(std::move(resolver));
}

void DeviceRegistry::addLineDisplayResolver(Resolver<LineDisplayBackend> resolver)
{
    m_displays.push_back(std::move(resolver));
}

Lookup<PrinterBackend> DeviceRegistry::findPrinter(const QString& name) const
{
    return resolve(m_printers, name);
}

Lookup<CashDrawerBackend> DeviceRegistry::findCashDrawer(const QString& name) const
{
    return resolve(m_drawers, name);
}

Lookup<LineDisplayBackend> DeviceRegistry::findLineDisplay(const QString& name) const
{
    return resolve(m_displays, name);
}

} // namespace opos

#include "backends/sim/SimulatedDevices.h"

#include "opos/DeviceRegistry.h"

#include <QPointer>

namespace sim {

namespace {

// Logical names match ignoring case, as the system's device tables do.
bool sameName(const QString& typed, const QString& name)
{
    return typed.compare(name, Qt::CaseInsensitive) == 0;
}

} // namespace

SimulatedDevices::SimulatedDevices(QObject* parent) : QObject(parent) {}

void SimulatedDevices::registerWith(opos::DeviceRegistry& registry)
{
    // The registry may outlive these devices: a vanished device is no device. The resolvers live
    // in the registry, so they may keep it to hand each backend its waiter.
    const QPointer<SimulatedDevices> self(this);
    const opos::DeviceRegistry* devices = &registry;
    registry.addPrinterResolver(
        [self, devices](const QString& name) -> std::optional<opos::Lookup<opos::PrinterBackend>> {
            if (!self || !sameName(name, kPrinterName))
                return std::nullopt;
            return opos::Lookup<opos::PrinterBackend>{
                self->m_printer.createBackend(devices->waiter()), 0, {}};
        });
    registry.addCashDrawerResolver(
        [self,
         devices](const QString& name) -> std::optional<opos::Lookup<opos::CashDrawerBackend>> {
            if (!self || !sameName(name, kCashDrawerName))
                return std::nullopt;
            return opos::Lookup<opos::CashDrawerBackend>{
                self->m_drawer.createBackend(devices->waiter()), 0, {}};
        });
    registry.addLineDisplayResolver(
        [self,
         devices](const QString& name) -> std::optional<opos::Lookup<opos::LineDisplayBackend>> {
            if (!self || !sameName(name, kLineDisplayName))
                return std::nullopt;
            return opos::Lookup<opos::LineDisplayBackend>{
                self->m_display.createBackend(devices->waiter()), 0, {}};
        });
}

} // namespace sim

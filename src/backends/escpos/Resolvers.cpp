#include "backends/escpos/Resolvers.h"

#include "backends/escpos/DeviceFile.h"
#include "backends/escpos/EscPosCashDrawer.h"
#include "backends/escpos/EscPosLineDisplay.h"
#include "backends/escpos/EscPosPrinter.h"
#include "backends/escpos/FileTransport.h"
#include "backends/escpos/LinkPool.h"
#include "opos/DeviceRegistry.h"
#include "opos/OposConstants.h"

namespace escpos {

namespace {

// What the resolvers of one registry share: the device file and the open connections.
struct Context
{
    DeviceFile file;
    std::shared_ptr<LinkPool> pool;
};

QString className(DeviceClass deviceClass)
{
    switch (deviceClass) {
    case DeviceClass::PosPrinter:
        return QStringLiteral("POS printer");
    case DeviceClass::CashDrawer:
        return QStringLiteral("cash drawer");
    case DeviceClass::LineDisplay:
        return QStringLiteral("line display");
    }
    return {};
}

// A name is looked up as an address first, then in the device file. A drawer may also be named
// by its printer's entry: it sits on that printer's kick-out port.
template <typename Backend, typename Make>
std::optional<opos::Lookup<Backend>> resolve(const Context& context, const QString& name,
                                             DeviceClass wanted, Make make)
{
    try {
        std::optional<DeviceSettings> settings;
        if (isAddress(name)) {
            settings = parseAddress(name);
            settings->deviceClass = wanted;
        } else {
            settings = context.file.find(name);
            if (!settings)
                return std::nullopt;
        }
        // Nothing comes back through a FIFO: waiting for status replies would only time out.
        if (settings->address.transport == Transport::File &&
            FileTransport::isFifo(settings->address.path))
            settings->printer.watch = StatusWatch::None;
        const bool drawerOnPrinter =
            wanted == DeviceClass::CashDrawer && settings->deviceClass == DeviceClass::PosPrinter;
        if (settings->deviceClass != wanted && !drawerOnPrinter)
            return opos::Lookup<Backend>{
                nullptr, opos::OPOS_E_NOEXIST,
                QStringLiteral("\"%1\" is a %2, not a %3")
                    .arg(name, className(settings->deviceClass), className(wanted))};
        return opos::Lookup<Backend>{make(name, std::move(*settings), context.pool), 0, {}};
    } catch (const std::exception& error) {
        return opos::Lookup<Backend>{nullptr, opos::OPOS_E_NOSERVICE,
                                     QString::fromStdString(error.what())};
    }
}

} // namespace

void addResolvers(opos::DeviceRegistry& registry)
{
    addResolvers(registry, DeviceFile::defaultPath());
}

void addResolvers(opos::DeviceRegistry& registry, const QString& deviceFilePath,
                  TransportFactory factory)
{
    // The resolvers live in the registry, so it outlives every pool that asks it for its waiter.
    const opos::DeviceRegistry* owner = &registry;
    auto context = std::make_shared<Context>(Context{
        DeviceFile(deviceFilePath),
        std::make_shared<LinkPool>([owner] { return owner->waiter(); }, std::move(factory))});
    registry.addPrinterResolver([context](const QString& name) {
        return resolve<opos::PrinterBackend>(
            *context, name, DeviceClass::PosPrinter,
            [](const QString& n, DeviceSettings s, std::shared_ptr<LinkPool> pool) {
                return std::make_unique<EscPosPrinter>(n, std::move(s), std::move(pool));
            });
    });
    registry.addCashDrawerResolver([context](const QString& name) {
        return resolve<opos::CashDrawerBackend>(
            *context, name, DeviceClass::CashDrawer,
            [](const QString& n, DeviceSettings s, std::shared_ptr<LinkPool> pool) {
                return std::make_unique<EscPosCashDrawer>(n, std::move(s), std::move(pool));
            });
    });
    registry.addLineDisplayResolver([context](const QString& name) {
        return resolve<opos::LineDisplayBackend>(
            *context, name, DeviceClass::LineDisplay,
            [](const QString& n, DeviceSettings s, std::shared_ptr<LinkPool> pool) {
                return std::make_unique<EscPosLineDisplay>(n, std::move(s), std::move(pool));
            });
    });
}

} // namespace escpos

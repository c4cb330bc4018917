#pragma once

#include "opos/CompanionBackends.h"
#include "opos/PrinterBackend.h"
#include "opos/Waiter.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace opos {

// What looking up a logical device name gives: a new backend, or the OPOS code and the reason
// why there is none (E_NOEXIST for an unknown name, E_NOSERVICE for a broken entry).
template <typename Backend> struct Lookup
{
    std::unique_ptr<Backend> backend;
    int32_t code = 0;
    QString reason;
};

// Maps logical device names to backends. Resolvers are asked in the order they were added; the
// first that knows the name answers. A name nobody knows gives OPOS_E_NOEXIST.
class DeviceRegistry
{
public:
    template <typename Backend>
    using Resolver = std::function<std::optional<Lookup<Backend>>(const QString& name)>;

    void addPrinterResolver(Resolver<PrinterBackend> resolver);
    void addCashDrawerResolver(Resolver<CashDrawerBackend> resolver);
    void addLineDisplayResolver(Resolver<LineDisplayBackend> resolver);

    Lookup<PrinterBackend> findPrinter(const QString& name) const;
    Lookup<CashDrawerBackend> findCashDrawer(const QString& name) const;
    Lookup<LineDisplayBackend> findLineDisplay(const QString& name) const;

    // The waiter that backends found from now on use for every wait of a call. The window
    // installs its own; without one, waits block the calling thread.
    void setWaiter(std::shared_ptr<Waiter> waiter) { m_waiter = std::move(waiter); }
    const std::shared_ptr<Waiter>& waiter() const { return m_waiter; }

private:
    std::shared_ptr<Waiter> m_waiter = std::make_shared<BlockingWaiter>();
    std::vector<Resolver<PrinterBackend>> m_printers;
    std::vector<Resolver<CashDrawerBackend>> m_drawers;
    std::vector<Resolver<LineDisplayBackend>> m_displays;
};

} // namespace opos

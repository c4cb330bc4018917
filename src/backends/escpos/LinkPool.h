#pragma once

#include "backends/escpos/Link.h"

#include <map>
#include <memory>
#include <mutex>

namespace escpos {

// Hands out one Link per physical device, so that a printer and the drawer behind it share the
// printer's single connection. A link lives while a backend holds it.
class LinkPool
{
public:
    // waiter() gives the control objects' waiter for links made from now on.
    explicit LinkPool(std::function<std::shared_ptr<opos::Waiter>()> waiter,
                      TransportFactory factory = makeTransport);

    std::shared_ptr<Link> acquire(const Address& address, const LinkOptions& options);

private:
    std::function<std::shared_ptr<opos::Waiter>()> m_waiter;
    TransportFactory m_factory;
    std::mutex m_mutex;
    std::map<QString, std::weak_ptr<Link>> m_links;
};

} // namespace escpos

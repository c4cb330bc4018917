#include "backends/escpos/LinkPool.h"

namespace escpos {

LinkPool::LinkPool(std::function<std::shared_ptr<opos::Waiter>()> waiter, TransportFactory factory)
    : m_waiter(std::move(waiter)), m_factory(std::move(factory))
{}

std::shared_ptr<Link> LinkPool::acquire(const Address& address, const LinkOptions& options)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_links, [](const auto& entry) { return entry.second.expired(); });
    std::weak_ptr<Link>& slot = m_links[address.key()];
    if (auto link = slot.lock())
        return link;
    auto link = std::make_shared<Link>(address, options, m_factory, m_waiter());
    slot = link;
    return link;
}

} // namespace escpos

#include "services/PackedTexts.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr std::size_t kBlockBytes = 64 * 1024;
} // namespace

void PackedTexts::append(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    const auto length = std::size_t(bytes.size());
    if (m_blocks.empty() || m_used + length > kBlockBytes) {
        // A text longer than a block gets a block of its own size.
        m_blocks.push_back(std::make_unique<char[]>(std::max(kBlockBytes, length)));
        m_used = 0;
    }
    std::memcpy(m_blocks.back().get() + m_used, bytes.constData(), length);
    m_entries.push_back({uint32_t(m_blocks.size() - 1), uint32_t(m_used), uint32_t(length)});
    m_used += length;
}

QString PackedTexts::at(std::size_t index) const
{
    const Entry& entry = m_entries[index];
    return QString::fromUtf8(m_blocks[entry.block].get() + entry.offset, qsizetype(entry.length));
}

void PackedTexts::clear()
{
    m_blocks.clear();
    m_entries.clear();
    m_used = 0;
}

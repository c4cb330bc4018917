#include "services/TextPool.h"

#include <QHashFunctions>

namespace {
constexpr qsizetype kLongestPooled = 128;
} // namespace

QString TextPool::share(const QString& text)
{
    if (text.isEmpty() || text.size() > kLongestPooled)
        return text;
    QString& slot = m_slots[qHash(text) % kSlots];
    if (slot != text)
        slot = text;
    return slot;
}

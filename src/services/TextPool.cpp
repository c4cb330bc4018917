#include "services/TextPool.h"

namespace {
constexpr qsizetype kLongestPooled = 128;
constexpr qsizetype kMostTexts = 4096;
} // namespace

QString TextPool::share(const QString& text)
{
    if (text.isEmpty() || text.size() > kLongestPooled)
        return text;
    const auto found = m_texts.constFind(text);
    if (found != m_texts.cend())
        return *found;
    if (m_texts.size() >= kMostTexts)
        m_texts.clear();
    m_texts.insert(text);
    return text;
}

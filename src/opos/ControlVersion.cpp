#include "opos/ControlVersion.h"

#include <QString>
#include <QStringList>
#include <limits>

namespace opos {

namespace {

std::optional<int64_t> digits(QStringView part)
{
    if (part.isEmpty() || part.size() > 10)
        return std::nullopt;
    for (const QChar c : part) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    return part.toLongLong();
}

} // namespace

std::optional<int32_t> parseControlVersion(QStringView text)
{
    const QStringView trimmed = text.trimmed();
    const auto parts = trimmed.split(u'.');
    if (parts.size() > 3)
        return std::nullopt;
    int64_t value = 0;
    if (parts.size() == 1) {
        const auto plain = digits(parts.front());
        if (!plain)
            return std::nullopt;
        value = *plain;
    } else {
        const auto major = digits(parts[0]);
        const auto minor = digits(parts[1]);
        const auto build = parts.size() == 3 ? digits(parts[2]) : std::optional<int64_t>(0);
        if (!major || !minor || !build || *minor > 999 || *build > 999)
            return std::nullopt;
        value = *major * 1000000 + *minor * 1000 + *build;
    }
    if (value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(value);
}

} // namespace opos

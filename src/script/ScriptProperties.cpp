#include "script/ScriptProperties.h"

#include <QStringList>
#include <array>

namespace script {

namespace {

struct Entry
{
    QLatin1String name;
    opos::PropertyKind kind;
};

using opos::PropertyKind;

// The properties the Cash Drawer and Line Display control objects offer.
constexpr std::array kCompanionProperties{
    Entry{QLatin1String("DeviceEnabled"), PropertyKind::Flag},
    Entry{QLatin1String("Claimed"), PropertyKind::Flag},
    Entry{QLatin1String("State"), PropertyKind::Number},
    Entry{QLatin1String("ResultCode"), PropertyKind::Number},
    Entry{QLatin1String("ResultCodeExtended"), PropertyKind::Number},
    Entry{QLatin1String("ControlObjectVersion"), PropertyKind::Number},
};
constexpr std::array kDrawerProperties{
    Entry{QLatin1String("DrawerOpened"), PropertyKind::Flag},
};
constexpr std::array kDisplayProperties{
    Entry{QLatin1String("DeviceRows"), PropertyKind::Number},
    Entry{QLatin1String("DeviceColumns"), PropertyKind::Number},
};
// Printer properties the control object answers by name beyond its property table.
constexpr std::array kPrinterExtras{
    Entry{QLatin1String("ControlObjectVersion"), PropertyKind::Number},
    Entry{QLatin1String("ControlObjectDescription"), PropertyKind::Text},
    Entry{QLatin1String("OpenResult"), PropertyKind::Number},
};

template <typename Entries>
std::optional<PropertyName> findIn(const Entries& entries, QStringView name)
{
    for (const Entry& entry : entries)
        if (name.compare(entry.name, Qt::CaseInsensitive) == 0)
            return PropertyName{QString(entry.name), entry.kind};
    return std::nullopt;
}

} // namespace

std::optional<PropertyName> findProperty(DeviceClass device, QStringView name)
{
    switch (device) {
    case DeviceClass::Printer:
        if (const auto* info = opos::findPrinterProperty(name))
            return PropertyName{QString(info->name), info->kind};
        return findIn(kPrinterExtras, name);
    case DeviceClass::Drawer:
        if (auto found = findIn(kDrawerProperties, name))
            return found;
        break;
    case DeviceClass::Display:
        if (auto found = findIn(kDisplayProperties, name))
            return found;
        break;
    }
    return findIn(kCompanionProperties, name);
}

ReadNeeds readNeeds(const QString& name)
{
    static const QStringList always{QStringLiteral("State"),
                                    QStringLiteral("ResultCode"),
                                    QStringLiteral("ResultCodeExtended"),
                                    QStringLiteral("ErrorString"),
                                    QStringLiteral("OpenResult"),
                                    QStringLiteral("ControlObjectVersion"),
                                    QStringLiteral("ControlObjectDescription")};
    static const QStringList sensors{QStringLiteral("CoverOpen"),  QStringLiteral("RecEmpty"),
                                     QStringLiteral("RecNearEnd"), QStringLiteral("JrnEmpty"),
                                     QStringLiteral("JrnNearEnd"), QStringLiteral("SlpEmpty"),
                                     QStringLiteral("SlpNearEnd")};
    if (always.contains(name))
        return ReadNeeds::Nothing;
    return sensors.contains(name) ? ReadNeeds::Enabled : ReadNeeds::Open;
}

} // namespace script

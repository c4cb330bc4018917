#pragma once

#include "opos/PrinterPropertyTable.h"
#include "script/ScriptStep.h"

#include <QString>
#include <QStringView>
#include <optional>

namespace script {

struct PropertyName
{
    QString name; // spelt as the control object spells it
    opos::PropertyKind kind;
};

// A property of the device class's control object, found ignoring case.
std::optional<PropertyName> findProperty(DeviceClass device, QStringView name);

} // namespace script

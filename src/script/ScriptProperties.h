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

// What a property's value needs before it means anything: the result codes, the state and the
// control object's own properties are read at any time, the sensors only while enabled, the
// rest while open.
enum class ReadNeeds
{
    Nothing,
    Open,
    Enabled
};
ReadNeeds readNeeds(const QString& name);

} // namespace script

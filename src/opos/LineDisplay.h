#pragma once

#include "opos/CompanionDevice.h"
#include "opos/ControlOptions.h"

namespace opos {

class DeviceRegistry;

// The Line Display control object. Exclusive: enable needs a claim.
class LineDisplay : public CompanionDevice
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LineDisplay)

public:
    LineDisplay(const DeviceRegistry& registry, ControlOptions options, QObject* parent = nullptr);
    ~LineDisplay() override;

    int32_t ClearText();
    int32_t DisplayText(const QString& data, int32_t attribute);
    int32_t DeviceRows() const;
    int32_t DeviceColumns() const;

private:
    class Impl;
    Impl* const d; // owned by the base
};

} // namespace opos

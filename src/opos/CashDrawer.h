#pragma once

#include "opos/CompanionDevice.h"
#include "opos/ControlOptions.h"

namespace opos {

class DeviceRegistry;

// The Cash Drawer control object. Sharable: a claim is optional.
class CashDrawer : public CompanionDevice
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CashDrawer)

public:
    CashDrawer(const DeviceRegistry& registry, ControlOptions options, QObject* parent = nullptr);
    ~CashDrawer() override;

    int32_t OpenDrawer();
    bool DrawerOpened() const;

signals:
    void StatusUpdateEvent(int32_t data);

private:
    class Impl;
    Impl* const d; // owned by the base
};

} // namespace opos

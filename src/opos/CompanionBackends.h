#pragma once

#include "opos/PrinterBackend.h"

namespace opos {

struct CashDrawerBackendListener
{
    virtual ~CashDrawerBackendListener() = default;
    virtual void drawerChanged(bool open) = 0; // from any thread
};

// The device behind a Cash Drawer control object.
class CashDrawerBackend : public DeviceBackend
{
public:
    virtual void setListener(CashDrawerBackendListener* listener) = 0;
    virtual DeviceResult openDrawer() = 0;
    virtual bool drawerOpened() = 0;
    virtual QVariantMap deviceProperties() = 0;
};

// The device behind a Line Display control object.
class LineDisplayBackend : public DeviceBackend
{
public:
    virtual int32_t rows() const = 0;
    virtual int32_t columns() const = 0;
    // Shows the whole window: rows() strings of columns() characters each.
    virtual DeviceResult show(const QStringList& window, int32_t attribute) = 0;
    virtual QVariantMap deviceProperties() = 0;
};

} // namespace opos

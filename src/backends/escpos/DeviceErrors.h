#pragma once

#include <QString>

namespace escpos {

// The operating system's reason why a device file or port cannot be used, with its path and
// what a technician does about it ("permission denied on /dev/usb/lp0: add the user to the lp
// group").
QString deviceError(const QString& path, int error);

} // namespace escpos

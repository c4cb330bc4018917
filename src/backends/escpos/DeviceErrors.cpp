#include "backends/escpos/DeviceErrors.h"

#include <QByteArray>
#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace escpos {

namespace {

// The group that owns the device file, whose members may open it.
QString owningGroup(const QString& path)
{
    struct stat info
    {};
    if (::stat(path.toLocal8Bit().constData(), &info) != 0)
        return {};
    group entry{};
    group* found = nullptr;
    std::vector<char> buffer(4096);
    if (::getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        info.st_gid == 0)
        return {};
    return QString::fromLocal8Bit(found->gr_name);
}

} // namespace

QString deviceError(const QString& path, int error)
{
    switch (error) {
    case EACCES:
    case EPERM: {
        const QString group = owningGroup(path);
        return group.isEmpty()
                   ? QStringLiteral("permission denied on %1").arg(path)
                   : QStringLiteral("permission denied on %1: add the user to the %2 group")
                         .arg(path, group);
    }
    case ENOENT:
    case ENODEV:
        return QStringLiteral("no such device: %1").arg(path);
    case ENXIO:
        return QStringLiteral("no such device: %1 (unplugged or switched off)").arg(path);
    case EISDIR:
        return QStringLiteral("%1 is a directory, not a device").arg(path);
    case EBUSY:
        return QStringLiteral("%1 is busy: another program uses it").arg(path);
    case ENOSPC:
        return QStringLiteral("%1 took no more data (paper out?)").arg(path);
    case EPIPE:
        return QStringLiteral("%1: the reading side went away").arg(path);
    default:
        return QStringLiteral("%1: %2").arg(path, qt_error_string(error).toLower());
    }
}

} // namespace escpos

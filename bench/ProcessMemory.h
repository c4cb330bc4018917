#pragma once

#include <QByteArray>
#include <QFile>

// A memory figure of this process from /proc/self/status, in MB: "VmRSS" (resident now) or
// "VmHWM" (the peak of resident memory); 0 when it cannot be read.
inline double processMemoryMb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

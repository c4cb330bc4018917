#pragma once

#include <QByteArrayView>
#include <QLoggingCategory>
#include <QString>

namespace escpos {

// Byte traces for the field, off unless switched on with QT_LOGGING_RULES: what the link sent
// and received per device (bench.link), and what each kind of transport wrote and read
// (bench.transport.tcp, bench.transport.file, bench.transport.serial).
Q_DECLARE_LOGGING_CATEGORY(linkTrace)
Q_DECLARE_LOGGING_CATEGORY(tcpTrace)
Q_DECLARE_LOGGING_CATEGORY(fileTrace)
Q_DECLARE_LOGGING_CATEGORY(serialTrace)

// "10 04 01 41 | ...A": the bytes in hex, and as text with a dot for each unprintable byte.
QString traceText(QByteArrayView bytes);

// One trace line, "127.0.0.1:9100 sent 4 bytes: 10 04 01 41 | ...A". Costs one test of the
// category when its trace is off.
inline void traceBytes(const QLoggingCategory& category, const QString& device,
                       const char* direction, QByteArrayView bytes)
{
    if (category.isDebugEnabled() && !bytes.isEmpty())
        qCDebug(category).noquote() << device << direction << bytes.size()
                                    << (bytes.size() == 1 ? "byte:" : "bytes:") << traceText(bytes);
}

} // namespace escpos

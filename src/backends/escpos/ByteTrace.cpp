#include "backends/escpos/ByteTrace.h"

namespace escpos {

// Debug messages only when a rule asks for them; warnings as usual.
Q_LOGGING_CATEGORY(linkTrace, "bench.link", QtInfoMsg)
Q_LOGGING_CATEGORY(tcpTrace, "bench.transport.tcp", QtInfoMsg)
Q_LOGGING_CATEGORY(fileTrace, "bench.transport.file", QtInfoMsg)
Q_LOGGING_CATEGORY(serialTrace, "bench.transport.serial", QtInfoMsg)

QString traceText(QByteArrayView bytes)
{
    QString printable;
    printable.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        printable += code >= 0x20 && code < 0x7F ? QLatin1Char(byte) : QLatin1Char('.');
    }
    return QString::fromLatin1(bytes.toByteArray().toHex(' ').toUpper()) + QStringLiteral(" | ") +
           printable;
}

} // namespace escpos

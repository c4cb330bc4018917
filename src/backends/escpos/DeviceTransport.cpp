#include "backends/escpos/DeviceTransport.h"

#include "backends/escpos/FileTransport.h"
#include "backends/escpos/SerialTransport.h"
#include "backends/escpos/TcpTransport.h"

namespace escpos {

void DeviceTransport::answerOpen(const QString& why)
{
    QMetaObject::invokeMethod(
        this,
        [this, why] {
            if (why.isEmpty())
                emit opened();
            else
                emit failed(why);
        },
        Qt::QueuedConnection);
}

std::unique_ptr<DeviceTransport> makeTransport(const Address& address, bool readBack)
{
    switch (address.transport) {
    case Transport::Tcp:
        break;
    case Transport::File:
        return std::make_unique<FileTransport>(address.path, readBack);
    case Transport::Serial:
        return std::make_unique<SerialTransport>(address.path, address.serial);
    }
    return std::make_unique<TcpTransport>(address.host, address.port);
}

} // namespace escpos

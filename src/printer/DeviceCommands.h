#pragma once

#include "printer/PrinterContext.h"

#include <QObject>
#include <QString>
#include <cstdint>

class QAbstractButton;
class QLineEdit;

// The fields of the "Main CMDs" page that the life-cycle commands read or write.
struct DeviceCommandWidgets
{
    QLineEdit* txtDevice;
    QLineEdit* txtTimeout;
    QAbstractButton* cmdSetDeviceEnable;
};

// Caption and log text of the claim and release members: control objects older than 1.5.0
// call them Claim and Release.
QString claimMemberText(int32_t controlObjectVersion);
QString releaseMemberText(int32_t controlObjectVersion);

// Open, claim, enable or disable, release and close the printer; each logs the code it got
// and, on success, updates DeviceOpened and DeviceClaimed.
class DeviceCommands : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeviceCommands)

public:
    DeviceCommands(const PrinterContext& context, const DeviceCommandWidgets& widgets,
                   QObject* parent = nullptr);

    void Open();
    void Claim();
    void SetDeviceEnable();
    void Release();
    void Close();

private:
    PrinterContext m_context;
    DeviceCommandWidgets m_widgets;
};

#include "app/pages/FormBuilder.h"
#include "app/window/frmMainPages.h"

#include <QLineEdit>

// Device name at the top; the life-cycle buttons in two columns, the time-out between them.
void buildMainCmdsPage(const FormBuilder& form, QWidget* page)
{
    form.label(page, "Label10", QStringLiteral("Service Object Name"), {16, 14, 176, 27});
    form.textBox(page, "txtDevice", QString(), {196, 14, 352, 27});

    form.button(page, "cmdOpen", QStringLiteral("Open()"), {16, 64, 200, 33});
    form.button(page, "cmdClaim", QStringLiteral("ClaimDevice()"), {16, 112, 200, 33});
    form.button(page, "cmdSetDeviceEnable", QStringLiteral("SetDeviceEnable"), {16, 160, 200, 33});

    form.label(page, "Label13", QStringLiteral("Timeout"), {232, 90, 100, 20}, Qt::AlignCenter);
    form.textBox(page, "txtTimeout", QStringLiteral("100"), {248, 112, 68, 27}, 4)
        ->setToolTip(QStringLiteral("Claim time-out, in seconds"));

    form.button(page, "cmdClose", QStringLiteral("Close()"), {348, 64, 200, 33});
    form.button(page, "cmdRelease", QStringLiteral("ReleaseDevice()"), {348, 112, 200, 33});
    form.button(page, "cmdSetFlagWhenIdle", QStringLiteral("SetFlagWhenIdle"), {348, 160, 200, 33});
}

#include "app/pages/FormBuilder.h"
#include "app/window/frmMainPages.h"

// The drawer's device name, and the OpenDrawer button below it.
void buildCashDrawerPage(const FormBuilder& form, QWidget* page)
{
    form.label(page, "Label17", QStringLiteral("Service Object Name"), {16, 14, 176, 27});
    form.textBox(page, "cdDevice", QString(), {196, 14, 352, 27});
    form.button(page, "cmdCashDrawerOpen", QStringLiteral("OpenDrawer()"), {16, 64, 200, 33});
}

#include "app/pages/FormBuilder.h"
#include "app/window/frmMainPages.h"

// One row: the DirectIO button, then three input boxes, each under its label.
void buildMixedCmdsPage(const FormBuilder& form, QWidget* page)
{
    form.button(page, "cmdDirectIO", QStringLiteral("DirectIO()"), {16, 40, 140, 33});
    form.label(page, "lblCommand", QStringLiteral("Command"), {172, 16, 120, 20});
    form.textBox(page, "txtCommand", QString(), {172, 43, 120, 27});
    form.label(page, "lblData", QStringLiteral("Data"), {300, 16, 120, 20});
    form.textBox(page, "txtData", QString(), {300, 43, 120, 27});
    form.label(page, "lblObject", QStringLiteral("Object"), {428, 16, 120, 20});
    form.textBox(page, "txtObject", QString(), {428, 43, 120, 27});
}

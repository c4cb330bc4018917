#include "app/pages/FormBuilder.h"
#include "app/window/frmMainPages.h"

// The display's device name, the text to show, and the DisplayText button below them.
void buildLineDisplayPage(const FormBuilder& form, QWidget* page)
{
    form.label(page, "Label19", QStringLiteral("Service Object Name"), {16, 14, 176, 27});
    form.textBox(page, "ldDevice", QString(), {196, 14, 352, 27});
    form.label(page, "Label20", QStringLiteral("Line Display Text"), {16, 52, 176, 27});
    form.textBox(page, "txtLDDisplay", QStringLiteral("QUENTA Text"), {196, 52, 352, 27});
    form.button(page, "cmdDisplayText", QStringLiteral("DisplayText()"), {16, 100, 200, 33});
}

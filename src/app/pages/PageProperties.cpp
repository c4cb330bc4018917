#include "app/pages/FlexGridView.h"
#include "app/pages/FormBuilder.h"
#include "app/window/frmMainPages.h"

#include <QPushButton>

// The property grid at the top; under it the listing button, the property count and the
// change button, from left to right.
void buildPropertiesPage(const FormBuilder& form, QWidget* page, FlexGridModel& grid,
                         const QRect& gridRect)
{
    auto* view = new FlexGridView(grid, page);
    view->setObjectName(QStringLiteral("MSFlexGrid2"));
    view->setFont(form.fonts().controls);
    view->setGeometry(gridRect);

    const int row = gridRect.bottom() + 7;
    form.button(page, "cmdReadProp", QStringLiteral("Get Properties"),
                {gridRect.left(), row, 160, 31});
    form.label(page, "Label15", QString(), {gridRect.left() + 176, row, 190, 31});
    form.button(page, "cmdWriteProp", QStringLiteral("Change Property"),
                {gridRect.right() + 1 - 170, row, 170, 31});
}

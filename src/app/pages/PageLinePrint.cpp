#include "app/dialogs/EscapeMarks.h"
#include "app/pages/FormBuilder.h"
#include "app/window/frmMainPages.h"

// The line to print at the top; the three line commands down the left with their settings and
// OutputID displays on their rows.
void buildLinePrintPage(const FormBuilder& form, QWidget* page)
{
    form.label(page, "lblLineToPrint", QStringLiteral("Line To Print"), {16, 14, 120, 27});
    QLineEdit* line = form.textBox(
        page, "txtPrint", QStringLiteral("Test ** 0123456789 Linea di prova"), {140, 14, 408, 27});
    new LineEditEscapeMarks(*line); // owned by the line edit

    form.button(page, "cmdPrintImmediate", QStringLiteral("PrintImmediate()"), {16, 64, 190, 33});
    form.checkBox(page, "chkAsyncMode", QStringLiteral("AsyncMode"), {228, 69, 140, 23});

    form.button(page, "cmdPrintNormal", QStringLiteral("PrintNormal()"), {16, 112, 190, 33});
    form.label(page, "Label12", QStringLiteral("OutputID"), {370, 115, 74, 27});
    form.borderedLabel(page, "lblPrintOutputID", {448, 115, 100, 27});

    form.button(page, "cmdCutPaper", QStringLiteral("CutPaper()"), {16, 160, 190, 33});
    form.label(page, "Label9", QStringLiteral("Percentage"), {228, 163, 92, 27});
    form.textBox(page, "txtCutPaper", QStringLiteral("50"), {322, 163, 40, 27}, 3);
    form.label(page, "Label11", QStringLiteral("OutputID"), {370, 163, 74, 27});
    form.borderedLabel(page, "lblCutOutputID", {448, 163, 100, 27});
}

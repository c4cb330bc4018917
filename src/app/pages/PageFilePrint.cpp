#include "app/pages/FormBuilder.h"
#include "app/window/frmMainPages.h"

#include <QLineEdit>
#include <QPushButton>

// The file row at the top; the file print buttons down the left with their OutputID displays on
// the right; the cut-at-end row at the bottom.
void buildFilePrintPage(const FormBuilder& form, QWidget* page)
{
    form.label(page, "lblSelectFile", QStringLiteral("Selected File"), {16, 26, 112, 27});
    form.textBox(page, "txtSelection", QString(), {130, 26, 290, 27})
        ->setFont(form.fonts().regular);
    form.label(page, "Label7", QStringLiteral("Browse"), {386, 4, 80, 20},
               Qt::AlignRight | Qt::AlignVCenter);
    form.button(page, "cmdSelect", QStringLiteral("..."), {426, 24, 40, 31})
        ->setFont(form.fonts().selectButton);
    form.button(page, "cmdEdit", QStringLiteral("MODIFY"), {474, 24, 74, 31});

    form.button(page, "cmdFilePrintImmediate", QStringLiteral("PrintImmediate()"),
                {16, 68, 210, 31});
    form.checkBox(page, "chkFileAsyncMode", QStringLiteral("AsyncMode"), {240, 72, 140, 23});

    form.button(page, "cmdFilePrintNormal", QStringLiteral("PrintNormal()"), {16, 106, 210, 31});
    form.label(page, "Label14", QStringLiteral("OutputID"), {370, 108, 74, 27});
    form.borderedLabel(page, "lblFilePrintOutputID", {448, 108, 100, 27});

    form.button(page, "cmdTransactionPrint", QStringLiteral("TransactionPrint()"),
                {16, 144, 210, 31});
    form.label(page, "Label18", QStringLiteral("OutputID"), {370, 146, 74, 27});
    form.borderedLabel(page, "lblFileTransPrintOutputID", {448, 146, 100, 27});

    form.checkBox(page, "chkCutPaper", QStringLiteral("Cut Paper"), {16, 199, 120, 23});
    form.label(page, "Label8", QStringLiteral("Percentage"), {228, 197, 92, 27});
    form.textBox(page, "txtCutPaperAtEnd", QStringLiteral("55"), {322, 197, 40, 27}, 3);
    form.label(page, "Label16", QStringLiteral("OutputID"), {370, 197, 74, 27});
    form.borderedLabel(page, "lblFileCutOutputID", {448, 197, 100, 27});
}

#include "app/dialogs/BarcodeDialog.h"

#include "app/pages/PrintDialogButtons.h"
#include "opos/BarcodeSymbols.h"
#include "opos/OposConstants.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSpinBox>

namespace {

QSpinBox* sizeBox(const char* name, int value, QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(1, 100000);
    box->setValue(value);
    return box;
}

QComboBox* choiceBox(const char* name, std::initializer_list<std::pair<QString, int>> choices,
                     QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    for (const auto& [text, value] : choices)
        box->addItem(text, value);
    return box;
}

} // namespace

BarcodeDialog::BarcodeDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgBarcode"));
    setWindowTitle(tr("Print barcode"));
    m_symbology = new QComboBox(this);
    m_symbology->setObjectName(QStringLiteral("cboSymbology"));
    for (const int32_t code : opos::supportedSymbologies())
        m_symbology->addItem(QLatin1String(opos::findSymbology(code)->name), code);
    m_symbology->setCurrentIndex(m_symbology->findData(opos::PTR_BCS_QRCODE));
    m_data = new QLineEdit(QStringLiteral("https://example.com/receipt/0001"), this);
    m_data->setObjectName(QStringLiteral("txtBarcodeData"));
    m_height = sizeBox("spnBarcodeHeight", 200, this);
    m_width = sizeBox("spnBarcodeWidth", 200, this);
    m_alignment = choiceBox("cboBarcodeAlignment",
                            {{tr("Left"), opos::PTR_BC_LEFT},
                             {tr("Centre"), opos::PTR_BC_CENTER},
                             {tr("Right"), opos::PTR_BC_RIGHT}},
                            this);
    m_alignment->setCurrentIndex(1);
    m_textPosition = choiceBox("cboTextPosition",
                               {{tr("None"), opos::PTR_BC_TEXT_NONE},
                                {tr("Above"), opos::PTR_BC_TEXT_ABOVE},
                                {tr("Below"), opos::PTR_BC_TEXT_BELOW}},
                               this);
    m_textPosition->setCurrentIndex(2);

    QDialogButtonBox* buttons =
        printDialogButtons(this, "cmdPrintBarcode", [this] { emit printRequested(parameters()); });

    auto* form = new QFormLayout(this);
    form->addRow(tr("&Symbology:"), m_symbology);
    form->addRow(tr("&Data:"), m_data);
    form->addRow(tr("&Height (MapMode units):"), m_height);
    form->addRow(tr("&Width (MapMode units):"), m_width);
    form->addRow(tr("&Alignment:"), m_alignment);
    form->addRow(tr("&Text:"), m_textPosition);
    form->addRow(buttons);
}

BarcodeParameters BarcodeDialog::parameters() const
{
    return {m_symbology->currentData().toInt(),
            m_data->text(),
            m_height->value(),
            m_width->value(),
            m_alignment->currentData().toInt(),
            m_textPosition->currentData().toInt()};
}

#include "app/dialogs/ImageDialog.h"

#include "app/pages/PrintDialogButtons.h"
#include "opos/OposConstants.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

ImageDialog::ImageDialog(std::function<std::optional<QString>()> chooseFile, QWidget* parent)
    : QDialog(parent), m_chooseFile(std::move(chooseFile))
{
    setObjectName(QStringLiteral("dlgImage"));
    setWindowTitle(tr("Print image"));
    m_file = new QLineEdit(this);
    m_file->setObjectName(QStringLiteral("txtImageFile"));
    auto* browse = new QPushButton(tr("&Browse\u2026"), this);
    browse->setObjectName(QStringLiteral("cmdBrowseImage"));
    connect(browse, &QPushButton::clicked, this, [this] {
        if (const auto path = m_chooseFile())
            m_file->setText(*path);
    });
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_file);
    fileRow->addWidget(browse);

    m_asIs = new QCheckBox(tr("As is: one dot per pixel"), this);
    m_asIs->setObjectName(QStringLiteral("chkImageAsIs"));
    m_asIs->setChecked(true);
    m_width = new QSpinBox(this);
    m_width->setObjectName(QStringLiteral("spnImageWidth"));
    m_width->setRange(1, 100000);
    m_width->setValue(384);
    m_width->setEnabled(false);
    connect(m_asIs, &QCheckBox::toggled, m_width, &QWidget::setDisabled);
    m_alignment = new QComboBox(this);
    m_alignment->setObjectName(QStringLiteral("cboImageAlignment"));
    m_alignment->addItem(tr("Left"), opos::PTR_BM_LEFT);
    m_alignment->addItem(tr("Centre"), opos::PTR_BM_CENTER);
    m_alignment->addItem(tr("Right"), opos::PTR_BM_RIGHT);
    m_alignment->setCurrentIndex(1);

    QDialogButtonBox* buttons =
        printDialogButtons(this, "cmdPrintImage", [this] { emit printRequested(parameters()); });

    auto* form = new QFormLayout(this);
    form->addRow(tr("&File:"), fileRow);
    form->addRow(QString(), m_asIs);
    form->addRow(tr("&Width (MapMode units):"), m_width);
    form->addRow(tr("&Alignment:"), m_alignment);
    form->addRow(buttons);
}

BitmapParameters ImageDialog::parameters() const
{
    return {m_file->text(), m_asIs->isChecked() ? opos::PTR_BM_ASIS : m_width->value(),
            m_alignment->currentData().toInt()};
}

#pragma once

#include "printer/GraphicCommands.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QSpinBox;

// "Print barcode": symbology, data, height and width (in the printer's MapMode units),
// alignment and readable-text position, and a Print button that asks for the barcode. Stays
// open, so a technician can try one symbol after another.
class BarcodeDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BarcodeDialog)

public:
    explicit BarcodeDialog(QWidget* parent);

    BarcodeParameters parameters() const;

signals:
    void printRequested(const BarcodeParameters& parameters);

private:
    QComboBox* m_symbology;
    QLineEdit* m_data;
    QSpinBox* m_height;
    QSpinBox* m_width;
    QComboBox* m_alignment;
    QComboBox* m_textPosition;
};

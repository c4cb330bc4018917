#pragma once

#include "printer/GraphicCommands.h"

#include <QDialog>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

// "Print image": the file (typed or chosen with Browse), its width (as it is, one dot per pixel,
// or a width in MapMode units) and alignment, and a Print button that asks for the image.
class ImageDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ImageDialog)

public:
    // chooseFile: the open-file dialog; no value when the user cancels.
    ImageDialog(std::function<std::optional<QString>()> chooseFile, QWidget* parent);

    BitmapParameters parameters() const;

signals:
    void printRequested(const BitmapParameters& parameters);

private:
    std::function<std::optional<QString>()> m_chooseFile;
    QLineEdit* m_file;
    QCheckBox* m_asIs;
    QSpinBox* m_width;
    QComboBox* m_alignment;
};

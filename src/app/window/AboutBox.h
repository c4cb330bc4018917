#pragma once

#include <QString>
#include <cstdint>

class QDialog;
class QWidget;

// The About text: the program's version, the control-object version in use, the Qt version and
// where the device file is read from.
QString aboutText(int32_t controlObjectVersion, const QString& deviceFile);

// The About box (object name "dlgAbout", its text in "lblAbout"), not yet shown.
QDialog* makeAboutBox(int32_t controlObjectVersion, const QString& deviceFile, QWidget* parent);

#include "app/window/AboutBox.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

QString aboutText(int32_t controlObjectVersion, const QString& deviceFile)
{
    const QString version = QCoreApplication::applicationVersion();
    return QObject::tr("OPOS printer test bench %1\n"
                       "Control object version in use: %2.%3.%4\n"
                       "Qt %5\n"
                       "Device file: %6")
        .arg(version.isEmpty() ? QObject::tr("(unversioned)") : version)
        .arg(controlObjectVersion / 1000000)
        .arg(controlObjectVersion / 1000 % 1000)
        .arg(controlObjectVersion % 1000)
        .arg(QString::fromLatin1(qVersion()), deviceFile);
}

QDialog* makeAboutBox(int32_t controlObjectVersion, const QString& deviceFile, QWidget* parent)
{
    auto* box = new QDialog(parent);
    box->setObjectName(QStringLiteral("dlgAbout"));
    box->setWindowTitle(QObject::tr("About"));
    auto* text = new QLabel(aboutText(controlObjectVersion, deviceFile));
    text->setObjectName(QStringLiteral("lblAbout"));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    QObject::connect(buttons, &QDialogButtonBox::accepted, box, &QDialog::accept);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(text);
    layout->addWidget(buttons);
    return box;
}

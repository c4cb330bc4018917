#include "app/pages/PrintDialogButtons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

QDialogButtonBox* printDialogButtons(QDialog* dialog, const char* printName,
                                     std::function<void()> print)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QPushButton* button = buttons->addButton(QObject::tr("Print"), QDialogButtonBox::ActionRole);
    button->setObjectName(QLatin1String(printName));
    button->setDefault(true);
    QObject::connect(button, &QPushButton::clicked, dialog, std::move(print));
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

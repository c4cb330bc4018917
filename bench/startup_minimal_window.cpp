// The start-up benchmark's baseline: a window with a label and a button, shown, then closed once
// it was painted, as --quit-after-ms 0 closes the program's window. It links Qt Widgets alone.
#include "app/startup/FirstPaint.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("Receipt printer")));
    layout->addWidget(new QPushButton(QStringLiteral("Open")));
    window.show();
    afterFirstPaint(window, [&window] { window.close(); });
    return QApplication::exec();
}

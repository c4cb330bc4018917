// The start-up benchmark's baseline: a window with a label and a button, shown, then closed once
// it was painted, as --quit-after-ms 0 closes the program's window. It links Qt Widgets alone.
// Given a size (WIDTHxHEIGHT) as its argument, the window takes it, so that painting as many
// pixels as the program's window can be told apart from the program's own work.
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
    if (argc > 1) {
        const QStringList size = QString::fromLocal8Bit(argv[1]).split(u'x');
        if (size.size() == 2)
            window.resize(size[0].toInt(), size[1].toInt());
    }
    window.show();
    afterFirstPaint(window, [&window] { window.close(); });
    return QApplication::exec();
}

// The start-up benchmark's baseline: a window with a label and a button, shown, then closed once
// it was painted, as --quit-after-ms 0 closes the program's window. It links Qt Widgets alone.
// Given a size (WIDTHxHEIGHT) as its argument, the window takes it, so that painting as many
// pixels as the program's window can be told apart from the program's own work. Given
// --window-fonts as well, it also shows a menu bar, the main window's logo and a line of text in
// each of the main window's fonts: what Qt needs for those fonts alone, before any control.
#include "app/startup/FirstPaint.h"
#include "app/window/Logo.h"
#include "app/window/WindowFonts.h"

#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

void addWindowFonts(QWidget& window, QVBoxLayout& layout)
{
    auto* menu = new QMenuBar(&window);
    for (const QString& caption :
         {QStringLiteral("&File"), QStringLiteral("&Edit"), QStringLiteral("&Device"),
          QStringLiteral("&View"), QStringLiteral("&Help")})
        menu->addMenu(caption);
    layout.setMenuBar(menu);
    auto* logo = new QLabel;
    logo->setPixmap(makeLogo());
    layout.addWidget(logo);
    const WindowFonts fonts = WindowFonts::make();
    for (const QFont& font :
         {fonts.controls, fonts.tabCaptions, fonts.banner, fonts.selectButton, fonts.regular}) {
        auto* line = new QLabel(QStringLiteral("[QUENTA Printer OPOS DRIVER] Open() 0123456789"));
        line->setFont(font);
        layout.addWidget(line);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("Receipt printer")));
    layout->addWidget(new QPushButton(QStringLiteral("Open")));
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        const QStringList size = argument.split(u'x');
        if (argument == QStringLiteral("--window-fonts"))
            addWindowFonts(window, *layout);
        else if (size.size() == 2)
            window.resize(size[0].toInt(), size[1].toInt());
    }
    window.show();
    afterFirstPaint(window, [&window] { window.close(); });
    return QApplication::exec();
}

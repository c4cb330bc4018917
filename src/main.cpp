#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLabel placeholder(QStringLiteral("Quenta Engineering OPOS Application for Printer"));
    placeholder.show();
    return app.exec();
}

#include "app/AppOptions.h"
#include "app/Application.h"

#include <QApplication>
#include <cstdio>
#include <stdexcept>

int main(int argc, char* argv[])
{
    QApplication qapp(argc, argv);
    AppOptions options;
    try {
        options = parseAppOptions(QApplication::arguments(),
                                  qEnvironmentVariable("OPOS_CONTROL_VERSION"));
    } catch (const std::invalid_argument& wrong) {
        std::fprintf(stderr, "%s\n", wrong.what());
        return 2;
    }
    if (options.helpRequested) {
        std::fputs(options.helpText.toLocal8Bit().constData(), stdout);
        return 0;
    }
    Application application(options);
    if (!application.Main())
        return 1;
    return QApplication::exec();
}

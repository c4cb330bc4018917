#include "app/AppOptions.h"
#include "app/Application.h"
#include "script/HeadlessRun.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>
#include <optional>
#include <stdexcept>

namespace {

std::optional<AppOptions> readOptions()
{
    try {
        return parseAppOptions(QCoreApplication::arguments(),
                               qEnvironmentVariable("OPOS_CONTROL_VERSION"));
    } catch (const std::invalid_argument& wrong) {
        std::fprintf(stderr, "%s\n", wrong.what());
        return std::nullopt;
    }
}

} // namespace

int main(int argc, char* argv[])
{
    // A scripted run has no window and needs no display: it must work over ssh.
    if (runsWithoutWindow(argc, argv)) {
        QCoreApplication core(argc, argv);
        const auto options = readOptions();
        if (!options)
            return script::kCannotRun;
        QTextStream out(stdout);
        QTextStream err(stderr);
        return script::runHeadless(options->runScript, options->reportFile, options->control, out,
                                   err);
    }

    QApplication qapp(argc, argv);
    const auto options = readOptions();
    if (!options)
        return 2;
    if (options->helpRequested) {
        std::fputs(options->helpText.toLocal8Bit().constData(), stdout);
        return 0;
    }
    Application application(*options);
    if (!application.Main())
        return 1;
    return QApplication::exec();
}

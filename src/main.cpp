#include "app/dialogs/QtDialogs.h"
#include "app/startup/AppOptions.h"
#include "app/startup/Application.h"
#include "app/startup/StartupOptions.h"
#include "app/window/PluginFreeStyle.h"
#include "backends/netprinter/ServePrinter.h"
#include "backends/sim/ReceiptImage.h"
#include "script/HeadlessRun.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>

namespace {

// The command line as QCoreApplication::arguments() gives it on this system, without making an
// application object only to read it.
QStringList argumentsOf(int argc, char* argv[])
{
    QStringList arguments;
    arguments.reserve(argc);
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

// The run's options; a refused option leaves its message in `refusal`.
AppOptions readOptions(const QStringList& arguments, std::optional<QString>& refusal)
{
    try {
        return parseAppOptions(arguments, qEnvironmentVariable("OPOS_CONTROL_VERSION"));
    } catch (const std::invalid_argument& wrong) {
        refusal = QString::fromLocal8Bit(wrong.what());
        return {};
    }
}

// The network printer without a window: drawing receipt pictures needs fonts, so it runs on
// the display-less offscreen platform.
int serveWithoutWindow(int argc, char* argv[], const AppOptions& options)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    netprinter::blockStopSignals(); // before the application starts any thread
    const QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return netprinter::servePrinter(
        {options.servePrinter, options.receiptsDir},
        [](const QVector<sim::ReceiptItem>& items, const QString& path) {
            receipt_image::savePng(receipt_image::render(items), path);
        },
        out, err);
}

} // namespace

int main(int argc, char* argv[])
{
    // A device or pipe whose reader went away must give a write error with its reason, never
    // end the program, in the window as well as in a scripted run.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication::setApplicationVersion(QStringLiteral(OPOS_PRINTER_TEST_VERSION));
    const bool headless = runsWithoutWindow(argc, argv);
    // The options are read before any window exists: --version, --help, a bad option and a
    // scripted run need no display (a scripted run must work over ssh). They come straight from
    // argv: an application object made and torn down again only to read them would cost the
    // window's start as much as one of its pages.
    std::optional<QString> refusal;
    AppOptions options = readOptions(argumentsOf(argc, argv), refusal);
    if (!refusal && options.helpRequested) {
        // The help text names the program as the application object knows it.
        const QCoreApplication core(argc, argv);
        options = readOptions(QCoreApplication::arguments(), refusal);
    }
    const bool serve = headless && !refusal && !options.versionRequested &&
                       !options.helpRequested && !options.servePrinter.isEmpty();
    if (serve)
        return serveWithoutWindow(argc, argv, options);
    if (headless && !refusal && !options.versionRequested && !options.helpRequested) {
        QTextStream out(stdout);
        QTextStream err(stderr);
        return script::runHeadless(
            options.runScript, options.reportFile, options.control, out, err,
            [&argc, argv](bool drawsText) -> std::unique_ptr<QCoreApplication> {
                if (!drawsText)
                    return std::make_unique<QCoreApplication>(argc, argv);
                // A saved receipt picture draws text, which needs fonts and so a GUI
                // application; the offscreen platform gives them without a display.
                if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                    qputenv("QT_QPA_PLATFORM", "offscreen");
                return std::make_unique<QGuiApplication>(argc, argv);
            });
    }
    if (refusal) {
        if (headless || !displayIsAvailable(QProcessEnvironment::systemEnvironment())) {
            const int code = refuseOptions(*refusal, nullptr);
            return headless ? script::kCannotRun : code;
        }
        const QApplication qapp(argc, argv);
        QtDialogs dialogs;
        return refuseOptions(*refusal, &dialogs);
    }
    if (options.versionRequested) {
        std::printf("opos-printer-test %s\n", OPOS_PRINTER_TEST_VERSION);
        return 0;
    }
    if (options.helpRequested) {
        std::fputs(options.helpText.toLocal8Bit().constData(), stdout);
        return 0;
    }
    QApplication qapp(argc, argv);
    QApplication::setStyle(new PluginFreeStyle(QApplication::style()));
    QGuiApplication::setDesktopFileName(QStringLiteral(OPOS_PRINTER_TEST_APP_ID));
    Application application(options);
    if (!application.Main())
        return 1;
    return QApplication::exec();
}

#include "app/startup/AppOptions.h"

#include "opos/ControlVersion.h"

#include <QCommandLineParser>
#include <stdexcept>

namespace {

int32_t controlVersion(const QString& text, const QString& origin)
{
    const auto version = opos::parseControlVersion(text);
    if (!version)
        throw std::invalid_argument(QStringLiteral("%1: \"%2\" is not a version such as 1.4.0")
                                        .arg(origin, text)
                                        .toStdString());
    return *version;
}

} // namespace

AppOptions parseAppOptions(const QStringList& arguments, const QString& environmentVersion)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Test bench for a receipt printer, cash drawer and line display."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption showVersion = parser.addVersionOption();
    const QCommandLineOption version(
        QStringLiteral("control-version"),
        QStringLiteral("Behave as a control object of this version (for example 1.4.0); "
                       "default from OPOS_CONTROL_VERSION."),
        QStringLiteral("version"));
    const QCommandLineOption noVirtualDevices(
        QStringLiteral("no-virtual-devices"),
        QStringLiteral("Do not show the window that works the simulated devices."));
    const QCommandLineOption quitAfter(
        QStringLiteral("quit-after-ms"),
        QStringLiteral("Close the program this many ms after its window was first painted."),
        QStringLiteral("ms"));
    const QCommandLineOption run(
        QStringLiteral("run"),
        QStringLiteral("Run the script without a window (- reads standard input); exit code 0 "
                       "when every expectation held, 1 when one failed, 2 when it cannot run."),
        QStringLiteral("script"));
    const QCommandLineOption report(QStringLiteral("report"),
                                    QStringLiteral("With --run: write a JUnit report here."),
                                    QStringLiteral("file"));
    const QCommandLineOption serve(
        QStringLiteral("serve-printer"),
        QStringLiteral("Run the simulated printer and drawer as an ESC/POS network printer on "
                       "[ADDRESS:]PORT (address 127.0.0.1 unless given), without a window, until "
                       "SIGTERM or SIGINT; a transcript of each job goes to standard output."),
        QStringLiteral("address"));
    const QCommandLineOption receipts(
        QStringLiteral("receipts"),
        QStringLiteral("With --serve-printer: write the picture of each receipt here, one PNG "
                       "per cut."),
        QStringLiteral("folder"));
    parser.addOptions({version, noVirtualDevices, quitAfter, run, report, serve, receipts});
    if (!parser.parse(arguments))
        throw std::invalid_argument(parser.errorText().toStdString());
    if (!parser.positionalArguments().isEmpty())
        throw std::invalid_argument(QStringLiteral("Unexpected argument: %1")
                                        .arg(parser.positionalArguments().first())
                                        .toStdString());

    AppOptions options;
    if (parser.isSet(help)) {
        options.helpRequested = true;
        options.helpText = parser.helpText();
        return options;
    }
    if (parser.isSet(showVersion)) {
        options.versionRequested = true;
        return options;
    }
    if (parser.isSet(version))
        options.control.controlObjectVersion =
            controlVersion(parser.value(version), QStringLiteral("--control-version"));
    else if (!environmentVersion.isEmpty())
        options.control.controlObjectVersion =
            controlVersion(environmentVersion, QStringLiteral("OPOS_CONTROL_VERSION"));
    options.virtualDevices = !parser.isSet(noVirtualDevices);
    // A second --run or --report would silently win over the first; an empty one names nothing.
    for (const QCommandLineOption* option : {&run, &report}) {
        const QString name = option->names().constFirst();
        if (parser.values(*option).size() > 1)
            throw std::invalid_argument(
                QStringLiteral("--%1 is given more than once").arg(name).toStdString());
        if (parser.isSet(*option) && parser.value(*option).isEmpty())
            throw std::invalid_argument(
                QStringLiteral("--%1 needs a file name").arg(name).toStdString());
    }
    options.runScript = parser.value(run);
    options.reportFile = parser.value(report);
    if (parser.isSet(report) && !parser.isSet(run))
        throw std::invalid_argument("--report needs --run");
    options.servePrinter = parser.value(serve);
    options.receiptsDir = parser.value(receipts);
    if (parser.isSet(receipts) && !parser.isSet(serve))
        throw std::invalid_argument("--receipts needs --serve-printer");
    if (parser.isSet(serve) && parser.isSet(run))
        throw std::invalid_argument("--serve-printer and --run cannot go together");
    if (parser.isSet(quitAfter)) {
        bool ok = false;
        options.quitAfterMs = parser.value(quitAfter).toInt(&ok);
        if (!ok || options.quitAfterMs < 0)
            throw std::invalid_argument("--quit-after-ms needs a number of milliseconds");
    }
    return options;
}

bool runsWithoutWindow(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView argument(argv[i]);
        if (argument == "--")
            break;
        for (const char* option : {"--run", "--report", "--serve-printer", "--receipts"})
            if (argument == option || argument.startsWith(QByteArray(QByteArray(option) + '=')))
                return true;
    }
    return false;
}

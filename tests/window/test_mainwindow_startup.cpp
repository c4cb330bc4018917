#include "app/dialogs/QtDialogs.h"
#include "app/startup/AppOptions.h"
#include "app/startup/Application.h"
#include "app/startup/StartupOptions.h"
#include "app/window/frmMain.h"
#include "support/ScriptedDialogs.h"
#include "virtual/VirtualDevicesWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <stdexcept>

// What a run is asked to do from its command line, and the file filter handed to Qt.
class TestMainWindowStartup : public QObject
{
    Q_OBJECT

private slots:
    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("virtualDevices");
        QTest::addColumn<int>("quitAfterMs");
        const int standard = opos::ControlOptions{}.controlObjectVersion;
        QTest::newRow("none") << QStringList{} << QString() << standard << true << -1;
        QTest::newRow("old control object")
            << QStringList{QStringLiteral("--control-version"), QStringLiteral("1.4.0")}
            << QString() << 1004000 << true << -1;
        QTest::newRow("from the environment")
            << QStringList{} << QStringLiteral("1.5") << 1005000 << true << -1;
        QTest::newRow("argument wins over environment")
            << QStringList{QStringLiteral("--control-version=1.4.2")} << QStringLiteral("1.9.0")
            << 1004002 << true << -1;
        QTest::newRow("no virtual devices, quit soon")
            << QStringList{QStringLiteral("--no-virtual-devices"),
                           QStringLiteral("--quit-after-ms"), QStringLiteral("300")}
            << QString() << standard << false << 300;
    }

    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, environment);
        QFETCH(int, version);
        QFETCH(bool, virtualDevices);
        QFETCH(int, quitAfterMs);
        arguments.prepend(QStringLiteral("opos-printer-test"));
        const AppOptions options = parseAppOptions(arguments, environment);
        QCOMPARE(options.control.controlObjectVersion, version);
        QCOMPARE(options.virtualDevices, virtualDevices);
        QCOMPARE(options.quitAfterMs, quitAfterMs);
        QVERIFY(!options.helpRequested);
    }

    void badOptionsAreRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("environment");
        QTest::newRow("bad version")
            << QStringList{QStringLiteral("--control-version"), QStringLiteral("one")} << QString();
        QTest::newRow("bad environment version") << QStringList{} << QStringLiteral("1.x");
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--fast")} << QString();
        QTest::newRow("stray argument") << QStringList{QStringLiteral("file.txt")} << QString();
        QTest::newRow("negative quit time")
            << QStringList{QStringLiteral("--quit-after-ms"), QStringLiteral("-5")} << QString();
    }

    void badOptionsAreRefused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, environment);
        arguments.prepend(QStringLiteral("opos-printer-test"));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, parseAppOptions(arguments, environment));
    }

    // --version answers whatever else the run is given, even a version it would refuse.
    void versionIsRequested_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("environment");
        QTest::newRow("long") << QStringList{QStringLiteral("--version")} << QString();
        QTest::newRow("short") << QStringList{QStringLiteral("-v")} << QString();
        QTest::newRow("bad environment version")
            << QStringList{QStringLiteral("--version")} << QStringLiteral("1.x");
        QTest::newRow("bad argument version")
            << QStringList{QStringLiteral("--version"), QStringLiteral("--control-version=x")}
            << QString();
    }

    void versionIsRequested()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, environment);
        arguments.prepend(QStringLiteral("opos-printer-test"));
        QVERIFY(parseAppOptions(arguments, environment).versionRequested);
        QVERIFY(!parseAppOptions({QStringLiteral("opos-printer-test")}, {}).versionRequested);
    }

    // A refused option exits with code 2; with a display the user also sees it in a box.
    void refusedOptionsAreShown_data()
    {
        QTest::addColumn<bool>("withDialogs");
        QTest::newRow("display") << true;
        QTest::newRow("no display") << false;
    }

    void refusedOptionsAreShown()
    {
        QFETCH(bool, withDialogs);
        ScriptedDialogs dialogs;
        const QString message = QStringLiteral("--control-version: \"x\" is not a version");
        QCOMPARE(refuseOptions(message, withDialogs ? &dialogs : nullptr), 2);
        QCOMPARE(dialogs.prompts(), withDialogs ? QStringList{message} : QStringList{});
        if (withDialogs) {
            QCOMPARE(dialogs.boxes().constFirst().title, QStringLiteral("ERROR MESSAGE"));
            QVERIFY(dialogs.boxes().constFirst().exclamationIcon);
        }
    }

    void displayAvailable_data()
    {
        QTest::addColumn<QStringList>("variables");
        QTest::addColumn<bool>("available");
        QTest::newRow("X") << QStringList{QStringLiteral("DISPLAY=:0")} << true;
        QTest::newRow("Wayland") << QStringList{QStringLiteral("WAYLAND_DISPLAY=wayland-0")}
                                 << true;
        QTest::newRow("terminal only") << QStringList{} << false;
        QTest::newRow("empty display") << QStringList{QStringLiteral("DISPLAY=")} << false;
        QTest::newRow("drawn off screen")
            << QStringList{QStringLiteral("DISPLAY=:0"),
                           QStringLiteral("QT_QPA_PLATFORM=offscreen")}
            << false;
        QTest::newRow("named platform")
            << QStringList{QStringLiteral("DISPLAY=:0"), QStringLiteral("QT_QPA_PLATFORM=xcb")}
            << true;
    }

    void displayAvailable()
    {
        QFETCH(QStringList, variables);
        QFETCH(bool, available);
        QProcessEnvironment environment;
        for (const QString& variable : variables)
            environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
        QCOMPARE(displayIsAvailable(environment), available);
    }

    void fileFilter_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("qt");
        QTest::newRow("text files")
            << QStringLiteral("TXT (*.txt)|*.txt") << QStringLiteral("TXT (*.txt)");
        QTest::newRow("two filters") << QStringLiteral("Text|*.txt|All files|*.*")
                                     << QStringLiteral("Text (*.txt);;All files (*.*)");
        QTest::newRow("several patterns")
            << QStringLiteral("Text|*.txt;*.prn") << QStringLiteral("Text (*.txt *.prn)");
        QTest::newRow("empty") << QString() << QString();
    }

    void fileFilter()
    {
        QFETCH(QString, filter);
        QFETCH(QString, qt);
        QCOMPARE(qtFileFilter(filter), qt);
    }

    // A smoke run that closes the window at its first paint ends without building the virtual
    // devices, which would otherwise come up beside a window that is already gone.
    void windowClosedAtFirstPaintBringsNoVirtualDevices()
    {
        AppOptions options;
        options.quitAfterMs = 0;
        Application application(options);
        QVERIFY(application.Main());
        QSignalSpy closed(application.window(), &frmMain::closed);
        QVERIFY(closed.wait());
        QCoreApplication::sendPostedEvents();
        for (QWidget* window : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<VirtualDevicesWindow*>(window));
    }

    // Boxes block only the main window, so the virtual devices window stays usable while a
    // question such as "retry?" is open.
    void boxesBlockOnlyTheirWindow()
    {
        QWidget window;
        window.show();
        QtDialogs dialogs;
        dialogs.setParentWindow(&window);
        Qt::WindowModality seen = Qt::ApplicationModal;
        QString text;
        QTimer::singleShot(0, &window, [&seen, &text] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            seen = box->windowModality();
            text = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        QCOMPARE(dialogs.question(QStringLiteral("retry?"), QStringLiteral("T")),
                 Dialogs::Answer::Ok);
        QCOMPARE(seen, Qt::WindowModal);
        QCOMPARE(text, QStringLiteral("retry?"));
    }
};

QTEST_MAIN(TestMainWindowStartup)
#include "test_mainwindow_startup.moc"

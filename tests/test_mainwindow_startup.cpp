#include "app/AppOptions.h"
#include "app/QtDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
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

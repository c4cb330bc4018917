#include "app/dialogs/EscapeMarks.h"
#include "app/dialogs/EscapeSequenceHelp.h"
#include "app/dialogs/QtDialogs.h"
#include "app/pages/KnownDevices.h"
#include "app/window/MainMenu.h"
#include "app/window/TitleFit.h"
#include "backends/sim/PrintPacer.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "services/FlexGridModel.h"
#include "services/FormState.h"
#include "services/ModuleFlags.h"
#include "support/LogRows.h"
#include "support/WindowFixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace {

const QChar kEsc(0x1b);

// Paces each printed line through the window's waiter until the test lets go, as the realistic
// output speed does with its own timing.
class HeldPacer : public sim::PrintPacer
{
public:
    opos::Waiter::Outcome pause(std::chrono::milliseconds, std::stop_token stop,
                                opos::Waiter& waiter, const QString& what) override
    {
        const auto outcome =
            waiter.wait(what, QDeadlineTimer(QDeadlineTimer::Forever),
                        [this, &stop] { return released || stop.stop_requested(); });
        return outcome == opos::Waiter::Outcome::Cancelled ? outcome : opos::Waiter::Outcome::Ready;
    }
    bool released = false;
};

// A click as the window system delivers it: to the main window at the control's place, so
// that whatever filters the window's input sees it first.
void clickThroughWindow(frmMain& window, QWidget& control)
{
    const QPoint at = control.mapTo(&window, control.rect().center());
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, at);
}

// Pixels darker than mid-grey inside area of image.
int darkPixels(const QImage& image, const QRect& area)
{
    int dark = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
    }
    return dark;
}

int propertyRow(FlexGridModel& grid, const QString& name)
{
    for (int row = 1; row < grid.Rows(); ++row) {
        if (grid.TextMatrix(row, 0) == name)
            return row;
    }
    return -1;
}

// With WINDOW_SHOTS set to a folder, saves a picture of the widget there, to look at.
void saveShot(QWidget& widget, const QString& name)
{
    const QString folder = qEnvironmentVariable("WINDOW_SHOTS");
    if (!folder.isEmpty())
        QVERIFY(widget.grab().save(folder + u'/' + name + u".png"_s));
}

QAction* menuEntry(QMenu& menu, const QString& text)
{
    for (QAction* entry : menu.actions()) {
        if (entry->text() == text)
            return entry;
    }
    return nullptr;
}

} // namespace

class WindowDriveTest : public QObject
{
    Q_OBJECT

private slots:
    // A Stop clicked while a line waits for the printer reaches the button through the wait's
    // input block; the job ends after that line and says where. Other clicks stay blocked.
    void stopWorksWhileALineWaits()
    {
        WindowFixture fixture;
        auto pacer = std::make_shared<HeldPacer>();
        fixture.simPrinter().setPacer(pacer);
        fixture.simPrinter().setOutputSpeed(sim::OutputSpeed::Realistic);
        QVERIFY(fixture.openPrinter(true, true));
        QTemporaryDir dir;
        QFile file(dir.filePath(u"job.txt"_s));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("one\ntwo\nthree\n") > 0);
        file.close();
        fixture.type("txtSelection", file.fileName());
        auto& stop = fixture.widget<QAbstractButton>("cmdStopJob");
        bool stopShown = false;
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection = connect(&fixture.waiter(), &WindowWaiter::waitStarted, this, [&] {
            QObject::disconnect(*connection);
            QTimer::singleShot(0, &fixture.window(), [&] {
                stopShown = stop.isVisible();
                if (auto* box = fixture.window().findChild<QDialog*>(u"dlgWait"_s))
                    saveShot(*box, u"wait-box"_s);
                clickThroughWindow(fixture.window(),
                                   fixture.widget<QAbstractButton>("cmdFilePrintImmediate"));
                clickThroughWindow(fixture.window(), stop);
                pacer->released = true;
                fixture.waiter().wake();
            });
        });

        fixture.click("cmdFilePrintNormal");

        QVERIFY(stopShown);
        saveShot(fixture.window(), u"stopped"_s);
        QCOMPARE(commandRowTexts(fixture.window().logGrid(), fixture.form()),
                 QStringList{u"PrintNormal() OPOS_SUCCESS"_s});
        QCOMPARE(fixture.simPrinter().receipt().size(), 1);
        QVERIFY(fixture.dialogs().prompts().isEmpty()); // the other click never ran
        QVERIFY(stop.isHidden());
        auto& status = fixture.widget<QLabel>("lblJobStatus");
        QCOMPARE(status.text(), u"Stopped at line 1 of 3"_s);
        fixture.tick(); // the refresh keeps it while the printer has nothing new to say
        QCOMPARE(status.text(), u"Stopped at line 1 of 3"_s);
    }

    // Shortcuts act, but never type into the selected cell; plain keys still do.
    void shortcutsDoNotTypeIntoThePropertyGrid()
    {
        WindowFixture fixture;
        // Active, so that the window's shortcuts take their keys as they do for a user.
        QApplication::setActiveWindow(&fixture.window());
        QVERIFY(QTest::qWaitForWindowActive(&fixture.window()));
        QVERIFY(fixture.openPrinter(true));
        fixture.click("cmdReadProp");
        fixture.flushViews();
        QCoreApplication::processEvents(); // lets the view lay out the rows just published
        FlexGridModel& grid = fixture.window().propertyGrid();
        const int row = propertyRow(grid, u"RecLineChars"_s);
        QVERIFY(row > 0);
        auto& view = fixture.widget<QTableView>("MSFlexGrid2");
        view.scrollTo(view.model()->index(row - 1, 0));
        const QRect cell = view.visualRect(view.model()->index(row - 1, 0));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(fixture.widget<QAbstractButton>("cmdWriteProp").isEnabled());

        for (Qt::Key key : {Qt::Key_C, Qt::Key_A, Qt::Key_V})
            QTest::keyClick(&view, key, Qt::ControlModifier);
        QCOMPARE(grid.TextMatrix(row, 0), u"RecLineChars"_s);
        QCOMPARE(fixture.form().PropEdited, false);

        QTest::keyClick(&view, Qt::Key_4);
        QCOMPARE(grid.TextMatrix(row, 0), u"4"_s);
    }

    // Enter and a double click insert the selected row's sequence, not the first row's.
    void escapeHelpInsertsTheSelectedRow()
    {
        WindowFixture fixture;
        auto& line = fixture.widget<QLineEdit>("txtPrint");
        line.clear();
        fixture.window().findChild<QAction*>(u"actEscapeHelp"_s)->trigger();
        auto* help = fixture.window().findChild<QDialog*>(u"dlgEscapeHelp"_s);
        QVERIFY(help);
        auto* table = help->findChild<QTableWidget*>(u"tblEscapeSequences"_s);
        const auto rowCentre = [table](int row) {
            return table->visualItemRect(table->item(row, 1)).center();
        };
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, rowCentre(3));
        QTest::keyClick(table, Qt::Key_Return);
        QCOMPARE(line.text(), kEsc + printEscapeSequences().at(3).body);
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, rowCentre(5));
        QCOMPARE(line.text(), kEsc + printEscapeSequences().at(3).body + kEsc +
                                  printEscapeSequences().at(5).body);
        QTest::keyClick(table, Qt::Key_Enter);
        QVERIFY(line.text().endsWith(kEsc + printEscapeSequences().at(5).body + kEsc +
                                     printEscapeSequences().at(5).body));
    }

    // An escape character shows as a framed "ESC" wherever a line can hold one.
    void escapeIsVisible()
    {
        WindowFixture fixture;
        auto& line = fixture.widget<QLineEdit>("txtPrint");
        line.clearFocus();
        line.setText(QString(kEsc));
        QCoreApplication::processEvents(); // the room is made once the text has settled
        line.setCursorPosition(1);
        const QRect end = line.inputMethodQuery(Qt::ImCursorRectangle).toRect();
        line.setCursorPosition(0);
        const QRect start = line.inputMethodQuery(Qt::ImCursorRectangle).toRect();
        QVERIFY(end.x() - start.x() >= escape_marks::markWidth(line.font()) * 3 / 4);
        const QImage shot = line.grab().toImage();
        QVERIFY(darkPixels(shot, line.rect().adjusted(3, 3, -3, -3)) > 10);
        line.setText(u"plain"_s); // the room goes with the escape
        line.setText(QString());
        QCOMPARE(darkPixels(line.grab().toImage(), line.rect().adjusted(3, 3, -3, -3)), 0);

        // Each escape has the room of a mark, also in a picture taken at once after the change.
        line.setText(kEsc + u"|bCBold"_s + kEsc + u"|N plain"_s);
        line.grab();
        const auto advance = [&line](int position) {
            line.setCursorPosition(position + 1);
            const int after = line.inputMethodQuery(Qt::ImCursorRectangle).toRect().x();
            line.setCursorPosition(position);
            return after - line.inputMethodQuery(Qt::ImCursorRectangle).toRect().x();
        };
        for (const int escape : {0, 8})
            QVERIFY(advance(escape) >= escape_marks::markWidth(line.font()) * 3 / 4);
        QVERIFY(fixture.openPrinter(true, true));
        fixture.click("cmdPrintNormal");
        fixture.flushViews();
        saveShot(fixture.window(), u"escape-marks"_s);
        auto& list = fixture.widget<QListView>("lstPrinter");
        QVERIFY(qobject_cast<EscapeTextDelegate*>(list.itemDelegate()));
        fixture.window().findChild<QAction*>(u"actEscapeHelp"_s)->trigger();
        auto* table = fixture.window().findChild<QTableWidget*>(u"tblEscapeSequences"_s);
        QVERIFY(qobject_cast<EscapeTextDelegate*>(table->itemDelegateForColumn(0)));
        saveShot(*table->window(), u"escape-help"_s);

        // The delegate itself: an item of one escape character paints its mark.
        QStandardItemModel model;
        model.appendRow(new QStandardItem(QString(kEsc)));
        model.appendRow(new QStandardItem(QString(QChar(0x241b))));
        QListView view;
        view.setModel(&model);
        view.setItemDelegate(new EscapeTextDelegate(&view));
        view.resize(200, 100);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QImage items = view.viewport()->grab().toImage();
        for (int row = 0; row < 2; ++row)
            QVERIFY(darkPixels(items, view.visualRect(model.index(row, 0))) > 10);
    }

    // Known devices fill the name box of their kind and bring its page to the front; a
    // printer picked while a printer is open asks first.
    void pickingAKnownDevice()
    {
        QTemporaryDir dir;
        QFile ini(dir.filePath(u"devices.ini"_s));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Counter Printer]\nclass=PosPrinter\naddress=tcp://192.0.2.10\n\n"
                  "[Counter Drawer]\nclass=CashDrawer\naddress=tcp://192.0.2.10\n\n"
                  "[Pole Display]\nclass=LineDisplay\naddress=serial:///dev/ttyUSB0\n");
        ini.close();
        WindowFixture fixture;
        frmMain& window = fixture.window();
        window.menu().setKnownDeviceSources({ini.fileName(), dir.filePath(u"dev"_s), {}});
        auto& menu = *window.findChild<QMenu*>(u"mnuKnownDevices"_s);
        emit menu.aboutToShow();
        QAction* heading = menuEntry(menu, u"devices.ini"_s);
        QVERIFY(heading && heading->isSeparator());
        QCOMPARE(heading->toolTip(), ini.fileName());
        auto& tabs = fixture.widget<QTabWidget>("SSTab1");

        menuEntry(menu, u"Counter Drawer \u2014 tcp://192.0.2.10"_s)->trigger();
        QCOMPARE(tabs.currentIndex(), 5);
        QCOMPARE(fixture.widget<QLineEdit>("cdDevice").text(), u"Counter Drawer"_s);
        menuEntry(menu, u"Pole Display \u2014 serial:///dev/ttyUSB0"_s)->trigger();
        QCOMPARE(tabs.currentIndex(), 6);

        QVERIFY(fixture.openPrinter(false));
        const QString printer = u"Counter Printer \u2014 tcp://192.0.2.10"_s;
        fixture.dialogs().queueAnswer(Dialogs::Answer::Cancel);
        menuEntry(menu, printer)->trigger();
        QCOMPARE(fixture.dialogs().prompts().size(), 1);
        QVERIFY(fixture.dialogs().prompts().constFirst().contains(u"Quenta POS Printer"_s));
        QCOMPARE(fixture.widget<QLineEdit>("txtDevice").text(), u"Quenta POS Printer"_s);
        QCOMPARE(tabs.currentIndex(), 6);
        fixture.dialogs().queueAnswer(Dialogs::Answer::Ok);
        menuEntry(menu, printer)->trigger();
        QCOMPARE(fixture.widget<QLineEdit>("txtDevice").text(), u"Counter Printer"_s);
        QCOMPARE(tabs.currentIndex(), 0);
    }

    // While the printer is open its power shows in the status bar, from PowerState and at once
    // from a power event.
    void powerStateShowsWhileOpen()
    {
        // The field takes its place in the bar without a complaint from it.
        QTest::failOnWarning(QRegularExpression(u"QStatusBar"_s));
        WindowFixture fixture;
        auto& power = fixture.widget<QLabel>("lblPower");
        fixture.tick();
        QVERIFY(power.isHidden());
        QVERIFY(fixture.openPrinter(true));
        QTRY_VERIFY(power.isVisible()); // at the next status refresh
        QCOMPARE(power.text(), u"Power: unknown"_s);
        QVERIFY(power.toolTip().contains(u"PowerNotify"_s));
        fixture.printer().SetPropertyNumber(u"PowerNotify"_s, opos::OPOS_PN_ENABLED);
        fixture.printer().SetDeviceEnabled(true);
        QTRY_COMPARE(power.text(), u"Power: on"_s);

        fixture.simPrinter().setPower(opos::PowerState::Off);
        // The simulated printer reports power as standard: on line or not.
        QTRY_COMPARE(power.text(), u"Power: off or offline"_s); // the event, before any refresh
        const auto& bar = fixture.widget<QStatusBar>("statusBar");
        QVERIFY2(power.x() > bar.width() / 2, qPrintable(QString::number(power.x())));
        saveShot(fixture.window(), u"power-off"_s);

        fixture.printer().SetDeviceEnabled(false);
        fixture.printer().ReleaseDevice();
        fixture.printer().Close();
        QTRY_VERIFY(power.isHidden());
    }

    // Every box is wide enough for its title; the time-out box names its unit.
    void boxesFitTheirTitles()
    {
        QWidget parent;
        parent.show();
        QtDialogs dialogs;
        dialogs.setParentWindow(&parent);
        int width = 0;
        int needed = 0;
        QTimer::singleShot(0, &parent, [&] {
            auto* box = parent.findChild<QMessageBox*>();
            QVERIFY(box);
            width = box->width();
            saveShot(*box, u"warning-box"_s);
            needed = titleBarWidth(*box);
            box->close();
        });
        dialogs.warning(u"x"_s, u"StatusUpdate EVENT Handler"_s);
        QVERIFY2(width >= needed, qPrintable(u"%1 < %2"_s.arg(width).arg(needed)));

        WindowFixture fixture;
        QVERIFY(fixture.widget<QLineEdit>("txtTimeout").toolTip().contains(u"seconds"_s));
    }
};

QTEST_MAIN(WindowDriveTest)
#include "test_window_drive.moc"

#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "services/Colours.h"
#include "services/FlexGridModel.h"
#include "services/FormState.h"
#include "services/Lamp.h"
#include "services/ModuleFlags.h"
#include "services/OperationLog.h"
#include "services/PrinterListModel.h"
#include "support/LogRows.h"
#include "support/WindowFixture.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace {

QString caption(QWidget& control)
{
    if (auto* label = qobject_cast<QLabel*>(&control))
        return label->text();
    if (auto* box = qobject_cast<QLineEdit*>(&control))
        return box->text();
    if (auto* button = qobject_cast<QAbstractButton*>(&control))
        return button->text();
    if (auto* frame = qobject_cast<QGroupBox*>(&control))
        return frame->title();
    return {};
}

int pageOf(QTabWidget& tabs, QWidget& control)
{
    for (int page = 0; page < tabs.count(); ++page) {
        if (tabs.widget(page)->isAncestorOf(&control))
            return page;
    }
    return -1;
}

QColor textColour(const QLabel& label)
{
    return label.palette().color(QPalette::WindowText);
}

void addControl(const char* name, const char* kind, int page, const QString& text)
{
    QTest::newRow(name) << QByteArray(name) << QByteArray(kind) << page << text;
}

} // namespace

// The main window as loaded: controls, start state, the close question and the status refresh.
class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void controlsAsDesigned_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<int>("page"); // -1: not on a page of SSTab1
        QTest::addColumn<QString>("text");
        addControl("Picture1", "QLabel", -1, QString());
        addControl("Label1", "QLabel", -1, QStringLiteral("[QUENTA Printer OPOS DRIVER]"));
        addControl("Picture2", "QLabel", -1, QString());
        addControl("SSTab1", "QTabWidget", -1, QString());
        addControl("Frame1", "QGroupBox", -1, QStringLiteral("OPOS Methods && Event List"));
        addControl("MSFlexGrid1", "QTableView", -1, QString());
        addControl("Frame2", "QGroupBox", -1, QStringLiteral("Quenta Printer"));
        addControl("lstPrinter", "QListView", -1, QString());
        addControl("Label2", "QLabel", -1, QStringLiteral("SERVICE OBJECT STATE"));
        addControl("lblServiceState", "QLabel", -1, QStringLiteral(""));
        addControl("Label3", "QLabel", -1, QStringLiteral("ADDITIONAL INFORMATIONs"));
        addControl("lblStatus", "QLabel", -1, QStringLiteral(""));
        addControl("lblAdditional", "QLabel", -1, QStringLiteral(""));
        addControl("Label4", "QLabel", -1, QStringLiteral("PRINTING"));
        addControl("shpPrinting", "Lamp", -1, QString());
        addControl("Label5", "QLabel", -1, QStringLiteral("PAPER"));
        addControl("shpPaper", "Lamp", -1, QString());
        addControl("Label6", "QLabel", -1, QStringLiteral("COVER"));
        addControl("shpCover", "Lamp", -1, QString());
        addControl("Line1", "QFrame", -1, QString());
        addControl("Line2", "QFrame", -1, QString());
        addControl("Line3", "QFrame", -1, QString());
        addControl("Line4", "QFrame", -1, QString());
        addControl("Line5", "QFrame", -1, QString());
        addControl("Line6", "QFrame", -1, QString());
        addControl("Line7", "QFrame", -1, QString());
        addControl("Label10", "QLabel", 0, QStringLiteral("Service Object Name"));
        addControl("txtDevice", "QLineEdit", 0, QStringLiteral("Quenta POS Printer"));
        addControl("cmdOpen", "QPushButton", 0, QStringLiteral("Open()"));
        addControl("cmdClose", "QPushButton", 0, QStringLiteral("Close()"));
        addControl("cmdClaim", "QPushButton", 0, QStringLiteral("ClaimDevice()"));
        addControl("Label13", "QLabel", 0, QStringLiteral("Timeout"));
        addControl("txtTimeout", "QLineEdit", 0, QStringLiteral("100"));
        addControl("cmdRelease", "QPushButton", 0, QStringLiteral("ReleaseDevice()"));
        addControl("cmdSetDeviceEnable", "QPushButton", 0, QStringLiteral("SetDeviceEnable"));
        addControl("cmdSetFlagWhenIdle", "QPushButton", 0, QStringLiteral("SetFlagWhenIdle"));
        addControl("lblLineToPrint", "QLabel", 1, QStringLiteral("Line To Print"));
        addControl("txtPrint", "QLineEdit", 1, QStringLiteral("Test ** 0123456789 Linea di prova"));
        addControl("cmdPrintImmediate", "QPushButton", 1, QStringLiteral("PrintImmediate()"));
        addControl("chkAsyncMode", "QCheckBox", 1, QStringLiteral("AsyncMode"));
        addControl("cmdPrintNormal", "QPushButton", 1, QStringLiteral("PrintNormal()"));
        addControl("Label12", "QLabel", 1, QStringLiteral("OutputID"));
        addControl("lblPrintOutputID", "QLabel", 1, QStringLiteral(""));
        addControl("cmdCutPaper", "QPushButton", 1, QStringLiteral("CutPaper()"));
        addControl("Label9", "QLabel", 1, QStringLiteral("Percentage"));
        addControl("txtCutPaper", "QLineEdit", 1, QStringLiteral("50"));
        addControl("Label11", "QLabel", 1, QStringLiteral("OutputID"));
        addControl("lblCutOutputID", "QLabel", 1, QStringLiteral(""));
        addControl("lblSelectFile", "QLabel", 2, QStringLiteral("Selected File"));
        addControl("txtSelection", "QLineEdit", 2, QStringLiteral(""));
        addControl("Label7", "QLabel", 2, QStringLiteral("Browse"));
        addControl("cmdSelect", "QPushButton", 2, QStringLiteral("..."));
        addControl("cmdEdit", "QPushButton", 2, QStringLiteral("MODIFY"));
        addControl("cmdFilePrintImmediate", "QPushButton", 2, QStringLiteral("PrintImmediate()"));
        addControl("chkFileAsyncMode", "QCheckBox", 2, QStringLiteral("AsyncMode"));
        addControl("cmdFilePrintNormal", "QPushButton", 2, QStringLiteral("PrintNormal()"));
        addControl("Label14", "QLabel", 2, QStringLiteral("OutputID"));
        addControl("lblFilePrintOutputID", "QLabel", 2, QStringLiteral(""));
        addControl("cmdTransactionPrint", "QPushButton", 2, QStringLiteral("TransactionPrint()"));
        addControl("Label18", "QLabel", 2, QStringLiteral("OutputID"));
        addControl("lblFileTransPrintOutputID", "QLabel", 2, QStringLiteral(""));
        addControl("chkCutPaper", "QCheckBox", 2, QStringLiteral("Cut Paper"));
        addControl("Label8", "QLabel", 2, QStringLiteral("Percentage"));
        addControl("txtCutPaperAtEnd", "QLineEdit", 2, QStringLiteral("55"));
        addControl("Label16", "QLabel", 2, QStringLiteral("OutputID"));
        addControl("lblFileCutOutputID", "QLabel", 2, QStringLiteral(""));
        addControl("cmdDirectIO", "QPushButton", 3, QStringLiteral("DirectIO()"));
        addControl("lblCommand", "QLabel", 3, QStringLiteral("Command"));
        addControl("txtCommand", "QLineEdit", 3, QStringLiteral(""));
        addControl("lblData", "QLabel", 3, QStringLiteral("Data"));
        addControl("txtData", "QLineEdit", 3, QStringLiteral(""));
        addControl("lblObject", "QLabel", 3, QStringLiteral("Object"));
        addControl("txtObject", "QLineEdit", 3, QStringLiteral(""));
        addControl("MSFlexGrid2", "QTableView", 4, QString());
        addControl("cmdReadProp", "QPushButton", 4, QStringLiteral("Get Properties"));
        addControl("Label15", "QLabel", 4, QStringLiteral(""));
        addControl("cmdWriteProp", "QPushButton", 4, QStringLiteral("Change Property"));
        addControl("Label17", "QLabel", 5, QStringLiteral("Service Object Name"));
        addControl("cdDevice", "QLineEdit", 5, QStringLiteral("Quenta Cash Drawer"));
        addControl("cmdCashDrawerOpen", "QPushButton", 5, QStringLiteral("OpenDrawer()"));
        addControl("Label19", "QLabel", 6, QStringLiteral("Service Object Name"));
        addControl("ldDevice", "QLineEdit", 6, QStringLiteral("Quenta Line Display"));
        addControl("Label20", "QLabel", 6, QStringLiteral("Line Display Text"));
        addControl("txtLDDisplay", "QLineEdit", 6, QStringLiteral("QUENTA Text"));
        addControl("cmdDisplayText", "QPushButton", 6, QStringLiteral("DisplayText()"));
    }

    void controlsAsDesigned()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, kind);
        QFETCH(int, page);
        QFETCH(QString, text);
        WindowFixture fixture;
        auto& control = fixture.widget<QWidget>(name.constData());
        QVERIFY2(control.inherits(kind.constData()), control.metaObject()->className());
        QCOMPARE(pageOf(fixture.widget<QTabWidget>("SSTab1"), control), page);
        if (!text.isNull())
            QCOMPARE(caption(control), text);
        QVERIFY(control.isEnabled() || name == "cmdWriteProp");
    }

    void textBoxLimits_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("limit");
        QTest::newRow("txtTimeout") << QByteArray("txtTimeout") << 4;
        QTest::newRow("txtCutPaper") << QByteArray("txtCutPaper") << 3;
        QTest::newRow("txtCutPaperAtEnd") << QByteArray("txtCutPaperAtEnd") << 3;
        for (const char* name : {"txtDevice", "txtPrint", "txtSelection", "txtCommand", "txtData",
                                 "txtObject", "cdDevice", "ldDevice", "txtLDDisplay"})
            QTest::newRow(name) << QByteArray(name) << 32767; // no limit of our own
    }

    void textBoxLimits()
    {
        QFETCH(QByteArray, name);
        QFETCH(int, limit);
        WindowFixture fixture;
        auto& box = fixture.widget<QLineEdit>(name.constData());
        QCOMPARE(box.maxLength(), limit);
        if (limit < 10) {
            fixture.type(name.constData(), QStringLiteral("123456789"));
            QCOMPARE(box.text(), QStringLiteral("123456789").left(limit));
        }
    }

    void fonts_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<qreal>("points");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<QStringList>("designedFamilies");
        const QStringList standard = {
            QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
            QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")};
        const QStringList impact = {
            QStringLiteral("Impact"), QStringLiteral("DejaVu Sans Condensed"),
            QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")};
        QTest::newRow("button") << QByteArray("cmdOpen") << 9.75 << true << standard;
        QTest::newRow("bordered label") << QByteArray("lblStatus") << 9.75 << true << standard;
        QTest::newRow("log grid") << QByteArray("MSFlexGrid1") << 9.75 << true << standard;
        QTest::newRow("banner") << QByteArray("Label1") << 18.0 << false << impact;
        QTest::newRow("browse button") << QByteArray("cmdSelect") << 13.5 << true << standard;
        QTest::newRow("selected file") << QByteArray("txtSelection") << 8.25 << false << standard;
    }

    void fonts()
    {
        QFETCH(QByteArray, name);
        QFETCH(qreal, points);
        QFETCH(bool, bold);
        QFETCH(QStringList, designedFamilies);
        WindowFixture fixture;
        const QFont font = fixture.widget<QWidget>(name.constData()).font();
        QCOMPARE(font.pointSizeF(), points);
        QCOMPARE(font.bold(), bold);
        // A font names only the first installed family of its list, and must get the face the
        // whole list would give it.
        QFont asDesigned = font;
        asDesigned.setFamilies(designedFamilies);
        QCOMPARE(QFontInfo(font).family(), QFontInfo(asDesigned).family());
        QCOMPARE(QFontInfo(font).styleName(), QFontInfo(asDesigned).styleName());
        const QFont tabs = fixture.widget<QTabWidget>("SSTab1").tabBar()->font();
        QCOMPARE(tabs.pointSizeF(), 8.25);
        QVERIFY(tabs.bold());
    }

    void windowTitleSizeAndPages()
    {
        WindowFixture fixture;
        frmMain& window = fixture.window();
        QCOMPARE(window.windowTitle(),
                 QStringLiteral("Quenta Engineering OPOS Application for Printer"));
        const auto& client = fixture.widget<QWidget>("clientArea");
        QCOMPARE(client.size(), QSize(999, 634)); // 14985 x 9510 twips
        QCOMPARE(client.minimumSize(), client.maximumSize());
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(!window.windowIcon().isNull());
        auto& tabs = fixture.widget<QTabWidget>("SSTab1");
        const QStringList captions = {QStringLiteral("Main CMDs"),   QStringLiteral("Line PRINT"),
                                      QStringLiteral("File PRINT"),  QStringLiteral("Mixed CMDs"),
                                      QStringLiteral("Properties"),  QStringLiteral("Cash Drawer"),
                                      QStringLiteral("Line Display")};
        QCOMPARE(tabs.count(), captions.size());
        for (int page = 0; page < tabs.count(); ++page)
            QCOMPARE(tabs.tabText(page), captions[page]);
        QCOMPARE(tabs.currentIndex(), 0);
        QCOMPARE(window.Timer1().interval(), 500);
        QVERIFY(window.Timer1().isActive());
    }

    void frameCaptionShowsOneAmpersand()
    {
        WindowFixture fixture;
        QAccessibleInterface* frame =
            QAccessible::queryAccessibleInterface(&fixture.widget<QGroupBox>("Frame1"));
        QVERIFY(frame);
        QCOMPARE(frame->text(QAccessible::Name), QStringLiteral("OPOS Methods & Event List"));
    }

    void focusOrder()
    {
        const QStringList expected =
            QStringLiteral(
                "SSTab1 MSFlexGrid1 cmdClaim lstPrinter cmdClose cmdRelease cmdOpen txtDevice "
                "txtTimeout cmdSetDeviceEnable txtObject txtData txtCommand cmdDirectIO "
                "cmdSetFlagWhenIdle txtCutPaperAtEnd chkCutPaper txtSelection "
                "cmdFilePrintImmediate cmdEdit cmdSelect txtPrint txtCutPaper cmdCutPaper "
                "cmdPrintNormal cmdPrintImmediate chkAsyncMode chkFileAsyncMode "
                "cmdFilePrintNormal cmdTransactionPrint MSFlexGrid2 cmdReadProp cmdWriteProp "
                "cdDevice cmdCashDrawerOpen cmdDisplayText ldDevice txtLDDisplay ")
                .split(u' ', Qt::SkipEmptyParts);
        WindowFixture fixture;
        QWidget* start = &fixture.widget<QWidget>("SSTab1");
        QStringList seen;
        for (QWidget* w = start; seen.size() < expected.size();) {
            if (expected.contains(w->objectName()) && !seen.contains(w->objectName()))
                seen.append(w->objectName());
            w = w->nextInFocusChain();
            if (w == start)
                break;
        }
        QCOMPARE(seen, expected);
        QCOMPARE(fixture.widget<QWidget>("Picture1").focusPolicy(), Qt::NoFocus);
    }

    // Tab leaves a grid for the next control, as from any other control, instead of walking
    // the grid's cells.
    void tabLeavesTheGrids_data()
    {
        QTest::addColumn<QByteArray>("grid");
        QTest::addColumn<int>("page");
        QTest::addColumn<QByteArray>("next");
        QTest::newRow("log") << QByteArray("MSFlexGrid1") << 0 << QByteArray("cmdClaim");
        QTest::newRow("properties") << QByteArray("MSFlexGrid2") << 4 << QByteArray("cmdReadProp");
    }

    void tabLeavesTheGrids()
    {
        QFETCH(QByteArray, grid);
        QFETCH(int, page);
        QFETCH(QByteArray, next);
        WindowFixture fixture;
        QApplication::setActiveWindow(&fixture.window());
        QVERIFY(QTest::qWaitForWindowActive(&fixture.window()));
        fixture.widget<QTabWidget>("SSTab1").setCurrentIndex(page);
        auto& view = fixture.widget<QTableView>(grid.constData());
        view.setFocus(Qt::TabFocusReason);
        view.setCurrentIndex(view.model()->index(0, 0));
        QTest::keyClick(&view, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), &fixture.widget<QWidget>(next.constData()));
        QCOMPARE(view.currentIndex(), view.model()->index(0, 0));
    }

    // Enter and the keypad's Enter click the focused button as Space does; no button becomes a
    // default button, and other keys and text boxes are left alone.
    void enterClicksTheFocusedButton_data()
    {
        QTest::addColumn<QByteArray>("focused");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("clicks");
        QTest::newRow("Return") << QByteArray("cmdReadProp") << 4 << int(Qt::Key_Return) << 1;
        QTest::newRow("keypad Enter") << QByteArray("cmdReadProp") << 4 << int(Qt::Key_Enter) << 1;
        QTest::newRow("Space") << QByteArray("cmdReadProp") << 4 << int(Qt::Key_Space) << 1;
        QTest::newRow("other key") << QByteArray("cmdReadProp") << 4 << int(Qt::Key_A) << 0;
        QTest::newRow("drawer test")
            << QByteArray("cmdCashDrawerOpen") << 5 << int(Qt::Key_Return) << 1;
        QTest::newRow("in a text box") << QByteArray("txtDevice") << 0 << int(Qt::Key_Return) << 0;
    }

    void enterClicksTheFocusedButton()
    {
        QFETCH(QByteArray, focused);
        QFETCH(int, page);
        QFETCH(int, key);
        QFETCH(int, clicks);
        WindowFixture fixture;
        QApplication::setActiveWindow(&fixture.window());
        QVERIFY(QTest::qWaitForWindowActive(&fixture.window()));
        fixture.widget<QTabWidget>("SSTab1").setCurrentIndex(page);
        auto& target = fixture.widget<QWidget>(focused.constData());
        target.setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), &target);
        int clicked = 0;
        const auto buttons = fixture.window().findChildren<QPushButton*>();
        for (QPushButton* button : buttons)
            connect(button, &QPushButton::clicked, &fixture.window(), [&clicked] { ++clicked; });

        QTest::keyClick(&target, Qt::Key(key),
                        key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);

        QCOMPARE(clicked, clicks);
        for (const QPushButton* button : buttons) {
            QVERIFY2(!button->isDefault() && !button->autoDefault(),
                     qPrintable(button->objectName()));
        }
    }

    void gridsStartState()
    {
        WindowFixture fixture;
        fixture.flushViews();
        FlexGridModel& log = fixture.window().logGrid();
        QCOMPARE(log.Rows(), 9);
        QCOMPARE(log.TextMatrix(0, 0), QStringLiteral("METHOD/EVENT"));
        QCOMPARE(log.TextMatrix(0, 1), QStringLiteral("RESULT/PARAMETERS"));
        QCOMPARE(fixture.form().LogRow, 1);
        FlexGridModel& props = fixture.window().propertyGrid();
        QCOMPARE(props.Rows(), 16);
        QCOMPARE(props.TextMatrix(0, 0), QStringLiteral("PROPERTY"));
        QCOMPARE(props.TextMatrix(0, 1), QStringLiteral("VALUE"));
        QCOMPARE(props.TextMatrix(0, 2), QStringLiteral("OPOSIDX"));
        QCOMPARE(fixture.form().PropRow, 1);
        QCOMPARE(fixture.form().PropSelRow, -1);
        QCOMPARE(fixture.form().PropSelCol, -1);
        for (FlexGridModel* grid : {&log, &props}) {
            for (int row = 1; row < grid->Rows(); ++row) {
                for (int col = 0; col < grid->Cols(); ++col)
                    QVERIFY(grid->TextMatrix(row, col).isEmpty());
            }
            // (8085 - 350) / 2 = 3867.5, rounded half to even.
            QCOMPARE(grid->ColWidth(0), 3868);
            QCOMPARE(grid->ColWidth(1), 3868);
        }
        QCOMPARE(props.ColWidth(2), 0);

        auto& logView = fixture.widget<QTableView>("MSFlexGrid1");
        auto& propView = fixture.widget<QTableView>("MSFlexGrid2");
        QCOMPARE(logView.model()->rowCount(), 8);
        QCOMPARE(propView.model()->rowCount(), 15);
        QCOMPARE(logView.columnWidth(0), 258);
        QCOMPARE(logView.horizontalHeader()->model()->headerData(1, Qt::Horizontal).toString(),
                 QStringLiteral("RESULT/PARAMETERS"));
        QVERIFY(propView.isColumnHidden(2));
        QVERIFY(!propView.isColumnHidden(1));
        QCOMPARE(fixture.window().printerList().ListCount(), 0);
    }

    void statusPanelBeforeTheFirstTick()
    {
        WindowFixture fixture;
        for (const char* lamp : {"shpPrinting", "shpPaper", "shpCover"})
            QCOMPARE(fixture.widget<Lamp>(lamp).FillColor(), QColor(Qt::white));
        for (const char* label : {"lblServiceState", "lblStatus", "lblAdditional"})
            QVERIFY(fixture.widget<QLabel>(label).text().isEmpty());
        QVERIFY(!fixture.widget<QPushButton>("cmdWriteProp").isEnabled());
        QVERIFY(fixture.widget<QPushButton>("cmdReadProp").isEnabled());
        const ModuleFlags& flags = fixture.flags();
        QVERIFY(!flags.DeviceOpened && !flags.DeviceClaimed && !flags.PrintingBusy);
        QVERIFY(!flags.CoverOpenAlarm && !flags.PaperEmptyAlarm && !flags.PaperNearEndAlarm);
        QVERIFY(fixture.dialogs().boxes().isEmpty());
    }

    void closeConfirmation_data()
    {
        QTest::addColumn<bool>("opened");
        QTest::addColumn<bool>("claimed");
        QTest::addColumn<int>("answer"); // 0 OK, 1 Cancel, -1 none queued
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("asks");
        QTest::addColumn<bool>("closes");
        const auto row = [](const char* title, bool opened, bool claimed, int answer, bool asks,
                            bool closes, int version = opos::kDefaultControlObjectVersion) {
            QTest::newRow(title) << opened << claimed << answer << version << asks << closes;
        };
        row("neither: no question", false, false, -1, false, true);
        row("opened, OK", true, false, 0, true, true);
        row("opened and claimed, OK", true, true, 0, true, true);
        row("opened and claimed, OK, 1.4", true, true, 0, true, true, 1004000);
        row("opened, Cancel", true, false, 1, true, false);
        row("opened and claimed, Cancel", true, true, 1, true, false);
        row("box closed without answer", true, true, -1, true, false);
    }

    void closeConfirmation()
    {
        QFETCH(bool, opened);
        QFETCH(bool, claimed);
        QFETCH(int, answer);
        QFETCH(int, version);
        QFETCH(bool, asks);
        QFETCH(bool, closes);
        WindowFixture fixture(opos::ControlOptions{version});
        if (opened)
            QVERIFY(fixture.openPrinter(claimed));
        if (answer >= 0)
            fixture.dialogs().queueAnswer(answer == 0 ? Dialogs::Answer::Ok
                                                      : Dialogs::Answer::Cancel);

        QCOMPARE(fixture.window().close(), closes);

        const auto& boxes = fixture.dialogs().boxes();
        QCOMPARE(boxes.size(), asks ? 1 : 0);
        if (asks) {
            QCOMPARE(boxes[0].prompt,
                     QStringLiteral("Printer still CLAIMED or OPENED... Proceed with CLOSE?"));
            QCOMPARE(boxes[0].title, QStringLiteral("ERROR MESSAGE"));
            QVERIFY(boxes[0].cancelButton);
            QVERIFY(!boxes[0].exclamationIcon);
        }
        QCOMPARE(fixture.window().isVisible(), !closes);
        // On OK the printer is released and closed for real; on Cancel it stays as it was.
        const bool stillOpen = opened && !closes;
        QCOMPARE(fixture.printer().State() != opos::OPOS_S_CLOSED, stillOpen);
        QCOMPARE(fixture.simPrinter().activity().claimed, claimed && !closes);
        QCOMPARE(fixture.flags().DeviceOpened, opened); // no flag changes on close
    }

    // A claim waits, letting the event loop run, while another application holds the printer.
    // A close asks first: OK ends the wait and reports the window closed only once the claim has
    // unwound, so the window may be destroyed at once; Cancel leaves the claim waiting, here
    // until the other holder lets go.
    void closingDuringClaim_data()
    {
        QTest::addColumn<QString>("timeout");
        QTest::addColumn<bool>("ok"); // the answer to "Proceed with CLOSE?"
        QTest::newRow("100 s, OK") << QStringLiteral("100") << true;
        QTest::newRow("longest, OK") << QStringLiteral("9999") << true; // nearly three hours
        QTest::newRow("100 s, Cancel") << QStringLiteral("100") << false;
    }
    void closingDuringClaim()
    {
        QFETCH(QString, timeout);
        QFETCH(bool, ok);
        WindowFixture fixture;
        QVERIFY(fixture.openPrinter(false));
        fixture.type("txtTimeout", timeout);
        sim::SimulatedPrinter& device = fixture.simPrinter();
        device.setHeldElsewhere(true);
        // A wait that nothing ends gives up here, failing the test rather than hanging it.
        QTimer::singleShot(5000, &device, [&device] { device.setHeldElsewhere(false); });
        if (ok)
            fixture.dialogs().queueAnswer(Dialogs::Answer::Ok);
        else
            fixture.dialogs().queueAnswer(Dialogs::Answer::Cancel, [&device] {
                QTimer::singleShot(0, &device, [&device] { device.setHeldElsewhere(false); });
            });
        frmMain* window = &fixture.window();
        bool clickReturned = false;
        bool closedDuringClick = false;
        QStringList rowsWhenClosed;
        connect(window, &frmMain::closed, window, [&] {
            closedDuringClick = !clickReturned;
            rowsWhenClosed = logRowTexts(window->logGrid(), window->form());
            QTimer::singleShot(0, &device, [&fixture] { fixture.destroyWindow(); });
        });
        QTimer::singleShot(0, window, [window] { window->close(); });

        fixture.click("cmdClaim");
        clickReturned = true;

        if (!ok) {
            QCOMPARE(logRowTexts(window->logGrid(), window->form()),
                     QStringList{QStringLiteral("ClaimDevice() OPOS_SUCCESS")});
            QVERIFY(window->isVisible());
            QVERIFY(fixture.printer().Claimed());
            return;
        }
        const QStringList rows{QStringLiteral("ClaimDevice() OPOS_E_TIMEOUT")};
        QVERIFY(device.heldElsewhere()); // the close ended the wait, not the other holder
        QTRY_VERIFY(!fixture.hasWindow());
        QVERIFY(!closedDuringClick);
        QCOMPARE(rowsWhenClosed, rows);
        QCOMPARE(
            fixture.dialogs().prompts(),
            QStringList{QStringLiteral("Printer still CLAIMED or OPENED... Proceed with CLOSE?")});
        QCOMPARE(device.activity().state, opos::OPOS_S_CLOSED);
    }

    void logViewFollowsTheNewestRow()
    {
        WindowFixture fixture;
        auto& view = fixture.widget<QTableView>("MSFlexGrid1");
        for (int i = 0; i < 200; ++i)
            fixture.window().log().AppendLogRow(QStringLiteral("Open()"), QString::number(i));
        QCOMPARE(fixture.window().logGrid().Rows(), 202);
        QTRY_COMPARE(view.model()->rowCount(), 201);
        QTRY_COMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
        QVERIFY(view.verticalScrollBar()->maximum() > 0);
    }

    void printerListShowsItsNewestItemSelected()
    {
        WindowFixture fixture;
        PrinterListModel& list = fixture.window().printerList();
        auto& view = fixture.widget<QListView>("lstPrinter");
        for (int i = 0; i < 100; ++i) {
            list.AddItem(QString::number(i));
            list.SetListIndex(list.ListCount() - 1);
        }
        QTRY_COMPARE(view.currentIndex().row(), 99);
        QVERIFY(view.selectionModel()->isSelected(view.currentIndex()));
        QTRY_COMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
        // A click selects, as in a list box.
        const QModelIndex first = view.model()->index(0, 0);
        view.scrollTo(first);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(first).center());
        QCOMPARE(list.ListIndex(), 0);
    }

    void grabWindowAndPages()
    {
        // Pictures to look at against the layout: the window with each page in front, and
        // with the status panel painted by one refresh. WINDOW_GRAB_DIR chooses the folder.
        const QString folder = qEnvironmentVariable(
            "WINDOW_GRAB_DIR", QDir::temp().filePath(QStringLiteral("frmMain")));
        QVERIFY(QDir().mkpath(folder));
        WindowFixture fixture;
        QVERIFY(QTest::qWaitForWindowExposed(&fixture.window()));
        QCOMPARE(fixture.widget<QLabel>("Picture1").pixmap().size(), QSize(125, 35));
        QCOMPARE(fixture.window().windowIcon().availableSizes().value(0), QSize(32, 32));
        auto& tabs = fixture.widget<QTabWidget>("SSTab1");
        for (int page = 0; page < tabs.count(); ++page) {
            tabs.setCurrentIndex(page);
            const QImage image = fixture.window().grab().toImage();
            QCOMPARE(image.size(), fixture.window().size());
            QVERIFY(image.save(QStringLiteral("%1/page%2.png").arg(folder).arg(page)));
        }
        QVERIFY(fixture.openPrinter(true, true));
        fixture.flags().PaperNearEndAlarm = true;
        fixture.tick();
        QVERIFY(fixture.window().grab().save(folder + QStringLiteral("/refreshed.png")));
    }

    void refreshRules_data()
    {
        QTest::addColumn<bool>("opened");
        QTest::addColumn<bool>("claimed");
        QTest::addColumn<bool>("printing");
        QTest::addColumn<bool>("cover");
        QTest::addColumn<bool>("empty");
        QTest::addColumn<bool>("nearEnd");
        QTest::addColumn<QColor>("paper");
        const QColor red = colours::Red, green = colours::Green, yellow = colours::Yellow;
        QTest::newRow("all clear") << false << false << false << false << false << false << green;
        QTest::newRow("opened") << true << false << false << false << false << false << green;
        QTest::newRow("claimed") << false << true << false << false << false << false << green;
        QTest::newRow("printing") << false << false << true << false << false << false << green;
        QTest::newRow("cover open") << false << false << false << true << false << false << green;
        QTest::newRow("paper empty") << false << false << false << false << true << false << red;
        QTest::newRow("near end") << false << false << false << false << false << true << yellow;
        QTest::newRow("empty hides near end")
            << false << false << false << false << true << true << red;
        QTest::newRow("everything") << true << true << true << true << true << true << red;
    }

    void refreshRules()
    {
        QFETCH(bool, opened);
        QFETCH(bool, claimed);
        QFETCH(bool, printing);
        QFETCH(bool, cover);
        QFETCH(bool, empty);
        QFETCH(bool, nearEnd);
        QFETCH(QColor, paper);
        WindowFixture fixture;
        ModuleFlags& flags = fixture.flags();
        flags.DeviceOpened = opened;
        flags.DeviceClaimed = claimed;
        flags.PrintingBusy = printing;
        flags.CoverOpenAlarm = cover;
        flags.PaperEmptyAlarm = empty;
        flags.PaperNearEndAlarm = nearEnd;
        fixture.widget<Lamp>("shpPaper").SetFillColor(colours::Blue); // painted between ticks
        fixture.tick();

        auto condition = [](bool present) { return present ? colours::Red : colours::Green; };
        auto& status = fixture.widget<QLabel>("lblStatus");
        QCOMPARE(status.text(), opened ? QStringLiteral("OPENED!") : QStringLiteral("NOT OPENED!"));
        QCOMPARE(textColour(status), condition(opened));
        auto& additional = fixture.widget<QLabel>("lblAdditional");
        QCOMPARE(additional.text(),
                 claimed ? QStringLiteral("CLAIMED!") : QStringLiteral("NOT CLAIMED!"));
        QCOMPARE(textColour(additional), condition(claimed));
        QCOMPARE(fixture.widget<Lamp>("shpPrinting").FillColor(), condition(printing));
        QCOMPARE(fixture.widget<Lamp>("shpCover").FillColor(), condition(cover));
        QCOMPARE(fixture.widget<Lamp>("shpPaper").FillColor(), paper);
        // The printer is not really open here: its state reads as closed.
        QCOMPARE(fixture.widget<QLabel>("lblServiceState").text(),
                 opened ? QStringLiteral("OPOS_S_CLOSED") : QString());
        QVERIFY(fixture.dialogs().boxes().isEmpty());
    }

    void serviceStateKeepsItsLastNameAfterClose()
    {
        WindowFixture fixture;
        QVERIFY(fixture.openPrinter(true, true));
        fixture.tick();
        auto& state = fixture.widget<QLabel>("lblServiceState");
        QCOMPARE(state.text(), QStringLiteral("OPOS_S_IDLE"));
        QCOMPARE(textColour(state), colours::Blue);

        fixture.printer().Close();
        fixture.flags().DeviceOpened = false;
        fixture.flags().DeviceClaimed = false;
        fixture.tick();
        QCOMPARE(fixture.widget<QLabel>("lblStatus").text(), QStringLiteral("NOT OPENED!"));
        QCOMPARE(textColour(fixture.widget<QLabel>("lblStatus")), colours::Green);
        QCOMPARE(state.text(), QStringLiteral("OPOS_S_IDLE"));
        QCOMPARE(textColour(state), colours::Blue);
    }

    void timerRefreshesOnItsOwn()
    {
        WindowFixture fixture;
        fixture.flags().CoverOpenAlarm = true;
        QTRY_COMPARE_WITH_TIMEOUT(fixture.widget<Lamp>("shpCover").FillColor(), colours::Red, 2000);
        QCOMPARE(fixture.widget<QLabel>("lblStatus").text(), QStringLiteral("NOT OPENED!"));
    }

    void openThroughTheWindowShowsOpened()
    {
        // The whole chain: a click on cmdOpen, the log row, the flag and the next refresh.
        WindowFixture fixture;
        fixture.click("cmdOpen");
        QCOMPARE(fixture.window().logGrid().TextMatrix(1, 0), QStringLiteral("Open()"));
        QCOMPARE(fixture.window().logGrid().TextMatrix(1, 1), QStringLiteral("OPOS_SUCCESS"));
        fixture.tick();
        QCOMPARE(fixture.widget<QLabel>("lblStatus").text(), QStringLiteral("OPENED!"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"

#include "app/dialogs/EscapeSequenceHelp.h"
#include "app/pages/KnownDevices.h"
#include "app/window/MainMenu.h"
#include "backends/sim/ReceiptImage.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "opos/TextEncoder.h"
#include "printer/TestReceipt.h"
#include "services/FlexGridModel.h"
#include "services/FormState.h"
#include "services/LogExport.h"
#include "services/ModuleFlags.h"
#include "services/OperationLog.h"
#include "services/PrinterListModel.h"
#include "support/FakeEscPosPrinter.h"
#include "support/LogRows.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCompleter>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using sim::ReceiptItem;
using namespace Qt::StringLiterals;

namespace {

const QChar kEsc(0x1b);
constexpr qint64 kMoment = 1765152000123; // 2025-12-08 00:00:00.123 UTC

// Reads RFC 4180 text: quoted fields may hold commas, quotes (doubled) and line ends.
QList<QStringList> parseCsv(const QString& text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            record.append(field);
            field.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            record.append(field);
            records.append(record);
            record.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return records;
}

QAction& action(frmMain& window, const char* name)
{
    auto* found = window.findChild<QAction*>(QString::fromLatin1(name));
    if (found == nullptr)
        qFatal("no action %s", name);
    return *found;
}

QString readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// Whether any dot in the rectangle of the picture is black.
bool inked(const QImage& image, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qGray(image.pixel(x, y)) < 128)
                return true;
        }
    }
    return false;
}

QStringList names(const QStringList& rows)
{
    QStringList result;
    for (const QString& row : rows)
        result.append(row.section(u' ', 0, 0) + u' ' + row.section(u' ', -1));
    return result;
}

} // namespace

class TestMainMenu : public QObject
{
    Q_OBJECT

private slots:
    void everyActionHasItsShortcut_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QKeySequence>("shortcut");
        QTest::newRow("save log") << u"actSaveLog"_s << QKeySequence(Qt::CTRL | Qt::Key_S);
        QTest::newRow("save receipt") << u"actSaveReceipt"_s << QKeySequence();
        QTest::newRow("quit") << u"actQuit"_s << QKeySequence(Qt::CTRL | Qt::Key_Q);
        QTest::newRow("copy") << u"actCopy"_s << QKeySequence(Qt::CTRL | Qt::Key_C);
        QTest::newRow("select all") << u"actSelectAll"_s << QKeySequence();
        QTest::newRow("test receipt") << u"actTestReceipt"_s << QKeySequence(Qt::Key_F5);
        QTest::newRow("virtual devices")
            << u"actVirtualDevices"_s << QKeySequence(Qt::CTRL | Qt::Key_D);
        QTest::newRow("escape help") << u"actEscapeHelp"_s << QKeySequence(Qt::Key_F1);
        QTest::newRow("about") << u"actAbout"_s << QKeySequence();
    }
    void everyActionHasItsShortcut()
    {
        QFETCH(QString, name);
        QFETCH(QKeySequence, shortcut);
        WindowFixture fixture;
        auto* found = fixture.window().findChild<QAction*>(name);
        QVERIFY(found != nullptr);
        QCOMPARE(found->shortcut(), shortcut);
        QVERIFY(fixture.window().findChild<QMenu*>(QStringLiteral("mnuKnownDevices")));
    }

    void saveLogWritesEveryRowWithItsMoment_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::newRow("csv") << u"log.csv"_s;
        QTest::newRow("aligned text") << u"log.txt"_s;
    }
    void saveLogWritesEveryRowWithItsMoment()
    {
        QFETCH(QString, fileName);
        WindowFixture fixture;
        frmMain& window = fixture.window();
        qint64 now = kMoment;
        window.log().setClock([&now] { return now++; });
        const QString tricky = QStringLiteral("RC=\"quoted\", comma | pStr=line 1\nline 2 é€");
        window.log().AppendLogRow(QStringLiteral("Open()"), QStringLiteral("OPOS_SUCCESS"),
                                  {QStringLiteral("Quenta POS Printer"), QString()});
        window.log().AppendEventLogRow(QStringLiteral("DirectIOEvent()"), Qt::green, tricky);
        for (int i = 0; i < 8; ++i)
            window.log().AppendLogRow(QStringLiteral("PrintNormal()"),
                                      QStringLiteral("OPOS_SUCCESS"));

        QTemporaryDir dir;
        const QString path = dir.filePath(fileName);
        fixture.dialogs().queueSaveFile(path);
        action(window, "actSaveLog").trigger();
        QCOMPARE(fixture.dialogs().prompts(), QStringList());
        const QString text = readAll(path);
        if (fileName.endsWith(QLatin1String(".csv"))) {
            const QList<QStringList> records = parseCsv(text);
            QCOMPARE(records.size(), 11);
            QCOMPARE(records[0], (QStringList{u"TIME"_s, u"METHOD/EVENT"_s, u"RESULT/PARAMETERS"_s,
                                              u"ARGUMENTS"_s, u"ERROR"_s}));
            QCOMPARE(records[1].mid(1), (QStringList{u"Open()"_s, u"OPOS_SUCCESS"_s,
                                                     u"Quenta POS Printer"_s, QString()}));
            QCOMPARE(records[2].mid(1), (QStringList{u"DirectIOEvent()"_s, tricky, {}, {}}));
            QCOMPARE(records[10][1], QStringLiteral("PrintNormal()"));
            for (int row = 1; row < records.size(); ++row) {
                const QDateTime moment = QDateTime::fromString(records[row][0], Qt::ISODateWithMs);
                QVERIFY2(moment.isValid(), qPrintable(records[row][0]));
                QCOMPARE(moment.toMSecsSinceEpoch(), kMoment + row - 1);
            }
        } else {
            const QStringList lines = text.split(u'\n');
            QVERIFY(lines[0].startsWith(QLatin1String("TIME")));
            const qsizetype detail = lines[0].indexOf(QLatin1String("RESULT/PARAMETERS"));
            const qsizetype arguments = lines[0].indexOf(QLatin1String("ARGUMENTS"));
            QCOMPARE(lines[1].indexOf(QLatin1String("OPOS_SUCCESS")), detail);
            QCOMPARE(lines[1].indexOf(QLatin1String("Quenta POS Printer")), arguments);
            QCOMPARE(lines[2].indexOf(QLatin1String("RC=")), detail);
            QCOMPARE(lines[3].indexOf(QLatin1String("line 2")), detail); // continued, aligned
            QVERIFY(lines[1].startsWith(logTimeText(kMoment)));
        }
    }

    void saveLogCancelledOrFailing()
    {
        WindowFixture fixture;
        fixture.window().log().AppendLogRow(QStringLiteral("Open()"),
                                            QStringLiteral("OPOS_SUCCESS"));
        action(fixture.window(), "actSaveLog").trigger(); // no answer queued: Cancel
        QCOMPARE(fixture.dialogs().saveFileRequests().size(), 1);
        QCOMPARE(fixture.dialogs().prompts(), QStringList());
        fixture.dialogs().queueSaveFile(QStringLiteral("/nonexistent-folder/log.csv"));
        action(fixture.window(), "actSaveLog").trigger();
        QCOMPARE(fixture.dialogs().boxes().size(), 1);
        QVERIFY(fixture.dialogs().boxes()[0].prompt.contains(QLatin1String("/nonexistent-folder")));
        QCOMPARE(fixture.dialogs().boxes()[0].title, QStringLiteral("ERROR MESSAGE"));
    }

    // What a device sends may hold control characters, and a text may look like a formula:
    // the saved file shows the former and keeps a spreadsheet from running the latter.
    void savedCsvShowsControlsAndDefusesFormulas()
    {
        WindowFixture fixture;
        frmMain& window = fixture.window();
        const QString withControls = u"EN=1 | pD=0 | pStr="_s + kEsc + u"-2C"_s + QChar(0) + u"C"_s;
        window.log().AppendEventLogRow(u"DirectIOEvent()"_s, Qt::green, withControls);
        window.log().AppendLogRow(u"DirectIO()"_s, u"OPOS_E_ILLEGAL"_s,
                                  {u"-5"_s, u"=HYPERLINK(\"http://x\")"_s});
        QTemporaryDir dir;
        const QString path = dir.filePath(u"log.csv"_s);
        fixture.dialogs().queueSaveFile(path);
        action(window, "actSaveLog").trigger();
        const QString text = readAll(path);
        QVERIFY(!text.contains(kEsc) && !text.contains(QChar(0)));
        const QList<QStringList> records = parseCsv(text);
        QCOMPARE(records[1][2], u"EN=1 | pD=0 | pStr=\\x1b-2C\\x00C"_s);
        QCOMPARE(records[2].mid(3), (QStringList{u"'-5"_s, u"'=HYPERLINK(\"http://x\")"_s}));
    }

    // A claim refused by a closed port keeps its time-out and its reason with its row, in the
    // saved log as in the status bar.
    void refusedClaimKeepsItsReason()
    {
        WindowFixture fixture;
        fixture.type("txtDevice", u"tcp://127.0.0.1:1"_s);
        fixture.click("cmdOpen");
        fixture.type("txtTimeout", u"3"_s);
        fixture.click("cmdClaim");
        const QString reason = u"connection refused by 127.0.0.1:1"_s;
        QCOMPARE(fixture.widget<QLabel>("lblJobStatus").text(),
                 u"ClaimDevice() failed: OPOS_E_NOHARDWARE ("_s + reason + u')');

        QTemporaryDir dir;
        const QString path = dir.filePath(u"log.csv"_s);
        fixture.dialogs().queueSaveFile(path);
        action(fixture.window(), "actSaveLog").trigger();
        const QStringList lines = readAll(path).split(u"\r\n"_s);
        QVERIFY2(lines.value(2).endsWith(u",ClaimDevice(),OPOS_E_NOHARDWARE,3000 ms,"_s + reason),
                 qPrintable(lines.value(2)));
        QVERIFY(lines.value(1).endsWith(u",Open(),OPOS_SUCCESS,tcp://127.0.0.1:1,"_s));
    }

    void rowTooltipShowsMomentAndFullDetail()
    {
        WindowFixture fixture;
        fixture.window().log().setClock([] { return kMoment; });
        const QString detail = QStringLiteral("DATA=") + QString(300, u'x');
        fixture.window().log().AppendLogRow(QStringLiteral("StatusUpdateEvent()"), detail,
                                            {u"100 %"_s, u"paper jam"_s});
        fixture.flushViews();
        const FlexGridModel& grid = fixture.window().logGrid();
        QCOMPARE(grid.RowStamp(1), kMoment);
        const QString tip = grid.data(grid.index(0, 1), Qt::ToolTipRole).toString();
        QVERIFY(tip.startsWith(logTimeText(kMoment)));
        QVERIFY(tip.contains(detail));
        QVERIFY(tip.endsWith(u"\nArguments: 100 %\nError: paper jam"_s));
        QVERIFY(grid.data(grid.index(1, 1), Qt::ToolTipRole).isNull()); // not yet written
        QCOMPARE(grid.columnCount(), 2);                                // no column for it
        auto& view = fixture.widget<QTableView>("MSFlexGrid1");
        QCOMPARE(view.horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
        QCOMPARE(view.actions().size(), 3); // its context menu
        QCOMPARE(view.actions()[0]->objectName(), QStringLiteral("actCopy"));
        QCOMPARE(view.actions()[1]->objectName(), QStringLiteral("actSelectAll"));
        QCOMPARE(view.actions()[2]->objectName(), QStringLiteral("actSaveLog"));
    }

    void copyTakesSelectedLogRowsOrPropertyRows()
    {
        WindowFixture fixture;
        frmMain& window = fixture.window();
        window.log().setClock([] { return kMoment; });
        window.log().AppendLogRow(QStringLiteral("Open()"), QStringLiteral("OPOS_SUCCESS"));
        window.log().AppendLogRow(QStringLiteral("ClaimDevice()"),
                                  QStringLiteral("OPOS_E_TIMEOUT"));
        window.log().AppendLogRow(QStringLiteral("Close()"), QStringLiteral("a\tb"));
        fixture.flushViews();
        auto& log = fixture.widget<QTableView>("MSFlexGrid1");
        log.setFocus();
        log.selectionModel()->select(log.model()->index(1, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
        log.selectionModel()->select(log.model()->index(2, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
        action(window, "actCopy").trigger();
        const QString time = logTimeText(kMoment);
        QCOMPARE(QApplication::clipboard()->text(), time +
                                                        u"\tClaimDevice()\tOPOS_E_TIMEOUT\t\t\n"_s +
                                                        time + u"\tClose()\t\"a\tb\"\t\t\n"_s);

        action(window, "actSelectAll").trigger();
        QApplication::clipboard()->clear();
        QApplication::setActiveWindow(&window);
        QTest::keyClick(&log, Qt::Key_C, Qt::ControlModifier);       // the shortcut, not one cell
        QCOMPARE(QApplication::clipboard()->text().count(u'\n'), 3); // written rows only
        // A text box keeps its own Ctrl+C.
        auto& line = fixture.widget<QLineEdit>("txtDevice");
        line.setFocus();
        line.selectAll();
        QTest::keyClick(&line, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), line.text());

        window.propertyGrid().SetTextMatrix(1, 0, QStringLiteral("AsyncMode"));
        window.propertyGrid().SetTextMatrix(1, 1, QStringLiteral("0"));
        window.propertyGrid().SetTextMatrix(1, 2, QStringLiteral("1001")); // hidden column
        window.form().PropRow = 2;
        fixture.flushViews();
        auto& properties = fixture.widget<QTableView>("MSFlexGrid2");
        fixture.click("cmdReadProp"); // brings the page forward
        window.propertyGrid().SetTextMatrix(1, 0, QStringLiteral("AsyncMode"));
        window.propertyGrid().SetTextMatrix(1, 1, QStringLiteral("0"));
        properties.setFocus();
        properties.setCurrentIndex(properties.model()->index(0, 1));
        QApplication::setActiveWindow(&window);
        QTRY_VERIFY(properties.hasFocus());
        action(window, "actCopy").trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("AsyncMode\t0\n"));
    }

    void receiptImageKeepsTheWholeRollAtPrinterScale()
    {
        WindowFixture fixture;
        QVERIFY(fixture.openPrinter(true, true));
        opos::PosPrinter& printer = fixture.printer();
        const QString underlined = kEsc + QStringLiteral("|uCABCDEFGHIJ\n");
        QCOMPARE(printer.PrintNormal(opos::PTR_S_RECEIPT, underlined), opos::OPOS_SUCCESS);
        for (int i = 0; i < 200; ++i) // far more than any window shows
            QCOMPARE(printer.PrintNormal(opos::PTR_S_RECEIPT, QStringLiteral("line %1\n").arg(i)),
                     opos::OPOS_SUCCESS);
        QCOMPARE(printer.PrintNormal(opos::PTR_S_RECEIPT, kEsc + QStringLiteral("|cA") + kEsc +
                                                              QStringLiteral("|2C") + kEsc +
                                                              QStringLiteral("|uCTEST\n")),
                 opos::OPOS_SUCCESS);
        const QVector<ReceiptItem> items = fixture.simPrinter().receipt();

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("receipt.png"));
        fixture.dialogs().queueSaveFile(path);
        action(fixture.window(), "actSaveReceipt").trigger();
        QCOMPARE(fixture.dialogs().prompts(), QStringList());
        const QImage image(path);
        QCOMPARE(image.width(), 576);
        int height = 0;
        for (const ReceiptItem& item : items)
            height += receipt_image::itemHeight(item);
        QCOMPARE(image.height(), height);
        QCOMPARE(qRound(image.dotsPerMeterX() * 0.0254), 203);

        // The first line: ten underlined 12-dot columns from the left edge, nothing beyond.
        const int rule = receipt_image::kLineSpacing - (receipt_image::kLineSpacing - 24) - 1;
        QVERIFY(inked(image, QRect(0, rule, 1, 1)));
        QVERIFY(inked(image, QRect(119, rule, 1, 1)));
        QVERIFY(!inked(image, QRect(121, 0, 576 - 121, receipt_image::kLineSpacing)));
        // The last line: four double-width columns (96 dots) centred on the paper.
        const int top = height - receipt_image::itemHeight(items.back());
        const int lastRule = top + rule;
        QVERIFY(!inked(image, QRect(0, top, 239, receipt_image::kLineSpacing)));
        QVERIFY(inked(image, QRect(241, lastRule, 1, 1)));
        QVERIFY(inked(image, QRect(334, lastRule, 1, 1)));
        QVERIFY(!inked(image, QRect(337, top, 576 - 337, receipt_image::kLineSpacing)));
    }

    void testReceiptOpensPrintsAndLeavesThePrinterAsFound_data()
    {
        QTest::addColumn<bool>("alreadyReady");
        QTest::newRow("closed printer") << false;
        QTest::newRow("opened, claimed and enabled") << true;
    }
    void testReceiptOpensPrintsAndLeavesThePrinterAsFound()
    {
        QFETCH(bool, alreadyReady);
        WindowFixture fixture;
        if (alreadyReady)
            QVERIFY(fixture.openPrinter(true, true));
        fixture.window().menu().testReceipt().setClock(
            [] { return QDateTime(QDate(2026, 12, 8), QTime(9, 30, 5)); });
        action(fixture.window(), "actTestReceipt").trigger();
        QCOMPARE(fixture.dialogs().prompts(), QStringList());

        const QStringList rows = commandRowTexts(fixture.window().logGrid(), fixture.form());
        const QStringList lines =
            testReceiptLines({sim::kPrinterName, QStringLiteral("simulated"),
                              QDateTime(QDate(2026, 12, 8), QTime(9, 30, 5)), 437});
        QStringList expected;
        if (!alreadyReady)
            expected << u"Open() OPOS_SUCCESS"_s << u"ClaimDevice() OPOS_SUCCESS"_s;
        for (qsizetype i = 0; i < lines.size(); ++i)
            expected << u"PrintNormal() OPOS_SUCCESS"_s;
        expected << u"PrintBarCode() OPOS_SUCCESS"_s << u"PrintBarCode() OPOS_SUCCESS"_s;
        expected << u"CutPaper() OPOS_SUCCESS"_s;
        if (!alreadyReady)
            expected << u"ReleaseDevice() OPOS_SUCCESS"_s << u"Close() OPOS_SUCCESS"_s;

        QCOMPARE(names(rows), expected);

        opos::PosPrinter& printer = fixture.printer();
        QCOMPARE(printer.State() != opos::OPOS_S_CLOSED, alreadyReady);
        if (alreadyReady) {
            QVERIFY(printer.Claimed());
            QVERIFY(printer.DeviceEnabled());
        }
        QCOMPARE(fixture.flags().DeviceOpened, alreadyReady);

        QVector<ReceiptItem> printed;
        for (const ReceiptItem& item : fixture.simPrinter().receipt()) {
            if (item.kind != ReceiptItem::Kind::Feed)
                printed.append(item);
        }
        QVERIFY(printed.size() >= 8);
        QCOMPARE(printed[0].text, QStringLiteral("TEST RECEIPT"));
        QCOMPARE(printed[0].align, ReceiptItem::Align::Centre);
        QVERIFY(printed[0].doubleWidth && printed[0].doubleHeight);
        QCOMPARE(printed.back().kind, ReceiptItem::Kind::FullCut);
        QStringList texts;
        for (const ReceiptItem& item : printed)
            texts.append(item.text);
        // Each line in its own characteristics, whatever the line before it had.
        const ReceiptItem& bold = printed[texts.indexOf(u"Bold text"_s)];
        QVERIFY(bold.bold && !bold.underline && bold.align == ReceiptItem::Align::Left);
        const ReceiptItem& underlined = printed[texts.indexOf(u"Underlined text"_s)];
        QVERIFY(underlined.underline && !underlined.bold);
        const ReceiptItem& both = printed[texts.indexOf(u"Bold and underlined"_s)];
        QVERIFY(both.underline && both.bold);
        const ReceiptItem& ruler =
            printed[texts.indexOf(u"----+----1----+----2----+----3----+----4----+---"_s)];
        QVERIFY(!ruler.underline && !ruler.bold && !ruler.doubleWidth);
        QVERIFY(texts.contains(QStringLiteral("Printed: 2026-12-08 09:30:05")));
        QVERIFY(texts.contains(QStringLiteral("Device:  Quenta POS Printer")));
        QVERIFY(texts.contains(QStringLiteral("Address: simulated")));
        const QString codePage = texts.join(QString());
        for (const QChar c : QStringLiteral("ÄÉñç£¥")) // the simulated printer's 437
            QVERIFY2(codePage.contains(c), qPrintable(QString(c)));
        QVERIFY(!codePage.contains(u'€'));
        // lstPrinter shows the escape characters as a symbol; the items keep what was sent.
        fixture.flushViews();
        const PrinterListModel& list = fixture.window().printerList();
        const QString first = list.List(0);
        QVERIFY(first.startsWith(kEsc));
        QCOMPARE(list.data(list.index(0), Qt::DisplayRole).toString(),
                 QString(first).replace(kEsc, QChar(0x241b)));
    }

    void testReceiptFollowsTheRetryRulesAndStillRestores()
    {
        WindowFixture fixture;
        fixture.simPrinter().setCoverOpen(true);
        fixture.dialogs().queueAnswer(Dialogs::Answer::Cancel);
        action(fixture.window(), "actTestReceipt").trigger();
        QCOMPARE(fixture.dialogs().prompts(), QStringList{u"PRINTER COVER IS OPEN!, retry?"_s});
        QCOMPARE(
            names(commandRowTexts(fixture.window().logGrid(), fixture.form())),
            (QStringList{u"Open() OPOS_SUCCESS"_s, u"ClaimDevice() OPOS_SUCCESS"_s,
                         u"PrintNormal() OPOS_EPTR_COVER_OPEN"_s, u"ClearOutput() OPOS_SUCCESS"_s,
                         u"ReleaseDevice() OPOS_SUCCESS"_s, u"Close() OPOS_SUCCESS"_s}));
        QCOMPARE(fixture.printer().State(), opos::OPOS_S_CLOSED);
    }

    void testReceiptOnAWrongNameOpensNothing()
    {
        WindowFixture fixture;
        fixture.type("txtDevice", QStringLiteral("No Such Printer"));
        action(fixture.window(), "actTestReceipt").trigger();
        QCOMPARE(names(commandRowTexts(fixture.window().logGrid(), fixture.form())),
                 QStringList{u"Open() OPOS_E_NOEXIST"_s});
    }

    // On a real printer: the bytes of each line in its code page, its characteristics, the cut.
    void testReceiptOnAnEscPosPrinter()
    {
        testing::FakeEscPosPrinter fake;
        WindowFixture fixture;
        const QString address = fake.address();
        fixture.type("txtDevice", address);
        const QDateTime moment(QDate(2026, 12, 8), QTime(9, 30, 5));
        fixture.window().menu().testReceipt().setClock([moment] { return moment; });
        action(fixture.window(), "actTestReceipt").trigger();
        QCOMPARE(fixture.dialogs().prompts(), QStringList());

        opos::TextEncoder encoder(437);
        static const QRegularExpression sequences(QStringLiteral("\x1b\\|!?[0-9]*[a-z]*[A-Z]"));
        QStringList expected;
        for (QString line : testReceiptLines({address, address, moment, 437}))
            expected.append(QString::fromLatin1(encoder.encode(line.remove(sequences))));
        QTRY_COMPARE(fake.lines(), expected);
        QVERIFY(expected.contains(u"Address: "_s + address));
        QVERIFY(expected.join(QString()).contains(QChar(0x8e))); // Ä in 437

        using Kind = testing::FakeEscPosPrinter::Event::Kind;
        const QList<testing::FakeEscPosPrinter::Event> events = fake.events();
        const auto firstLine = std::find_if(events.begin(), events.end(),
                                            [](const auto& e) { return e.kind == Kind::Line; });
        QByteArrayList titleStyle;
        for (auto it = events.begin(); it != firstLine; ++it) {
            if (it->kind == Kind::Style)
                titleStyle.append(it->data);
        }
        QVERIFY(titleStyle.contains(QByteArray("\x1d!\x11"))); // double width and height
        QVERIFY(titleStyle.contains(QByteArray("\x1b"
                                               "a\x01"))); // centred
        QTRY_VERIFY(!fake.events().isEmpty() && fake.events().last().kind == Kind::Cut);
        QCOMPARE(fake.events().last().a, 1); // full cut
        QCOMPARE(fixture.printer().State(), opos::OPOS_S_CLOSED);
    }

    void codePageLineHoldsWhatTheSetCanPrint_data()
    {
        QTest::addColumn<int>("characterSet");
        QTest::addColumn<QString>("present");
        QTest::addColumn<QString>("absent");
        QTest::newRow("858 has the euro") << 858 << u"ÄéÑ€"_s << u"Ж"_s;
        QTest::newRow("850 has no euro") << 850 << u"Äé"_s << u"€Ж"_s;
        QTest::newRow("1252") << 1252 << u"Äé€"_s << u"Ж"_s;
        QTest::newRow("866 is Cyrillic") << 866 << u"ЖЯ"_s << u"é€"_s;
        QTest::newRow("998 is plain ASCII") << 998 << u""_s << u"Äé€"_s;
    }
    void codePageLineHoldsWhatTheSetCanPrint()
    {
        QFETCH(int, characterSet);
        QFETCH(QString, present);
        QFETCH(QString, absent);
        const QString line = codePageCharacters(characterSet);
        for (const QChar c : present)
            QVERIFY2(line.contains(c), qPrintable(QString(c)));
        for (const QChar c : absent)
            QVERIFY2(!line.contains(c), qPrintable(QString(c)));
    }

    void knownDevicesComeFromTheDeviceFilePortsAndSimulation()
    {
        QTemporaryDir dir;
        QFile ini(dir.filePath(QStringLiteral("devices.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Counter Printer]\nclass=PosPrinter\naddress=tcp://192.0.2.10\n\n"
                  "[Counter Drawer]\nclass=CashDrawer\naddress=tcp://192.0.2.10\n\n"
                  "[Pole Display]\nclass=LineDisplay\naddress=serial:///dev/ttyUSB0?baud=9600\n");
        ini.close();
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("dev/usb")));
        for (const char* name : {"lp0", "lp1", "hiddev0"}) {
            QFile device(dir.filePath(QStringLiteral("dev/usb/") + QLatin1String(name)));
            QVERIFY(device.open(QIODevice::WriteOnly));
        }
        const KnownDeviceSources sources{
            ini.fileName(), dir.filePath(QStringLiteral("dev")), [] {
                return QList<SerialPortEntry>{
                    {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("USB-Serial Controller")}};
            }};

        WindowFixture fixture;
        frmMain& window = fixture.window();
        window.menu().setKnownDeviceSources(sources);
        auto& menu = *window.findChild<QMenu*>(QStringLiteral("mnuKnownDevices"));
        emit menu.aboutToShow();
        QStringList labels;
        for (QAction* entry : menu.actions()) {
            if (!entry->isSeparator())
                labels.append(entry->text());
        }
        const QString usb = QStringLiteral("file://") + dir.filePath(QStringLiteral("dev/usb/"));
        QCOMPARE(
            labels,
            (QStringList{u"Counter Drawer \u2014 tcp://192.0.2.10"_s,
                         u"Counter Printer \u2014 tcp://192.0.2.10"_s,
                         u"Pole Display \u2014 serial:///dev/ttyUSB0?baud=9600"_s, usb + u"lp0"_s,
                         usb + u"lp1"_s, u"serial:///dev/ttyUSB0 \u2014 USB-Serial Controller"_s,
                         u"Quenta POS Printer (simulated)"_s, u"Quenta Cash Drawer (simulated)"_s,
                         u"Quenta Line Display (simulated)"_s}));

        const auto pick = [&](const QString& label) {
            for (QAction* entry : menu.actions()) {
                if (entry->text() == label)
                    entry->trigger();
            }
        };
        pick(QStringLiteral("Counter Drawer \u2014 tcp://192.0.2.10"));
        pick(QStringLiteral("Pole Display \u2014 serial:///dev/ttyUSB0?baud=9600"));
        pick(usb + QStringLiteral("lp1"));
        QCOMPARE(fixture.widget<QLineEdit>("cdDevice").text(), QStringLiteral("Counter Drawer"));
        QCOMPARE(fixture.widget<QLineEdit>("ldDevice").text(), QStringLiteral("Pole Display"));
        QCOMPARE(fixture.widget<QLineEdit>("txtDevice").text(), usb + QStringLiteral("lp1"));

        QCompleter* completer = fixture.widget<QLineEdit>("txtDevice").completer();
        QVERIFY(completer != nullptr);
        QStringList completions;
        for (int row = 0; row < completer->model()->rowCount(); ++row)
            completions.append(completer->model()->index(row, 0).data().toString());
        QCOMPARE(completions, (QStringList{u"Counter Printer"_s, usb + u"lp0"_s, usb + u"lp1"_s,
                                           u"serial:///dev/ttyUSB0"_s, u"Quenta POS Printer"_s}));

        QCOMPARE(deviceAddressOf(QStringLiteral("counter printer"), sources),
                 QStringLiteral("tcp://192.0.2.10"));
        QCOMPARE(deviceAddressOf(QStringLiteral("tcp://h:9100"), sources),
                 QStringLiteral("tcp://h:9100"));
        QCOMPARE(deviceAddressOf(QStringLiteral("Quenta POS Printer"), sources),
                 QStringLiteral("simulated"));
        QCOMPARE(deviceAddressOf(QStringLiteral("nothing"), sources), QString());
    }

    void deviceNameCompletesFromTheFirstKey()
    {
        // The known devices are looked for only once a name is typed, and the first key
        // already completes.
        WindowFixture fixture;
        auto& name = fixture.widget<QLineEdit>("txtDevice");
        QCompleter* completer = name.completer();
        QVERIFY(completer != nullptr);
        QCOMPARE(completer->model()->rowCount(), 0);
        name.clear();
        QTest::keyClick(&name, Qt::Key_Q);
        QStringList completions;
        for (int row = 0; row < completer->model()->rowCount(); ++row)
            completions.append(completer->model()->index(row, 0).data().toString());
        QVERIFY2(completions.contains(QStringLiteral("Quenta POS Printer")),
                 qPrintable(completions.join(u", ")));
        QCOMPARE(completer->completionPrefix(), QStringLiteral("q"));
        QCOMPARE(completer->currentCompletion(), QStringLiteral("Quenta POS Printer"));
    }

    void escapeHelpInsertsTheSequenceAtTheCursor()
    {
        WindowFixture fixture;
        QVERIFY(fixture.openPrinter(true, true));
        auto& line = fixture.widget<QLineEdit>("txtPrint");
        line.setText(QStringLiteral("ABCD"));
        line.setCursorPosition(2);
        action(fixture.window(), "actEscapeHelp").trigger();
        auto* help = fixture.window().findChild<QDialog*>(QStringLiteral("dlgEscapeHelp"));
        QVERIFY(help != nullptr && help->isVisible());
        const QList<EscapeSequence>& sequences = printEscapeSequences();
        const auto bold = std::find_if(sequences.begin(), sequences.end(), [](const auto& s) {
            return s.body == QLatin1String("|bC");
        });
        QVERIFY(bold != sequences.end());
        auto* insert = help->findChild<QPushButton*>(
            QStringLiteral("cmdInsert%1").arg(bold - sequences.begin()));
        QVERIFY(insert != nullptr);
        QTest::mouseClick(insert, Qt::LeftButton);
        QCOMPARE(line.text(), QStringLiteral("AB") + kEsc + QStringLiteral("|bCCD"));
        fixture.click("cmdPrintNormal");
        QCOMPARE(fixture.window().printerList().List(0), line.text()); // sent unchanged
    }

    void aboutNamesTheVersions()
    {
        WindowFixture fixture;
        action(fixture.window(), "actAbout").trigger();
        auto* text = fixture.window().findChild<QLabel*>(QStringLiteral("lblAbout"));
        QVERIFY(text != nullptr && text->isVisible());
        const int32_t version = fixture.printer().ControlObjectVersion();
        QVERIFY(text->text().contains(QStringLiteral("%1.%2.%3")
                                          .arg(version / 1000000)
                                          .arg(version / 1000 % 1000)
                                          .arg(version % 1000)));
        QVERIFY(text->text().contains(QString::fromLatin1(qVersion())));
        QVERIFY(text->text().contains(fixture.window().menu().knownDeviceSources().deviceFile));
    }

    void quitAsksWhileThePrinterIsOpen()
    {
        WindowFixture fixture;
        QVERIFY(fixture.openPrinter(false));
        action(fixture.window(), "actQuit").trigger(); // Cancel: no answer queued
        QCOMPARE(fixture.dialogs().prompts(),
                 QStringList{u"Printer still CLAIMED or OPENED... Proceed with CLOSE?"_s});
        QVERIFY(fixture.window().isVisible());
        fixture.dialogs().queueAnswer(Dialogs::Answer::Ok);
        action(fixture.window(), "actQuit").trigger();
        QVERIFY(!fixture.window().isVisible());
    }
};

QTEST_MAIN(TestMainMenu)
#include "test_main_menu.moc"

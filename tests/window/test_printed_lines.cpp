// The printed-lines list and the labels rewritten for every printed line: what the list keeps
// of long lines, where its rows are and how they are selected, and how often a label repaints.
#include "opos/PosPrinter.h"
#include "services/CallOutcome.h"
#include "services/FrameRateLabel.h"
#include "services/PrinterListModel.h"
#include "support/WindowFixture.h"

#include <QLabel>
#include <QListView>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>

namespace {

const QChar kEllipsis(0x2026);

// Records the text a label shows at each of its paints.
class PaintLog : public QObject
{
public:
    explicit PaintLog(QLabel& label) : m_label(label) { label.installEventFilter(this); }
    QStringList painted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_label && event->type() == QEvent::Paint)
            painted << m_label.text();
        return false;
    }

private:
    QLabel& m_label;
};

// How many pixels of the image have exactly this colour.
int pixelsOf(const QImage& image, const QColor& colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y) == colour ? 1 : 0;
    }
    return count;
}

} // namespace

class TestPrintedLines : public QObject
{
    Q_OBJECT

private slots:
    void longItemsAreCut_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const QString thousand = QStringLiteral("0123456789").repeated(100);
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("short") << QStringLiteral("Total 12.34") << QStringLiteral("Total 12.34");
        QTest::newRow("exactly 1000") << thousand << thousand;
        QTest::newRow("1001") << thousand + QLatin1Char('x') << thousand + kEllipsis;
        QTest::newRow("10 MB") << QStringLiteral("receipt ").repeated(1'250'000)
                               << QStringLiteral("receipt ").repeated(125) + kEllipsis;
        // A character outside the basic plane that straddles the cut is dropped whole.
        const QString clef = QString::fromUcs4(U"\U0001D11E");
        QTest::newRow("pair across the cut")
            << thousand.left(999) + clef + QStringLiteral("tail") << thousand.left(999) + kEllipsis;
        QTest::newRow("pair before the cut") << thousand.left(998) + clef + QStringLiteral("tail")
                                             << thousand.left(998) + clef + kEllipsis;
    }
    void longItemsAreCut()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        PrinterListModel list;
        list.AddItem(text);
        list.flush();
        QCOMPARE(list.List(0), shown);
        QCOMPARE(list.data(list.index(0), Qt::DisplayRole).toString(), shown);
    }

    void loggedArgumentShowsControlsAndIsCut_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("shown");
        const QString twoHundred = QStringLiteral("0123456789").repeated(20);
        QTest::newRow("short") << QStringLiteral("\x1b|bCTotal\n")
                               << QStringLiteral("\\x1b|bCTotal\\x0a");
        QTest::newRow("exactly 200") << twoHundred << twoHundred;
        QTest::newRow("201") << twoHundred + QLatin1Char('x') << twoHundred + kEllipsis;
        QTest::newRow("an escape shown past the cut")
            << twoHundred.left(198) + QStringLiteral("\x1b")
            << twoHundred.left(198) + QStringLiteral("\\x") + kEllipsis;
        QTest::newRow("10 MB") << QStringLiteral("receipt ").repeated(1'250'000) + QLatin1Char('\n')
                               << QStringLiteral("receipt ").repeated(25) + kEllipsis;
    }
    void loggedArgumentShowsControlsAndIsCut()
    {
        QFETCH(QString, data);
        QFETCH(QString, shown);
        QCOMPARE(printedDataArgument(data), shown);
    }

    // A long line reaches the printer whole; only its echo in the list is cut.
    void longLineIsPrintedWholeAndListedCut()
    {
        WindowFixture f;
        QVERIFY(f.openPrinter(true, true));
        const QString line = QStringLiteral("abcdefghij").repeated(500);
        f.type("txtPrint", line);
        f.click("cmdPrintNormal");
        QString printed; // the roll wraps the line at its width
        for (const auto& item : f.simPrinter().receipt())
            printed += item.text;
        QCOMPARE(printed, line);
        QCOMPARE(f.window().printerList().List(0), line.left(1000) + kEllipsis);
    }

    // Rows are placed by arithmetic: every row is where the view says it is, at both ends of a
    // long list, and the newest stays in view and selected.
    void rowsAreWhereTheViewSays_data()
    {
        QTest::addColumn<int>("items");
        QTest::newRow("fewer than fit") << 3;
        QTest::newRow("a screenful") << 14;
        QTest::newRow("a million") << 1'000'000;
    }
    void rowsAreWhereTheViewSays()
    {
        QFETCH(int, items);
        WindowFixture f;
        PrinterListModel& list = f.window().printerList();
        auto& view = f.widget<QListView>("lstPrinter");
        for (int i = 0; i < items; ++i)
            list.AddItem(QString::number(i));
        list.SetListIndex(items - 1);
        f.flushViews();
        const QModelIndex newest = view.model()->index(items - 1, 0);
        QCOMPARE(view.currentIndex(), newest);
        QVERIFY(view.selectionModel()->isSelected(newest));
        QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
        QVERIFY(view.viewport()->rect().contains(view.visualRect(newest)));
        // The last visible rows map back to themselves, a row past the end to nothing.
        const int height = view.visualRect(newest).height();
        QVERIFY(height > 0);
        for (int row = std::max(0, items - 3); row < items; ++row) {
            const QRect rect = view.visualRect(view.model()->index(row, 0));
            QCOMPARE(view.indexAt(rect.center()).row(), row);
        }
        const QPoint below = view.visualRect(newest).center() + QPoint(0, height);
        if (view.viewport()->rect().contains(below))
            QVERIFY(!view.indexAt(below).isValid());
        // Off-screen rows lie outside the viewport without overflowing.
        if (items > 20) {
            const QRect first = view.visualRect(view.model()->index(0, 0));
            QVERIFY(first.bottom() < 0);
            view.scrollToTop();
            QCOMPARE(view.indexAt(QPoint(2, 1)).row(), 0);
            QVERIFY(view.visualRect(newest).top() >= view.viewport()->height());
        }
    }

    void selectedRowIsPaintedHighlighted()
    {
        WindowFixture f;
        PrinterListModel& list = f.window().printerList();
        auto& view = f.widget<QListView>("lstPrinter");
        for (int i = 0; i < 40; ++i)
            list.AddItem(QStringLiteral("line %1").arg(i));
        list.SetListIndex(39);
        f.flushViews();
        const QImage image = view.viewport()->grab().toImage();
        const QRect newest = view.visualRect(view.model()->index(39, 0));
        const QColor highlight = view.palette().color(QPalette::Active, QPalette::Highlight);
        const QColor inactive = view.palette().color(QPalette::Inactive, QPalette::Highlight);
        const QImage row = image.copy(newest);
        QVERIFY(pixelsOf(row, highlight) + pixelsOf(row, inactive) > row.width());
        const QImage above = image.copy(newest.translated(0, -newest.height()));
        QCOMPARE(pixelsOf(above, highlight) + pixelsOf(above, inactive), 0);
    }

    void keysMoveTheSelection_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::newRow("up") << int(Qt::Key_Up) << 50 << 49;
        QTest::newRow("down") << int(Qt::Key_Down) << 50 << 51;
        QTest::newRow("down at the end") << int(Qt::Key_Down) << 99 << 99;
        QTest::newRow("up at the top") << int(Qt::Key_Up) << 0 << 0;
        QTest::newRow("home") << int(Qt::Key_Home) << 50 << 0;
        QTest::newRow("end") << int(Qt::Key_End) << 50 << 99;
        QTest::newRow("page down near the end") << int(Qt::Key_PageDown) << 95 << 99;
    }
    void keysMoveTheSelection()
    {
        QFETCH(int, key);
        QFETCH(int, from);
        QFETCH(int, to);
        WindowFixture f;
        PrinterListModel& list = f.window().printerList();
        auto& view = f.widget<QListView>("lstPrinter");
        for (int i = 0; i < 100; ++i)
            list.AddItem(QString::number(i));
        list.SetListIndex(from);
        f.flushViews();
        QTest::keyClick(&view, Qt::Key(key));
        QCOMPARE(list.ListIndex(), to);
        QVERIFY(view.viewport()->rect().intersects(view.visualRect(view.currentIndex())));
    }

    // A label rewritten many times within one frame shows the newest text at once but paints
    // once for the frame, and once more for the text it held back.
    void labelRepaintsOncePerFrame()
    {
        WindowFixture f;
        auto& label = f.widget<QLabel>("lblFilePrintOutputID");
        f.widget<QTabWidget>("SSTab1").setCurrentIndex(2);
        QVERIFY(QTest::qWaitForWindowExposed(&f.window()));
        PaintLog log(label);
        for (int id = 1; id <= 200; ++id) {
            showAtFrameRate(label, QString::number(id));
            QCOMPARE(label.text(), QString::number(id));
            QCoreApplication::processEvents();
        }
        QTRY_COMPARE(log.painted.value(log.painted.size() - 1), QStringLiteral("200"));
        QVERIFY2(log.painted.size() < 100, qPrintable(log.painted.join(QLatin1Char(' '))));
        // The same text again paints nothing.
        const qsizetype paints = log.painted.size();
        showAtFrameRate(label, QStringLiteral("200"));
        QCoreApplication::processEvents();
        QCOMPARE(log.painted.size(), paints);
    }

    // A bordered label paints the text it holds now, in its colour, and nothing once emptied.
    void borderedLabelPaintsItsCurrentText_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("then");
        QTest::newRow("emptied") << QStringLiteral("OPENED!") << QString();
        QTest::newRow("filled") << QString() << QStringLiteral("NOT OPENED!");
        QTest::newRow("changed") << QStringLiteral("1") << QStringLiteral("WWWWWW");
    }
    void borderedLabelPaintsItsCurrentText()
    {
        QFETCH(QString, first);
        QFETCH(QString, then);
        WindowFixture f;
        auto& label = f.widget<QLabel>("lblStatus");
        QPalette palette = label.palette();
        palette.setColor(QPalette::WindowText, Qt::red);
        label.setPalette(palette);
        label.setText(first);
        const int before = pixelsOf(label.grab().toImage(), Qt::red);
        label.setText(then);
        const int after = pixelsOf(label.grab().toImage(), Qt::red);
        QCOMPARE(before > 0, !first.isEmpty());
        QCOMPARE(after > 0, !then.isEmpty());
        if (!first.isEmpty() && !then.isEmpty())
            QVERIFY(after > before); // six wide letters outweigh one digit
    }
};

QTEST_MAIN(TestPrintedLines)
#include "test_printed_lines.moc"

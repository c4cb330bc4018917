#include "services/FlexGridModel.h"
#include "services/PrinterListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>
#include <stdexcept>

// The grid and list models behind the log grid, the property grid and the printed-lines list.
class TestFlexGrid : public QObject
{
    Q_OBJECT

private slots:
    void newGridHasHeaderAndOneDataRow()
    {
        FlexGridModel grid(2);
        QAbstractItemModelTester tester(&grid);
        QCOMPARE(grid.Rows(), 2);
        QCOMPARE(grid.rowCount(), 1);
        QCOMPARE(grid.columnCount(), 2);
        QCOMPARE(grid.Row(), 1);
        QCOMPARE(grid.Col(), 0);
    }

    void headerRowIsTheViewsHorizontalHeader()
    {
        FlexGridModel grid(2);
        QSignalSpy header(&grid, &FlexGridModel::headerDataChanged);
        grid.SetTextMatrix(0, 1, QStringLiteral("RESULT/PARAMETERS"));
        QCOMPARE(header.count(), 1);
        QCOMPARE(grid.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("RESULT/PARAMETERS"));
        grid.SetTextMatrix(1, 0, QStringLiteral("Open()"));
        QCOMPARE(grid.data(grid.index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("Open()"));
    }

    void rowsCountAtOnceAndReachViewsInOneBatch()
    {
        FlexGridModel grid(2);
        QAbstractItemModelTester tester(&grid);
        QSignalSpy inserted(&grid, &FlexGridModel::rowsInserted);
        for (int i = 0; i < 1000; ++i)
            grid.AddItem(QStringLiteral("row"));
        QCOMPARE(grid.Rows(), 1002);
        QCOMPARE(grid.rowCount(), 1);
        QTRY_COMPARE(grid.rowCount(), 1001);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.at(0).at(1).toInt(), 1);
        QCOMPARE(inserted.at(0).at(2).toInt(), 1000);
        QCOMPARE(grid.TextMatrix(1001, 0), QStringLiteral("row"));
        QCOMPARE(grid.TextMatrix(1001, 1), QString());
    }

    void streamOfChangesIsStillPublishedEveryFrame()
    {
        // Changes arriving faster than a frame must not postpone publishing forever: a row is
        // added each time the condition is polled, more often than a frame.
        FlexGridModel grid(2);
        QVERIFY(QTest::qWaitFor([&grid] {
            grid.AddItem(QString());
            return grid.rowCount() > 1;
        }));
    }

    void cellColoursAndCurrentCell()
    {
        FlexGridModel grid(2);
        grid.SetRows(4);
        grid.flush();
        grid.SetRow(2);
        grid.SetCol(1);
        grid.SetCellForeColor(QColor(255, 0, 0));
        grid.SetCellBackColor(QColor(0, 0, 255));
        grid.SetText(QStringLiteral("x"));
        QCOMPARE(grid.TextMatrix(2, 1), QStringLiteral("x"));
        QCOMPARE(grid.CellForeColor(2, 1), QColor(255, 0, 0));
        QCOMPARE(grid.data(grid.index(1, 1), Qt::BackgroundRole).value<QColor>(),
                 QColor(0, 0, 255));
        QVERIFY(!grid.data(grid.index(1, 0), Qt::ForegroundRole).isValid());
        grid.SetCellForeColor(QColor()); // back to the standard colour
        QVERIFY(!grid.CellForeColor(2, 1).isValid());
    }

    void clearRemovesTextsAndColoursButKeepsRows()
    {
        FlexGridModel grid(3);
        QAbstractItemModelTester tester(&grid);
        grid.SetRows(5);
        grid.flush();
        grid.SetTextMatrix(0, 0, QStringLiteral("PROPERTY"));
        grid.SetRow(3);
        grid.SetCellBackColor(QColor(0, 0, 255));
        grid.SetText(QStringLiteral("1"));
        QSignalSpy changed(&grid, &FlexGridModel::dataChanged);
        grid.Clear();
        QCOMPARE(grid.Rows(), 5);
        QCOMPARE(grid.TextMatrix(0, 0), QString());
        QCOMPARE(grid.TextMatrix(3, 0), QString());
        QVERIFY(!grid.CellBackColor(3, 0).isValid());
        QTRY_COMPARE(changed.count(), 1);
    }

    void shrinkingRemovesRowsFromViews()
    {
        FlexGridModel grid(2);
        QAbstractItemModelTester tester(&grid);
        grid.SetRows(10);
        grid.flush();
        grid.SetRow(9);
        grid.SetRows(4);
        QCOMPARE(grid.Rows(), 4);
        QCOMPARE(grid.rowCount(), 3);
        QCOMPARE(grid.Row(), 3);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, grid.SetRows(0));
    }

    void outsideTheGridThrows_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::newRow("row past the end") << 2 << 0;
        QTest::newRow("negative row") << -1 << 0;
        QTest::newRow("column past the end") << 1 << 2;
        QTest::newRow("negative column") << 1 << -1;
    }

    void outsideTheGridThrows()
    {
        QFETCH(int, row);
        QFETCH(int, col);
        FlexGridModel grid(2);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, grid.TextMatrix(row, col));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range,
                                 grid.SetTextMatrix(row, col, QStringLiteral("x")));
    }

    void topRowReachesViewsOncePerFrameAfterItsRow()
    {
        FlexGridModel grid(2);
        QSignalSpy top(&grid, &FlexGridModel::topRowChanged);
        int rowsWhenScrolled = -1;
        connect(&grid, &FlexGridModel::topRowChanged, this,
                [&grid, &rowsWhenScrolled](int) { rowsWhenScrolled = grid.rowCount(); });
        for (int i = 0; i < 100; ++i) {
            grid.AddItem(QString());
            grid.SetTopRow(grid.Rows() - 1);
        }
        QCOMPARE(grid.TopRow(), 101);
        QTRY_COMPARE(top.count(), 1);
        QCOMPARE(top.at(0).at(0).toInt(), 101);
        QCOMPARE(rowsWhenScrolled, 101); // the row to show is already known to the view
    }

    void columnWidthsInTwips()
    {
        FlexGridModel grid(3);
        QSignalSpy widths(&grid, &FlexGridModel::colWidthChanged);
        const int standard = grid.ColWidth(2);
        grid.SetColWidth(2, 0);
        QCOMPARE(grid.ColWidth(2), 0);
        grid.SetColWidth(2, -1);
        QCOMPARE(grid.ColWidth(2), standard);
        QCOMPARE(widths.count(), 2);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, grid.SetColWidth(3, 100));
    }

    // Rows old enough to have moved out of memory read, change, clear and shrink like new ones.
    void oldRowsBehaveLikeNewOnes()
    {
        constexpr int kRows = 20'000;
        FlexGridModel grid(2, 2);
        for (int row = 1; row < kRows; ++row) {
            grid.SetTextMatrix(row, 0, QStringLiteral("PrintNormal"));
            grid.SetTextMatrix(row, 1, QStringLiteral("line %1 \u00e9").arg(row));
            grid.SetRowStamp(row, 1'000'000 + row);
            grid.SetRowNote(row, 1, QStringLiteral("why %1").arg(row));
            if (row % 100 == 0) {
                grid.SetRow(row);
                grid.SetCol(0);
                grid.SetCellForeColor(QColor(255, 0, 0));
            }
            grid.AddItem(QString());
        }
        grid.flush();
        QCOMPARE(grid.Rows(), kRows + 1);
        for (const int row : {1, 100, 4097, 12'345, kRows - 1}) {
            QCOMPARE(grid.TextMatrix(row, 1), QStringLiteral("line %1 \u00e9").arg(row));
            QCOMPARE(grid.RowStamp(row), 1'000'000 + row);
            QCOMPARE(grid.CellForeColor(row, 0).isValid(), row % 100 == 0);
            QCOMPARE(grid.data(grid.index(row - 1, 1), Qt::DisplayRole).toString(),
                     grid.TextMatrix(row, 1));
            QCOMPARE(grid.RowNote(row, 0), QString());
            QCOMPARE(grid.RowNote(row, 1), QStringLiteral("why %1").arg(row));
        }
        // Notes are no columns.
        QCOMPARE(grid.columnCount(), 2);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, grid.RowNote(1, 2));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, grid.TextMatrix(1, 2));

        grid.SetTextMatrix(7, 1, QStringLiteral("changed"));
        grid.SetRow(7);
        grid.SetCol(1);
        grid.SetCellBackColor(QColor(0, 0, 255));
        grid.SetRowStamp(7, 42);
        QCOMPARE(grid.TextMatrix(7, 1), QStringLiteral("changed"));
        QCOMPARE(grid.TextMatrix(7, 0), QStringLiteral("PrintNormal"));
        QCOMPARE(grid.CellBackColor(7, 1), QColor(0, 0, 255));
        QCOMPARE(grid.RowStamp(7), 42);
        QCOMPARE(grid.TextMatrix(8, 1), QStringLiteral("line 8 \u00e9"));

        grid.Clear();
        QCOMPARE(grid.TextMatrix(7, 1), QString());
        QCOMPARE(grid.TextMatrix(12'345, 1), QString());
        QCOMPARE(grid.RowNote(12'345, 1), QString());
        QVERIFY(!grid.CellForeColor(200, 0).isValid());
        QCOMPARE(grid.RowStamp(12'345), 1'000'000 + 12'345);
        grid.SetTextMatrix(12'345, 0, QStringLiteral("after"));
        QCOMPARE(grid.TextMatrix(12'345, 0), QStringLiteral("after"));

        grid.SetRows(10);
        grid.SetRows(12'000);
        QCOMPARE(grid.TextMatrix(9, 0), QString());
        QCOMPARE(grid.RowStamp(9), 1'000'009);
        for (const int row : {10, 11'999})
            QCOMPARE(grid.RowStamp(row), 0);
        QCOMPARE(grid.TextMatrix(11'999, 0), QString());
    }

    void repeatedTextsShareStorage()
    {
        FlexGridModel grid(2);
        grid.AddItem(QStringLiteral("DATA=") + QStringLiteral("PTR_SUE_COVER_OPEN"));
        grid.AddItem(QStringLiteral("DATA=") + QStringLiteral("PTR_SUE_COVER_OPEN"));
        QCOMPARE(grid.TextMatrix(2, 0).constData(), grid.TextMatrix(3, 0).constData());
    }

    void listAppendsInBatchesAndSelects()
    {
        PrinterListModel list;
        QAbstractItemModelTester tester(&list);
        QSignalSpy inserted(&list, &PrinterListModel::rowsInserted);
        QSignalSpy selected(&list, &PrinterListModel::listIndexChanged);
        for (int i = 0; i < 500; ++i) {
            list.AddItem(QString::number(i));
            list.SetListIndex(list.ListCount() - 1);
        }
        QCOMPARE(list.ListCount(), 500);
        QCOMPARE(list.ListIndex(), 499);
        QCOMPARE(list.List(7), QStringLiteral("7"));
        QTRY_COMPARE(selected.count(), 1);
        QCOMPARE(selected.at(0).at(0).toInt(), 499);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(list.rowCount(), 500);
    }

    void listRefusesIndicesOutside()
    {
        PrinterListModel list;
        list.AddItem(QStringLiteral("a"));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, list.SetListIndex(1));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, list.SetListIndex(-2));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, list.List(1));
        list.SetListIndex(-1);
        QCOMPARE(list.ListIndex(), -1);
    }

    void listClearEmptiesAndDeselects()
    {
        PrinterListModel list;
        QAbstractItemModelTester tester(&list);
        list.AddItem(QStringLiteral("a"));
        list.SetListIndex(0);
        list.flush();
        list.Clear();
        QCOMPARE(list.ListCount(), 0);
        QCOMPARE(list.rowCount(), 0);
        QCOMPARE(list.ListIndex(), -1);
    }
};

QTEST_GUILESS_MAIN(TestFlexGrid)
#include "test_flexgrid.moc"

#include "services/Colours.h"
#include "services/FlexGridModel.h"
#include "services/FormState.h"
#include "services/OperationLog.h"

#include <QTest>

namespace {

// The log as start-up leaves it: the header row, eight empty rows, LogRow 1.
struct StartedLog
{
    StartedLog()
    {
        grid.SetRows(9);
        grid.SetTopRow(1);
    }
    FlexGridModel grid{2};
    FormState form;
    OperationLog log{grid, form};
};

} // namespace

class TestOperationLog : public QObject
{
    Q_OBJECT

private slots:
    void rowCountInvariant_data()
    {
        QTest::addColumn<int>("appends");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("topRow");
        QTest::newRow("first append stays in the start rows") << 1 << 9 << 1;
        QTest::newRow("seven appends") << 7 << 9 << 1;
        QTest::newRow("eighth append adds the empty row") << 8 << 10 << 9;
        QTest::newRow("ninth append") << 9 << 11 << 10;
        QTest::newRow("many appends") << 5000 << 5002 << 5001;
    }
    void rowCountInvariant()
    {
        QFETCH(int, appends);
        QFETCH(int, rows);
        QFETCH(int, topRow);
        StartedLog started;
        for (int i = 1; i <= appends; ++i) {
            // Alternate the two kinds: both follow the same append rule.
            if (i % 2)
                started.log.AppendLogRow(QStringLiteral("Open()"), QString::number(i));
            else
                started.log.AppendEventLogRow(QStringLiteral("StatusUpdateEvent()"), colours::Blue,
                                              QString::number(i));
        }
        const FlexGridModel& grid = started.grid;
        QCOMPARE(started.form.LogRow, appends + 1);
        QCOMPARE(grid.Rows(), rows);
        QCOMPARE(grid.TopRow(), topRow);
        QCOMPARE(grid.TextMatrix(appends, 1), QString::number(appends));
        for (int row = appends + 1; row < grid.Rows(); ++row)
            QVERIFY(grid.TextMatrix(row, 0).isEmpty() && grid.TextMatrix(row, 1).isEmpty());
        QVERIFY(started.form.LogRow < grid.Rows());
    }

    void eventRowColoursAndCurrentCell()
    {
        StartedLog started;
        FlexGridModel& grid = started.grid;
        started.log.AppendEventLogRow(QStringLiteral("ErrorEvent()"), colours::Red,
                                      QStringLiteral("RC=OPOS_E_FAILURE"));
        QCOMPARE(grid.CellForeColor(1, 0), colours::Red);
        QVERIFY(!grid.CellForeColor(1, 1).isValid());
        QCOMPARE(grid.Row(), 1);
        QCOMPARE(grid.Col(), 1);

        grid.SetRow(0);
        grid.SetCol(0);
        started.log.AppendLogRow(QStringLiteral("PrintNormal()"), QStringLiteral("OPOS_SUCCESS"));
        QVERIFY(!grid.CellForeColor(2, 0).isValid());
        QVERIFY(!grid.CellForeColor(2, 1).isValid());
        QCOMPARE(grid.Row(), 0); // a command row leaves the current cell alone
        QCOMPARE(grid.Col(), 0);
    }

    void textsAreWrittenUnchanged()
    {
        StartedLog started;
        const QString detail = QStringLiteral("  EN=5 | pD=0 | pStr=");
        started.log.AppendLogRow(QString(), detail);
        QCOMPARE(started.grid.TextMatrix(1, 1), detail);
        QVERIFY(started.grid.TextMatrix(1, 0).isEmpty());
        QCOMPARE(started.form.LogRow, 2);
    }
};

QTEST_MAIN(TestOperationLog)
#include "test_operation_log.moc"

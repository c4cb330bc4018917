#include "opos/FilePrintLines.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "services/Lamp.h"
#include "services/ModuleFlags.h"
#include "services/PrinterListModel.h"
#include "support/LogRows.h"
#include "support/WindowFixture.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QString kCutMarker = QStringLiteral("/\\").repeated(28);

QStringList texts(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* item : items)
        list << QString::fromUtf8(item);
    return list;
}

QString row(const char* method, const char* result)
{
    return QLatin1String(method) + QLatin1Char(' ') + QLatin1String(result);
}

QStringList printedItems(frmMain& window)
{
    QStringList items;
    for (int i = 0; i < window.printerList().ListCount(); ++i)
        items << window.printerList().List(i);
    return items;
}

QStringList linesOf(const QByteArray& bytes, bool* utf8 = nullptr)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    TextFileLines lines(buffer);
    if (utf8)
        *utf8 = lines.isUtf8();
    QStringList all;
    while (auto line = lines.next())
        all << *line;
    return all;
}

// A window with an enabled printer and a file to print.
struct FileJob
{
    FileJob()
    {
        ok = dir.isValid() && fixture.openPrinter(true, true);
        fixture.widget<QCheckBox>("chkCutPaper").setChecked(false);
    }
    // Writes the file and selects it, as typed by the user.
    QString select(const QByteArray& contents, const QString& name = QStringLiteral("job.txt"))
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
            qWarning("cannot write %s", qPrintable(path));
        file.close();
        fixture.type("txtSelection", path);
        return path;
    }
    void cutAtEnd(const QString& percentage)
    {
        fixture.widget<QCheckBox>("chkCutPaper").setChecked(true);
        fixture.type("txtCutPaperAtEnd", percentage);
    }
    // Runs from the event loop in the job's first yield, after its first line: the click that
    // starts the job delivers at once, so a call posted just before it waits for that yield.
    void inFirstYield(std::function<void()> action)
    {
        QTimer::singleShot(0, &fixture.window(), std::move(action));
    }
    QStringList rows() { return LogRows(fixture.window().logGrid(), fixture.form()); }
    // Without the printer's events, which the job handles in its yields as they come.
    QStringList commandRows() { return CommandRows(fixture.window().logGrid(), fixture.form()); }
    QStringList items() { return printedItems(fixture.window()); }

    WindowFixture fixture;
    QTemporaryDir dir;
    bool ok = false;
};

} // namespace

class TestFilePrint : public QObject
{
    Q_OBJECT

private slots:
    void textLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("utf8");

        const QStringList abc = texts({"a", "b", "c"});
        QTest::newRow("LF") << QByteArray("a\nb\nc\n") << abc << true;
        QTest::newRow("CR") << QByteArray("a\rb\rc\r") << abc << true;
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\nc\r\n") << abc << true;
        QTest::newRow("last line without end") << QByteArray("a\nb\r\nc") << abc << true;
        QTest::newRow("empty file") << QByteArray() << QStringList() << true;
        QTest::newRow("blank lines")
            << QByteArray("\n\r\n\r\rx") << texts({"", "", "", "", "x"}) << true;
        QTest::newRow("LF CR is two ends") << QByteArray("a\n\rb") << texts({"a", "", "b"}) << true;
        const QByteArray wide(64 * 1024 - 1, 'x');
        QTest::newRow("CR LF across a read")
            << wide + "\r\nz" << QStringList{QString::fromLatin1(wide), QStringLiteral("z")}
            << true;
        QTest::newRow("UTF-8") << QByteArray("caf\xC3\xA9 \xE2\x82\xAC\n")
                               << QStringList{QStringLiteral("café €")} << true;
        QTest::newRow("UTF-8 byte-order mark") << QByteArray("\xEF\xBB\xBF"
                                                             "a\nb")
                                               << texts({"a", "b"}) << true;
        QTest::newRow("Windows-1252, holes included")
            << QByteArray("\x80\x81\x8D\x8F\x90\x9D\xE9\xFF")
            << QStringList{QStringLiteral("€\u0081\u008D\u008F\u0090\u009Déÿ")} << false;
        QTest::newRow("one bad byte makes the whole file Windows-1252")
            << QByteArray("caf\xC3\xA9\n\xE9")
            << QStringList{QStringLiteral("cafÃ©"), QStringLiteral("é")} << false;
        QTest::newRow("UTF-8 cut off at the end")
            << QByteArray("a\xC3") << QStringList{QStringLiteral("aÃ")} << false;
    }
    void textLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QFETCH(bool, utf8);
        bool readAsUtf8 = false;
        QCOMPARE(linesOf(bytes, &readAsUtf8), lines);
        QCOMPARE(readAsUtf8, utf8);
    }

    void jobShapes_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("percentage"); // empty: cut box not checked
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("items");

        const QString normal = QStringLiteral("cmdFilePrintNormal");
        const QString pn = row("PrintNormal()", "OPOS_SUCCESS");
        const QString cut = row("CutPaper()", "OPOS_SUCCESS");
        QTest::newRow("three lines and a cut")
            << normal << QByteArray("one\ntwo\nthree\n") << QStringLiteral("100")
            << QStringList{pn, pn, pn, cut}
            << texts({"one", "two", "three"}) + QStringList{kCutMarker};
        QTest::newRow("empty file still cuts") << normal << QByteArray() << QStringLiteral("50")
                                               << QStringList{cut} << QStringList{kCutMarker};
        QTest::newRow("blank line") << normal << QByteArray("a\n\nb") << QString()
                                    << QStringList{pn, pn, pn} << texts({"a", "", "b"});
        QTest::newRow("non-numeric percentage: no cut")
            << normal << QByteArray("a\n") << QStringLiteral("x") << QStringList{pn}
            << texts({"a"});
        QTest::newRow("percentage the printer refuses")
            << normal << QByteArray("a\n") << QStringLiteral("0")
            << QStringList{pn, row("CutPaper()", "OPOS_E_ILLEGAL")} << texts({"a"});
        QTest::newRow("Windows-1252 file")
            << normal << QByteArray("caf\xE9\r") << QString() << QStringList{pn}
            << QStringList{QStringLiteral("café")};

        const QString pi = row("PrintImmediate()", "OPOS_SUCCESS");
        QTest::newRow("immediate")
            << QStringLiteral("cmdFilePrintImmediate") << QByteArray("a\r\nb")
            << QStringLiteral("100") << QStringList{pi, pi, cut}
            << texts({"a", "b"}) + QStringList{kCutMarker};
        QTest::newRow("transaction")
            << QStringLiteral("cmdTransactionPrint") << QByteArray("a\nb\n")
            << QStringLiteral("100")
            << QStringList{row("TransactionPrint(TRANSACTION)", "OPOS_SUCCESS"), pn, pn, cut,
                           row("TransactionPrint(NORMAL)", "OPOS_SUCCESS")}
            << texts({"a", "b"}) + QStringList{kCutMarker};
    }
    void jobShapes()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, contents);
        QFETCH(QString, percentage);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, items);
        FileJob job;
        QVERIFY(job.ok);
        job.select(contents);
        if (!percentage.isEmpty())
            job.cutAtEnd(percentage);

        job.fixture.click(button.toLatin1().constData());

        QCOMPARE(job.rows(), rows);
        QCOMPARE(job.items(), items);
        QCOMPARE(job.fixture.dialogs().boxes().size(), 0);
        const ModuleFlags& flags = job.fixture.flags();
        QVERIFY(!flags.PrintingBusy && !flags.TransactionActive && !flags.FileJobRunning);
        QVERIFY(!flags.FileLinePending && !flags.FileCutPending);
    }

    // Each line of a file is its own print call: what one line switches on ends with it.
    void eachLineStartsNormal()
    {
        FileJob job;
        QVERIFY(job.ok);
        job.select("\x1b|cA\x1b|bC\x1b|2CTitle\nplain\n");
        job.fixture.click("cmdFilePrintNormal");
        const auto receipt = job.fixture.simPrinter().receipt();
        QCOMPARE(receipt.size(), 2);
        QCOMPARE(receipt[0].text, QStringLiteral("Title"));
        QVERIFY(receipt[0].bold && receipt[0].doubleWidth);
        QCOMPARE(receipt[0].align, sim::ReceiptItem::Align::Centre);
        QCOMPARE(receipt[1].text, QStringLiteral("plain"));
        QVERIFY(!receipt[1].bold && !receipt[1].doubleWidth);
        QCOMPARE(receipt[1].align, sim::ReceiptItem::Align::Left);
    }

    void emptyFileAfterCancelledPrint()
    {
        FileJob job;
        QVERIFY(job.ok);
        job.fixture.simPrinter().setCoverOpen(true);
        job.fixture.type("txtPrint", QStringLiteral("page"));
        job.fixture.dialogs().queueAnswer(Dialogs::Answer::Cancel);
        job.fixture.click("cmdPrintNormal");
        QVERIFY(job.fixture.flags().PrintCancelled);
        job.fixture.simPrinter().setCoverOpen(false);
        const int rowsBefore = int(job.rows().size());

        job.select(QByteArray());
        job.cutAtEnd(QStringLiteral("100"));
        job.fixture.click("cmdFilePrintNormal");
        QCOMPARE(job.rows().size(), rowsBefore); // the earlier Cancel still holds: no cut

        job.select("a");
        job.fixture.click("cmdFilePrintNormal");
        QCOMPARE(job.rows().mid(rowsBefore), (QStringList{row("PrintNormal()", "OPOS_SUCCESS"),
                                                          row("CutPaper()", "OPOS_SUCCESS")}));
    }

    void coverOpensOnSecondOfFiveLines_data()
    {
        QTest::addColumn<bool>("retry");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("items");
        const QString pn = row("PrintNormal()", "OPOS_SUCCESS");
        const QString cover = row("PrintNormal()", "OPOS_EPTR_COVER_OPEN");
        QTest::newRow("cancel: nothing more, no cut")
            << false << QStringList{pn, cover, row("ClearOutput()", "OPOS_SUCCESS")}
            << texts({"1"});
        QTest::newRow("cover closed, retry: the job goes on")
            << true << QStringList{pn, cover, pn, pn, pn, pn, row("CutPaper()", "OPOS_SUCCESS")}
            << texts({"1", "2", "3", "4", "5"}) + QStringList{kCutMarker};
    }
    void coverOpensOnSecondOfFiveLines()
    {
        QFETCH(bool, retry);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, items);
        FileJob job;
        QVERIFY(job.ok);
        job.select("1\n2\n3\n4\n5\n");
        job.cutAtEnd(QStringLiteral("100"));
        sim::SimulatedPrinter* device = &job.fixture.simPrinter();
        job.inFirstYield([device] { device->setCoverOpen(true); });
        if (retry)
            job.fixture.dialogs().queueAnswer(Dialogs::Answer::Ok,
                                              [device] { device->setCoverOpen(false); });
        else
            job.fixture.dialogs().queueAnswer(Dialogs::Answer::Cancel);

        job.fixture.click("cmdFilePrintNormal");

        QCOMPARE(job.commandRows(), rows);
        QCOMPARE(job.items(), items);
        QCOMPARE(job.fixture.dialogs().prompts(),
                 QStringList{QStringLiteral("PRINTER COVER IS OPEN!, retry?")});
        QCOMPARE(job.fixture.flags().PrintCancelled, !retry);
        QVERIFY(!job.fixture.flags().PrintingBusy);
    }

    // Inside a transaction the lines are only collected, so an open cover shows when the
    // closing call prints them: no retry box, the failure logged by name.
    void coverOpenDuringTransaction()
    {
        FileJob job;
        QVERIFY(job.ok);
        job.select("1\n2\n3\n4\n5\n");
        sim::SimulatedPrinter* device = &job.fixture.simPrinter();
        job.inFirstYield([device] { device->setCoverOpen(true); });

        job.fixture.click("cmdTransactionPrint");

        const QStringList rows = job.commandRows();
        QCOMPARE(rows.size(), 7);
        QCOMPARE(rows.first(), row("TransactionPrint(TRANSACTION)", "OPOS_SUCCESS"));
        QCOMPARE(rows.last(), row("TransactionPrint(NORMAL)", "OPOS_EPTR_COVER_OPEN"));
        QCOMPARE(job.fixture.widget<Lamp>("shpCover").FillColor(), QColor(255, 0, 0));
        QCOMPARE(job.fixture.widget<QLabel>("lblFileTransPrintOutputID").text(), QString());
        QVERIFY(!job.fixture.flags().TransactionActive);
    }

    void failedOpeningTransaction()
    {
        FileJob job;
        QVERIFY(job.ok);
        job.select("a\nb\n");
        job.cutAtEnd(QStringLiteral("100"));
        // A transaction already open: opening another is illegal.
        QCOMPARE(
            job.fixture.printer().TransactionPrint(opos::PTR_S_RECEIPT, opos::PTR_TP_TRANSACTION),
            opos::OPOS_SUCCESS);

        job.fixture.click("cmdTransactionPrint");

        QCOMPARE(job.rows(), QStringList{row("TransactionPrint(TRANSACTION)", "OPOS_E_ILLEGAL")});
        QCOMPARE(job.items(), QStringList());
        QVERIFY(!job.fixture.flags().TransactionActive && !job.fixture.flags().PrintingBusy);
    }

    void asynchronousTransactionShowsOnlyItsOutputID()
    {
        FileJob job;
        QVERIFY(job.ok);
        job.select("a\n");
        job.cutAtEnd(QStringLiteral("100"));
        job.fixture.widget<QCheckBox>("chkFileAsyncMode").setChecked(true);

        job.fixture.click("cmdTransactionPrint");

        const QString outputId = QString::number(job.fixture.printer().OutputID());
        QCOMPARE(job.fixture.widget<QLabel>("lblFileTransPrintOutputID").text(), outputId);
        QCOMPARE(job.fixture.widget<QLabel>("lblFilePrintOutputID").text(), QString());
        QCOMPARE(job.fixture.widget<QLabel>("lblFileCutOutputID").text(), QString());
        QTRY_VERIFY(job.rows().contains(QStringLiteral("OutputCompleteEvent() OID=") + outputId));
    }

    // /proc/self/mem is a file that opens but cannot be read.
    void readFailureEndsTheJob_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("normal") << QStringLiteral("cmdFilePrintNormal") << QStringList();
        QTest::newRow("transaction: still closed")
            << QStringLiteral("cmdTransactionPrint")
            << QStringList{row("TransactionPrint(TRANSACTION)", "OPOS_SUCCESS"),
                           row("TransactionPrint(NORMAL)", "OPOS_SUCCESS")};
    }
    void readFailureEndsTheJob()
    {
        QFETCH(QString, button);
        QFETCH(QStringList, rows);
        FileJob job;
        QVERIFY(job.ok);
        job.fixture.type("txtSelection", QStringLiteral("/proc/self/mem"));
        job.fixture.type("txtPrint", QStringLiteral("after"));

        job.fixture.click(button.toLatin1().constData());

        QCOMPARE(job.rows(), rows);
        QCOMPARE(job.fixture.dialogs().boxes().size(), 1);
        QVERIFY(job.fixture.dialogs().prompts().constFirst().startsWith(
            QStringLiteral("The file cannot be read")));
        QCOMPARE(job.fixture.dialogs().boxes().constFirst().title, QStringLiteral("ERROR MESSAGE"));
        const ModuleFlags& flags = job.fixture.flags();
        QVERIFY(flags.PrintingBusy); // a failure leaves the flags it had set
        QVERIFY(!flags.FileJobRunning && !flags.TransactionActive);

        // Neither refused nor collected into a forgotten transaction: printed.
        job.fixture.click("cmdPrintNormal");
        QCOMPARE(job.rows().constLast(), row("PrintNormal()", "OPOS_SUCCESS"));
        QCOMPARE(job.fixture.simPrinter().receipt().constLast().text, QStringLiteral("after"));
    }

    void refusedSelections_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("selection"); // relative to the test folder; "" = empty
        QTest::addColumn<QString>("prompt");
        for (const char* button :
             {"cmdFilePrintNormal", "cmdFilePrintImmediate", "cmdTransactionPrint", "cmdEdit"}) {
            QTest::addRow("%s, no file", button)
                << QString::fromLatin1(button) << QString() << QStringLiteral("NO FILE selected!");
            if (QByteArray(button) == "cmdEdit")
                continue;
            QTest::addRow("%s, missing file", button)
                << QString::fromLatin1(button) << QStringLiteral("missing.txt")
                << QStringLiteral("NO VALID FILE selected!");
            QTest::addRow("%s, folder", button)
                << QString::fromLatin1(button) << QStringLiteral(".")
                << QStringLiteral("NO VALID FILE selected!");
        }
    }
    void refusedSelections()
    {
        QFETCH(QString, button);
        QFETCH(QString, selection);
        QFETCH(QString, prompt);
        FileJob job;
        QVERIFY(job.ok);
        job.fixture.type("txtSelection",
                         selection.isEmpty() ? QString() : job.dir.filePath(selection));

        job.fixture.click(button.toLatin1().constData());

        QCOMPARE(job.fixture.dialogs().prompts(), QStringList{prompt});
        QCOMPARE(job.fixture.dialogs().boxes().constFirst().title, QStringLiteral("ERROR MESSAGE"));
        QCOMPARE(job.rows(), QStringList());
        QVERIFY(job.fixture.dialogs().editorStarts().isEmpty());
        QVERIFY(!job.fixture.flags().TransactionActive);
    }

    void commandsClickedDuringJobAreRefused_data()
    {
        QTest::addColumn<QString>("button");
        for (const char* button :
             {"cmdPrintNormal", "cmdPrintImmediate", "cmdCutPaper", "cmdFilePrintNormal",
              "cmdFilePrintImmediate", "cmdTransactionPrint"})
            QTest::newRow(button) << QString::fromLatin1(button);
    }
    void commandsClickedDuringJobAreRefused()
    {
        QFETCH(QString, button);
        FileJob job;
        QVERIFY(job.ok);
        job.fixture.type("txtPrint", QStringLiteral("page"));
        job.fixture.type("txtCutPaper", QStringLiteral("100"));
        job.select("a\nb\nc\n");
        job.cutAtEnd(QStringLiteral("100"));
        // Clicked from the event loop, in the job's yield after its first line.
        WindowFixture* fixture = &job.fixture;
        const QByteArray name = button.toLatin1();
        job.inFirstYield([fixture, name] { fixture->click(name.constData()); });

        job.fixture.click("cmdFilePrintNormal");

        QCOMPARE(job.fixture.dialogs().prompts(),
                 QStringList{QStringLiteral("FILE PRINTING in progress!")});
        QCOMPARE(job.fixture.dialogs().boxes().constFirst().title, QStringLiteral("ERROR MESSAGE"));
        const QString pn = row("PrintNormal()", "OPOS_SUCCESS");
        QCOMPARE(job.rows(), (QStringList{pn, pn, pn, row("CutPaper()", "OPOS_SUCCESS")}));
        QCOMPARE(job.items(), texts({"a", "b", "c"}) + QStringList{kCutMarker});
        QVERIFY(!job.fixture.flags().FileJobRunning);

        job.fixture.click("cmdPrintNormal"); // after the job: accepted again
        QCOMPARE(job.items().constLast(), QStringLiteral("page"));
    }

    void closingDuringJob_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("rows");
        const QString pn = row("PrintNormal()", "OPOS_SUCCESS");
        QTest::newRow("normal") << QStringLiteral("cmdFilePrintNormal") << QStringList{pn};
        QTest::newRow("transaction")
            << QStringLiteral("cmdTransactionPrint")
            << QStringList{row("TransactionPrint(TRANSACTION)", "OPOS_SUCCESS"), pn,
                           row("TransactionPrint(NORMAL)", "OPOS_SUCCESS")};
    }
    void closingDuringJob()
    {
        QFETCH(QString, button);
        QFETCH(QStringList, rows);
        FileJob job;
        QVERIFY(job.ok);
        job.select("1\n2\n3\n4\n5\n");
        job.cutAtEnd(QStringLiteral("100"));
        frmMain* window = &job.fixture.window();
        QSignalSpy closed(window, &frmMain::closed);
        job.inFirstYield([window] { window->close(); });
        job.fixture.dialogs().queueAnswer(Dialogs::Answer::Ok); // "Proceed with CLOSE?"

        job.fixture.click(button.toLatin1().constData());

        QCOMPARE(job.rows(), rows);
        QTRY_COMPARE(closed.size(), 1);
        QCOMPARE(
            job.fixture.dialogs().prompts(),
            QStringList{QStringLiteral("Printer still CLAIMED or OPENED... Proceed with CLOSE?")});
        QCOMPARE(job.fixture.printer().State(), opos::OPOS_S_CLOSED);
        QVERIFY(!job.fixture.flags().FileJobRunning && !job.fixture.flags().TransactionActive);
    }

    void select()
    {
        WindowFixture fixture;
        fixture.dialogs().queueOpenFile(QStringLiteral("/home/user/receipt.txt"));
        fixture.click("cmdSelect");
        QCOMPARE(fixture.widget<QLineEdit>("txtSelection").text(),
                 QStringLiteral("/home/user/receipt.txt"));
        const Dialogs::OpenFileRequest request = fixture.dialogs().openFileRequests().constFirst();
        QCOMPARE(request.title, QStringLiteral("Select TXT File to Print"));
        QCOMPARE(request.filter, QStringLiteral("TXT (*.txt)|*.txt"));
        QCOMPARE(request.defaultExtension, QStringLiteral("*.txt"));
        QCOMPARE(QDir(request.initialFolder), QDir(QCoreApplication::applicationDirPath()));

        fixture.click("cmdSelect"); // cancelled
        QCOMPARE(fixture.widget<QLineEdit>("txtSelection").text(), QString());
    }

    void editorGetsThePathLiterally_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("blanks") << QStringLiteral("/tmp/my receipts/day one.txt");
        QTest::newRow("quotes") << QStringLiteral("/tmp/it's \"quoted\".txt");
        QTest::newRow("semicolon") << QStringLiteral("/tmp/a.txt; rm -rf ~");
        QTest::newRow("command substitution") << QStringLiteral("$(touch /tmp/pwned) `id`.txt");
        QTest::newRow("missing, relative") << QStringLiteral("not here.txt");
    }
    void editorGetsThePathLiterally()
    {
        QFETCH(QString, path);
        WindowFixture fixture;
        fixture.type("txtSelection", path);
        fixture.click("cmdEdit");
        QCOMPARE(fixture.dialogs().editorStarts(), QStringList{path});
        QCOMPARE(fixture.dialogs().boxes().size(), 0);
    }

    void editorThatCannotStart()
    {
        WindowFixture fixture;
        fixture.dialogs().setEditorStarts(false);
        fixture.type("txtSelection", QStringLiteral("/tmp/a.txt"));
        fixture.click("cmdEdit");
        QCOMPARE(fixture.dialogs().boxes().size(), 1);
        QCOMPARE(fixture.dialogs().boxes().constFirst().title, QStringLiteral("ERROR MESSAGE"));
        QVERIFY(fixture.dialogs().boxes().constFirst().exclamationIcon);
    }
};

QTEST_MAIN(TestFilePrint)
#include "test_file_print.moc"

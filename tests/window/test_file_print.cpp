#include "app/dialogs/QtDialogs.h"
#include "app/dialogs/TextEditor.h"
#include "backends/sim/PrintPacer.h"
#include "opos/FilePrintLines.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "services/Lamp.h"
#include "services/ModuleFlags.h"
#include "services/PrinterListModel.h"
#include "support/FileLines.h"
#include "support/LogRows.h"
#include "support/WindowFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <stop_token>

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

std::optional<qint64> countOf(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return countTextLines(buffer, std::stop_token());
}

QByteArray utf16(const QString& text, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
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
    QStringList rows() { return logRowTexts(fixture.window().logGrid(), fixture.form()); }
    // Without the printer's events, which the job handles in its yields as they come.
    QStringList commandRows()
    {
        return commandRowTexts(fixture.window().logGrid(), fixture.form());
    }
    QStringList items() { return printedItems(fixture.window()); }

    WindowFixture fixture;
    QTemporaryDir dir;
    bool ok = false;
};

// Output that waits until the test opens the gate (or the output is stopped).
class GatePacer : public sim::PrintPacer
{
public:
    opos::Waiter::Outcome pause(std::chrono::milliseconds, std::stop_token stop,
                                opos::Waiter& waiter, const QString& what) override
    {
        {
            const std::lock_guard lock(m_mutex);
            m_waiter = &waiter;
        }
        const std::stop_callback wakeOnStop(stop, [&waiter] { waiter.wake(); });
        const auto outcome =
            waiter.wait(what, QDeadlineTimer(QDeadlineTimer::Forever), [this, &stop] {
                const std::lock_guard lock(m_mutex);
                return m_open || stop.stop_requested();
            });
        return outcome == opos::Waiter::Outcome::Cancelled ? outcome : opos::Waiter::Outcome::Ready;
    }
    void open()
    {
        opos::Waiter* waiter = nullptr;
        {
            const std::lock_guard lock(m_mutex);
            m_open = true;
            waiter = m_waiter;
        }
        if (waiter)
            waiter->wake();
    }

private:
    std::mutex m_mutex;
    opos::Waiter* m_waiter = nullptr; // the registry's, which outlives every pause
    bool m_open = false;
};

// Fake XDG folders and a bin folder whose fake editor (also installed as the first common
// editor looked for) records its arguments, one a line, in a file.
struct FakeDesktop
{
    FakeDesktop()
    {
        const QByteArray script =
            "#!/bin/sh\n"
            ": > \"$RECORD.tmp\"\n"
            "for a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$RECORD.tmp\"; done\n"
            "mv \"$RECORD.tmp\" \"$RECORD\"\n";
        for (const char* name : {"fake-editor", "gnome-text-editor"}) {
            const QString path = dir.filePath(QStringLiteral("bin/") + QLatin1String(name));
            write(QStringLiteral("bin/") + QLatin1String(name), QString::fromLatin1(script));
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    }
    bool ok() const { return dir.isValid(); }
    void write(const QString& relative, const QString& text)
    {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
            qWarning("cannot write %s", qPrintable(path));
    }
    QString record() const { return dir.filePath(QStringLiteral("record")); }
    QStringList recorded() const
    {
        QFile file(record());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        lines.removeLast(); // after the last line end
        return lines;
    }
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env;
        env.insert(QStringLiteral("HOME"), dir.filePath(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_CONFIG_DIRS"), dir.filePath(QStringLiteral("etc")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_DATA_DIRS"), dir.filePath(QStringLiteral("system")));
        env.insert(QStringLiteral("PATH"),
                   dir.filePath(QStringLiteral("bin")) + QStringLiteral(":/usr/bin:/bin"));
        env.insert(QStringLiteral("RECORD"), record());
        return env;
    }

    QTemporaryDir dir;
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
        QTest::addColumn<TextEncoding>("encoding");

        const auto utf8 = TextEncoding::Utf8;
        const auto cp1252 = TextEncoding::Windows1252;
        const QStringList abc = texts({"a", "b", "c"});
        QTest::newRow("LF") << QByteArray("a\nb\nc\n") << abc << utf8;
        QTest::newRow("CR") << QByteArray("a\rb\rc\r") << abc << utf8;
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\nc\r\n") << abc << utf8;
        QTest::newRow("last line without end") << QByteArray("a\nb\r\nc") << abc << utf8;
        QTest::newRow("empty file") << QByteArray() << QStringList() << utf8;
        QTest::newRow("blank lines")
            << QByteArray("\n\r\n\r\rx") << texts({"", "", "", "", "x"}) << utf8;
        QTest::newRow("LF CR is two ends") << QByteArray("a\n\rb") << texts({"a", "", "b"}) << utf8;
        const QByteArray wide(64 * 1024 - 1, 'x');
        QTest::newRow("CR LF across a read")
            << wide + "\r\nz" << QStringList{QString::fromLatin1(wide), QStringLiteral("z")}
            << utf8;
        const QByteArray longLine(300 * 1024, 'y');
        QTest::newRow("line longer than several reads")
            << longLine + "\rz" << QStringList{QString::fromLatin1(longLine), QStringLiteral("z")}
            << utf8;
        QTest::newRow("UTF-8") << QByteArray("caf\xC3\xA9 \xE2\x82\xAC\n")
                               << QStringList{QStringLiteral("café €")} << utf8;
        QTest::newRow("UTF-8 byte-order mark") << QByteArray("\xEF\xBB\xBF"
                                                             "a\nb")
                                               << texts({"a", "b"}) << utf8;
        QTest::newRow("byte-order mark alone")
            << QByteArray("\xEF\xBB\xBF") << QStringList() << utf8;
        QTest::newRow("Windows-1252, holes included")
            << QByteArray("\x80\x81\x8D\x8F\x90\x9D\xE9\xFF")
            << QStringList{QStringLiteral("€\u0081\u008D\u008F\u0090\u009Déÿ")} << cp1252;
        QTest::newRow("a bad byte further on makes the file Windows-1252")
            << QByteArray("caf\xC3\xA9\n\xE9")
            << QStringList{QStringLiteral("cafÃ©"), QStringLiteral("é")} << cp1252;
        QTest::newRow("UTF-8 cut off at the end")
            << QByteArray("a\xC3") << QStringList{QStringLiteral("aÃ")} << cp1252;
        // Plain ASCII reads the same either way: only the first other line decides.
        const QByteArray ascii = QByteArray("plain\n").repeated(20000);
        QTest::newRow("long ASCII start, then Windows-1252")
            << ascii + "caf\xE9" << QStringList(20000, QStringLiteral("plain")) + texts({"café"})
            << cp1252;
        // Decided on what it had seen, the reader turns to Windows-1252 at the first line that
        // is not UTF-8 after all, losing no byte.
        const QByteArray filler = QByteArray("-\n").repeated(100000);
        QTest::newRow("late bad byte: Windows-1252 from there on")
            << "\xC3\xA9\n" + filler + "\xC3\xA9\xE9\n\xC3\xA9"
            << texts({"é"}) + QStringList(100000, QStringLiteral("-")) + texts({"Ã©é", "Ã©"})
            << cp1252;

        const QString unicode = QStringLiteral("caf\u00e9 \u20ac \U0001F600\r\n\u0a0d\nz");
        const QStringList unicodeLines{QStringLiteral("caf\u00e9 \u20ac \U0001F600"),
                                       QStringLiteral("\u0a0d"), QStringLiteral("z")};
        QTest::newRow("UTF-16 LE")
            << utf16(unicode, QStringConverter::Utf16LE) << unicodeLines << TextEncoding::Utf16LE;
        QTest::newRow("UTF-16 BE")
            << utf16(unicode, QStringConverter::Utf16BE) << unicodeLines << TextEncoding::Utf16BE;
        const QString wideUnicode = QString(64 * 1024 / 2 - 2, u'w') + QStringLiteral("\r\nz");
        QTest::newRow("UTF-16 CR LF across a read")
            << utf16(wideUnicode, QStringConverter::Utf16LE)
            << QStringList{QString(64 * 1024 / 2 - 2, u'w'), QStringLiteral("z")}
            << TextEncoding::Utf16LE;
        QTest::newRow("UTF-16 byte-order mark alone")
            << QByteArray("\xFF\xFE") << QStringList() << TextEncoding::Utf16LE;
    }
    void textLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QFETCH(TextEncoding, encoding);
        TextEncoding readAs = TextEncoding::Utf8;
        QCOMPARE(linesOf(bytes, &readAs), lines);
        QCOMPARE(readAs, encoding);
        QCOMPARE(countOf(bytes), std::optional<qint64>(lines.size()));
    }

    // The first line comes after one read, not after the whole file.
    void readsAsItGoes()
    {
        const QByteArray line = "caf\xC3\xA9 and 1234567890 more characters\r\n";
        QBuffer buffer;
        buffer.setData(line.repeated(100000));
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        TextFileLines lines(buffer);
        QCOMPARE(lines.next(),
                 std::optional<QString>(QStringLiteral("café and 1234567890 more characters")));
        QVERIFY(buffer.pos() <= 256 * 1024);
        QCOMPARE(lines.encoding(), TextEncoding::Utf8);
    }

    void countStops()
    {
        QBuffer buffer;
        buffer.setData(QByteArray("line\n").repeated(100000));
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        std::stop_source stop;
        stop.request_stop();
        QCOMPARE(countTextLines(buffer, stop.get_token()), std::nullopt);
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
        // Read while the window goes on, printed whole, shown cut short in the list.
        QTest::newRow("a line of a megabyte among short ones")
            << normal << "a\n" + QByteArray(1 << 20, 'y') + "\nb" << QString()
            << QStringList{pn, pn, pn}
            << QStringList{QStringLiteral("a"), QString(1000, u'y') + QChar(0x2026),
                           QStringLiteral("b")};
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

    // While the retry box is open on line 2, the status bar shows "line 2 of 5" and Stop; Stop
    // ends the job after that line, as a cancelled job ends but without giving up the line.
    void coverOpensOnSecondOfFiveLines_data()
    {
        QTest::addColumn<bool>("retry");
        QTest::addColumn<bool>("stop");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("items");
        const QString pn = row("PrintNormal()", "OPOS_SUCCESS");
        const QString cover = row("PrintNormal()", "OPOS_EPTR_COVER_OPEN");
        QTest::newRow("cancel: nothing more, no cut")
            << false << false << QStringList{pn, cover, row("ClearOutput()", "OPOS_SUCCESS")}
            << texts({"1"});
        QTest::newRow("cover closed, retry: the job goes on")
            << true << false
            << QStringList{pn, cover, pn, pn, pn, pn, row("CutPaper()", "OPOS_SUCCESS")}
            << texts({"1", "2", "3", "4", "5"}) + QStringList{kCutMarker};
        QTest::newRow("Stop, then retry: that line only, no cut")
            << true << true << QStringList{pn, cover, pn} << texts({"1", "2"});
    }
    void coverOpensOnSecondOfFiveLines()
    {
        QFETCH(bool, retry);
        QFETCH(bool, stop);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, items);
        FileJob job;
        QVERIFY(job.ok);
        job.select("1\n2\n3\n4\n5\n");
        job.cutAtEnd(QStringLiteral("100"));
        sim::SimulatedPrinter* device = &job.fixture.simPrinter();
        job.inFirstYield([device] { device->setCoverOpen(true); });
        WindowFixture* fixture = &job.fixture;
        QLabel* status = &fixture->widget<QLabel>("lblJobStatus");
        QAbstractButton* stopButton = &fixture->widget<QAbstractButton>("cmdStopJob");
        QVERIFY(stopButton->isHidden());
        job.fixture.dialogs().queueAnswer(
            retry ? Dialogs::Answer::Ok : Dialogs::Answer::Cancel, [=] {
                QTRY_COMPARE(status->text(), QStringLiteral("line 2 of 5"));
                QVERIFY(!stopButton->isHidden());
                if (stop)
                    fixture->click("cmdStopJob");
                device->setCoverOpen(false);
            });

        job.fixture.click("cmdFilePrintNormal");

        QCOMPARE(job.commandRows(), rows);
        QCOMPARE(job.items(), items);
        QCOMPARE(job.fixture.dialogs().prompts(),
                 QStringList{QStringLiteral("PRINTER COVER IS OPEN!, retry?")});
        QCOMPARE(job.fixture.flags().PrintCancelled, !retry);
        QVERIFY(!job.fixture.flags().PrintingBusy);
        QVERIFY(stopButton->isHidden());
        // A job that Stop ended says where; one cancelled in its retry box has nothing left to
        // say once the cover was closed before the answer.
        if (stop && retry)
            QCOMPARE(status->text(), QStringLiteral("Stopped at line 2 of 5"));
        else if (stop)
            QCOMPARE(status->text(), QStringLiteral("Stopped at line 1 of 5"));
        else
            QTRY_COMPARE(status->text(), QString());
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

    // In asynchronous mode each label shows the OutputID of its own output; in a transaction
    // only the closing call's.
    void asynchronousOutputIDs_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("labels"); // "label=n": the n-th completed output's ID
        QTest::newRow("normal") << QStringLiteral("cmdFilePrintNormal")
                                << QStringList{QStringLiteral("lblFilePrintOutputID=1"),
                                               QStringLiteral("lblFileCutOutputID=2")};
        QTest::newRow("transaction") << QStringLiteral("cmdTransactionPrint")
                                     << QStringList{QStringLiteral("lblFileTransPrintOutputID=0")};
    }
    void asynchronousOutputIDs()
    {
        QFETCH(QString, button);
        QFETCH(QStringList, labels);
        FileJob job;
        QVERIFY(job.ok);
        job.select("a\nb\n");
        job.cutAtEnd(QStringLiteral("100"));
        job.fixture.widget<QCheckBox>("chkFileAsyncMode").setChecked(true);
        QStringList ids;
        QObject::connect(&job.fixture.printer(), &opos::PosPrinter::OutputCompleteEvent,
                         &job.fixture.window(), [&ids](int32_t id) { ids << QString::number(id); });

        job.fixture.click(button.toLatin1().constData());

        QTRY_COMPARE(ids.size(), button == QStringLiteral("cmdTransactionPrint") ? 1 : 3);
        QMap<QString, QString> expected;
        for (const QString& label : labels)
            expected.insert(label.section(u'=', 0, 0), ids.at(label.section(u'=', 1).toInt()));
        for (const char* name : {"lblPrintOutputID", "lblCutOutputID", "lblFilePrintOutputID",
                                 "lblFileCutOutputID", "lblFileTransPrintOutputID"})
            QCOMPARE(job.fixture.widget<QLabel>(name).text(), expected.value(QLatin1String(name)));
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
        // The job is over: the PRINTING lamp goes out with it.
        const ModuleFlags& flags = job.fixture.flags();
        QVERIFY(!flags.PrintingBusy && !flags.FileJobRunning && !flags.TransactionActive);
        job.fixture.tick();
        QCOMPARE(job.fixture.widget<Lamp>("shpPrinting").FillColor(), QColor(0, 255, 0));

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

    // The close question comes first; only OK stops the job, after its current line.
    void closingDuringJob_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("agree");
        QTest::addColumn<QStringList>("rows");
        const QString pn = row("PrintNormal()", "OPOS_SUCCESS");
        const QString begin = row("TransactionPrint(TRANSACTION)", "OPOS_SUCCESS");
        const QString end = row("TransactionPrint(NORMAL)", "OPOS_SUCCESS");
        const QString cut = row("CutPaper()", "OPOS_SUCCESS");
        QTest::newRow("normal, OK")
            << QStringLiteral("cmdFilePrintNormal") << true << QStringList{pn};
        QTest::newRow("transaction, OK")
            << QStringLiteral("cmdTransactionPrint") << true << QStringList{begin, pn, end};
        QTest::newRow("normal, Cancel: the job goes on")
            << QStringLiteral("cmdFilePrintNormal") << false
            << QStringList{pn, pn, pn, pn, pn, cut};
        QTest::newRow("transaction, Cancel: the job goes on")
            << QStringLiteral("cmdTransactionPrint") << false
            << QStringList{begin, pn, pn, pn, pn, pn, cut, end};
    }
    void closingDuringJob()
    {
        QFETCH(QString, button);
        QFETCH(bool, agree);
        QFETCH(QStringList, rows);
        FileJob job;
        QVERIFY(job.ok);
        job.select("1\n2\n3\n4\n5\n");
        job.cutAtEnd(QStringLiteral("100"));
        frmMain* window = &job.fixture.window();
        QSignalSpy closed(window, &frmMain::closed);
        job.inFirstYield([window] { window->close(); });
        const ModuleFlags* flags = &job.fixture.flags();
        int rowsWhileAsked = -1;
        job.fixture.dialogs().queueAnswer(agree ? Dialogs::Answer::Ok : Dialogs::Answer::Cancel,
                                          [&job, &rowsWhileAsked, flags] {
                                              QVERIFY(flags->FileJobRunning);
                                              rowsWhileAsked = int(job.commandRows().size());
                                          });

        job.fixture.click(button.toLatin1().constData());

        QCOMPARE(job.commandRows(), rows);
        QCOMPARE(rowsWhileAsked, button == QStringLiteral("cmdTransactionPrint") ? 2 : 1);
        QCOMPARE(
            job.fixture.dialogs().prompts(),
            QStringList{QStringLiteral("Printer still CLAIMED or OPENED... Proceed with CLOSE?")});
        QVERIFY(!job.fixture.flags().FileJobRunning && !job.fixture.flags().TransactionActive);
        if (agree) {
            QTRY_COMPARE(closed.size(), 1);
            QCOMPARE(job.fixture.printer().State(), opos::OPOS_S_CLOSED);
            return;
        }
        QCoreApplication::processEvents();
        QCOMPARE(closed.size(), 0);
        QCOMPARE(job.fixture.printer().State(), opos::OPOS_S_IDLE);
        // A later close asks again.
        job.fixture.dialogs().queueAnswer(Dialogs::Answer::Ok);
        window->close();
        QCOMPARE(closed.size(), 1);
        QCOMPARE(job.fixture.dialogs().prompts().size(), 2);
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
        QTest::newRow("looks like an option") << QStringLiteral("--help");
    }
    // A relative name goes as an absolute path, so none reaches the editor as an option.
    void editorGetsThePathLiterally()
    {
        QFETCH(QString, path);
        WindowFixture fixture;
        fixture.type("txtSelection", path);
        fixture.click("cmdEdit");
        const QString absolute =
            path.startsWith(u'/') ? path : QDir::currentPath() + QLatin1Char('/') + path;
        QCOMPARE(fixture.dialogs().editorStarts(), QStringList{absolute});
        QCOMPARE(fixture.dialogs().boxes().size(), 0);
    }

    void editorThatCannotStart()
    {
        WindowFixture fixture;
        fixture.dialogs().setEditorFailure(QStringLiteral("No text editor can be started: why"));
        fixture.type("txtSelection", QStringLiteral("/tmp/a.txt"));
        fixture.click("cmdEdit");
        QCOMPARE(fixture.dialogs().prompts(),
                 QStringList{QStringLiteral("No text editor can be started: why")});
        QCOMPARE(fixture.dialogs().boxes().constFirst().title, QStringLiteral("ERROR MESSAGE"));
        QVERIFY(fixture.dialogs().boxes().constFirst().exclamationIcon);
    }

    void stopInTransaction()
    {
        FileJob job;
        QVERIFY(job.ok);
        job.select("1\n2\n3\n");
        job.cutAtEnd(QStringLiteral("100"));
        WindowFixture* fixture = &job.fixture;
        job.inFirstYield([fixture] { fixture->click("cmdStopJob"); });

        job.fixture.click("cmdTransactionPrint");

        QCOMPARE(job.rows(), (QStringList{row("TransactionPrint(TRANSACTION)", "OPOS_SUCCESS"),
                                          row("PrintNormal()", "OPOS_SUCCESS"),
                                          row("TransactionPrint(NORMAL)", "OPOS_SUCCESS")}));
        QCOMPARE(job.fixture.simPrinter().receipt().size(), 1);
        QVERIFY(!job.fixture.flags().TransactionActive);
    }

    // Outside a job the status bar says why the printer's last call failed; a long reason
    // neither widens nor heightens the window.
    void statusBarShowsLastFailure()
    {
        WindowFixture fixture;
        frmMain& window = fixture.window();
        window.layout()->activate();
        const QSize size = window.minimumSize();
        fixture.type("txtDevice", QStringLiteral("No such printer ").repeated(40));
        fixture.click("cmdOpen");

        const QString reason = fixture.printer().GetPropertyString(QStringLiteral("ErrorString"));
        QVERIFY(!reason.isEmpty());
        QCOMPARE(fixture.widget<QLabel>("lblJobStatus").text(),
                 QStringLiteral("Open() failed: OPOS_E_NOEXIST (%1)").arg(reason));
        window.layout()->activate();
        QCOMPARE(window.minimumSize(), size);
    }

    // A synchronous transaction that ends while earlier asynchronous output still prints waits
    // for it, so the closing call reaches the printer; Stop during that wait closes the
    // transaction asynchronously, behind that output.
    void transactionAfterAsynchronousOutput_data()
    {
        QTest::addColumn<bool>("stopWhileWaiting");
        QTest::newRow("output finishes") << false;
        QTest::newRow("stopped while waiting") << true;
    }
    void transactionAfterAsynchronousOutput()
    {
        QFETCH(bool, stopWhileWaiting);
        FileJob job;
        QVERIFY(job.ok);
        auto gate = std::make_shared<GatePacer>();
        job.fixture.simPrinter().setPacer(gate);
        job.fixture.simPrinter().setOutputSpeed(sim::OutputSpeed::Realistic);
        job.fixture.widget<QCheckBox>("chkAsyncMode").setChecked(true);
        job.fixture.type("txtPrint", QStringLiteral("earlier"));
        job.fixture.click("cmdPrintNormal");
        QCOMPARE(job.fixture.printer().State(), opos::OPOS_S_BUSY);

        job.select("a\nb\n");
        WindowFixture* fixture = &job.fixture;
        QLabel* status = &fixture->widget<QLabel>("lblJobStatus");
        QTimer watch; // acts once the job says it waits
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
            if (status->text() != QStringLiteral("waiting for earlier output to finish"))
                return;
            watch.stop();
            if (stopWhileWaiting)
                fixture->click("cmdStopJob");
            else
                gate->open();
        });
        watch.start();

        job.fixture.click("cmdTransactionPrint");
        gate->open();

        const QString pn = row("PrintNormal()", "OPOS_SUCCESS");
        QCOMPARE(job.commandRows(),
                 (QStringList{pn, row("TransactionPrint(TRANSACTION)", "OPOS_SUCCESS"), pn, pn,
                              row("TransactionPrint(NORMAL)", "OPOS_SUCCESS")}));
        QVERIFY(!watch.isActive());
        QVERIFY(!job.fixture.printer().AsyncMode()); // as the job found it, also after Stop
        QTRY_COMPARE(job.fixture.simPrinter().receipt().size(), 3);
        QCOMPARE(job.fixture.simPrinter().receipt().constLast().text, QStringLiteral("b"));
        // Not left inside the transaction: a new one may begin.
        QTRY_COMPARE(job.fixture.printer().State(), opos::OPOS_S_IDLE);
        QCOMPARE(
            job.fixture.printer().TransactionPrint(opos::PTR_S_RECEIPT, opos::PTR_TP_TRANSACTION),
            opos::OPOS_SUCCESS);
    }

    // The name comes back as chosen, with no extension added.
    void fileDialogKeepsTypedName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("exists");
        QTest::newRow("existing, no extension") << QStringLiteral("noext") << true;
        QTest::newRow("missing, no extension") << QStringLiteral("later") << false;
        QTest::newRow("other extension") << QStringLiteral("receipt.log") << true;
    }
    void fileDialogKeepsTypedName()
    {
        QFETCH(QString, name);
        QFETCH(bool, exists);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        if (exists) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QtDialogs dialogs;
        QTimer::singleShot(0, [name] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->selectFile(name);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        const std::optional<QString> chosen = dialogs.openFile(
            {QStringLiteral("Select TXT File to Print"), QStringLiteral("TXT (*.txt)|*.txt"),
             dir.path(), QStringLiteral("*.txt")});
        QCOMPARE(chosen, std::optional<QString>(dir.filePath(name)));
    }

    // The desktop's default application for text/plain, started with the file as one argument,
    // through fake XDG folders and a recording fake editor on PATH.
    void desktopEditor_data()
    {
        QTest::addColumn<QString>("mimeapps");      // the user's mimeapps.list
        QTest::addColumn<QString>("cache");         // the system's mimeinfo.cache
        QTest::addColumn<QStringList>("entries");   // desktop files: "id|Exec|extra lines"
        QTest::addColumn<QStringList>("arguments"); // FILE stands for the file
        const QString defaults = QStringLiteral("[Default Applications]\ntext/plain=");
        QTest::newRow("file code")
            << defaults + QStringLiteral("fake.desktop") << QString()
            << QStringList{QStringLiteral("fake.desktop|fake-editor --new %F|")}
            << QStringList{QStringLiteral("--new"), QStringLiteral("FILE")};
        QTest::newRow("no file code: appended")
            << defaults + QStringLiteral("fake.desktop") << QString()
            << QStringList{QStringLiteral("fake.desktop|fake-editor|")}
            << QStringList{QStringLiteral("FILE")};
        QTest::newRow("quoted arguments and escapes")
            << defaults + QStringLiteral("fake.desktop") << QString()
            << QStringList{QStringLiteral(
                   "fake.desktop|\"fake-editor\" \"--title=a \\\\\"b\\\\\" %f\" 100%% %u %i|")}
            << QStringList{QStringLiteral("--title=a \"b\" %f"), QStringLiteral("100%"),
                           QStringLiteral("FILE")};
        QTest::newRow("first usable of the list")
            << defaults + QStringLiteral("gone.desktop;term.desktop;hidden.desktop;fake.desktop")
            << QString()
            << QStringList{QStringLiteral("term.desktop|fake-editor -t|Terminal=true"),
                           QStringLiteral("hidden.desktop|fake-editor -h|Hidden=true"),
                           QStringLiteral("fake.desktop|fake-editor %f|")}
            << QStringList{QStringLiteral("FILE")};
        QTest::newRow("program missing: next association")
            << defaults + QStringLiteral("missing.desktop")
            << QStringLiteral("[MIME Cache]\ntext/plain=fake.desktop;")
            << QStringList{QStringLiteral("missing.desktop|no-such-editor %f|"),
                           QStringLiteral("fake.desktop|fake-editor --cached %f|")}
            << QStringList{QStringLiteral("--cached"), QStringLiteral("FILE")};
        QTest::newRow("nothing associated: a common editor on PATH")
            << QString() << QString() << QStringList() << QStringList{QStringLiteral("FILE")};
    }
    void desktopEditor()
    {
        QFETCH(QString, mimeapps);
        QFETCH(QString, cache);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, arguments);
        FakeDesktop desktop;
        QVERIFY(desktop.ok());
        desktop.write(QStringLiteral("config/mimeapps.list"), mimeapps);
        desktop.write(QStringLiteral("system/applications/mimeinfo.cache"), cache);
        for (const QString& entry : entries) {
            const QStringList parts = entry.split(u'|');
            desktop.write(QStringLiteral("data/applications/") + parts[0],
                          QStringLiteral("[Desktop Entry]\nType=Application\nName=Fake\nExec=") +
                              parts[1] + u'\n' + parts[2] + u'\n');
        }
        // A missing file with blanks and shell syntax in its name, as typed.
        const QString file = desktop.dir.filePath(QStringLiteral("not yet $(id) `x`; a b.txt"));
        startTextEditor(file, desktop.environment());

        QStringList expected = arguments;
        expected.replaceInStrings(QStringLiteral("FILE"), file);
        QTRY_VERIFY(QFile::exists(desktop.record()));
        QCOMPARE(desktop.recorded(), expected);
        QVERIFY(!QFile::exists(file));
    }

    void noDesktopEditor()
    {
        FakeDesktop desktop;
        QVERIFY(desktop.ok());
        QVERIFY(QFile::remove(desktop.dir.filePath(QStringLiteral("bin/gnome-text-editor"))));
        desktop.write(QStringLiteral("config/mimeapps.list"),
                      QStringLiteral("[Default Applications]\ntext/plain=gone.desktop\n"));
        QProcessEnvironment env = desktop.environment();
        env.insert(QStringLiteral("PATH"), desktop.dir.filePath(QStringLiteral("bin")));
        try {
            startTextEditor(QStringLiteral("a.txt"), env);
            QFAIL("no editor, but nothing thrown");
        } catch (const std::runtime_error& failure) {
            const QString reason = QString::fromUtf8(failure.what());
            QVERIFY2(reason.contains(QStringLiteral("gone.desktop is not installed")),
                     failure.what());
            QVERIFY2(reason.contains(QStringLiteral("gedit")), failure.what());
        }
    }
};

QTEST_MAIN(TestFilePrint)
#include "test_file_print.moc"

// The record store behind the window's long lists: records come back as stored, from memory or
// from the file; a file that fails to take pages keeps them in memory, one that fails to give
// them back makes the lost records say why; and the file lands in a folder that exists.
#include "services/RecordStore.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <fcntl.h>

using namespace Qt::StringLiterals;

namespace {

// Enough records of 2000 bytes for about a dozen pages, most of which move to the file.
constexpr int kSpillingRecords = 400;

QByteArray record(int index)
{
    return QByteArray("record ").append(QByteArray::number(index)).leftJustified(2000, '.');
}

void fill(RecordStore& store)
{
    for (int i = 0; i < kSpillingRecords; ++i)
        store.append(record(i));
}

} // namespace

class TestRecordStore : public QObject
{
    Q_OBJECT

private slots:
    // Records come back as they went in, whatever their size, whether their page is in memory
    // or in the file, read in any order, and after the store was cut short and filled again.
    void recordsComeBackAsStored_data()
    {
        QTest::addColumn<QList<QByteArray>>("records");
        QTest::addColumn<bool>("spills");
        QTest::newRow("empty and short") << QList<QByteArray>{{}, "a", {}} << false;
        QTest::newRow("larger than a page")
            << QList<QByteArray>{"x", QByteArray("0123456789").repeated(10'000), "y"} << false;
        QList<QByteArray> many;
        for (int i = 0; i < 20'000; ++i) // about thirty pages
            many << QByteArray("line ").append(QByteArray::number(i)).repeated(i % 13 + 1);
        many[7777] = QByteArray(200'000, 'L'); // a long one among them
        QTest::newRow("many pages") << many << true;
    }
    void recordsComeBackAsStored()
    {
        QFETCH(QList<QByteArray>, records);
        QFETCH(bool, spills);
        RecordStore store;
        for (const QByteArray& record : records)
            store.append(record);
        QCOMPARE(store.size(), std::size_t(records.size()));
        QCOMPARE(store.spilled(), spills);
        if (spills)
            QVERIFY(store.residentBytes() < 1'000'000);
        const auto n = std::size_t(records.size());
        for (std::size_t i = 0; i < n; ++i)
            QCOMPARE(store.at(i), records[qsizetype(i)]);
        for (std::size_t i = n; i-- > 0;)
            QCOMPARE(store.at(i), records[qsizetype(i)]);
        for (std::size_t i = 0; i < n; i += 997)
            QCOMPARE(store.at((i * 7919) % n), records[qsizetype((i * 7919) % n)]);
        QCOMPARE(store.at(n), QByteArray());

        const std::size_t kept = n / 3 + 1;
        store.truncate(kept);
        store.append("after");
        QCOMPARE(store.size(), kept + 1);
        QCOMPARE(store.at(kept - 1), records[qsizetype(kept - 1)]);
        QCOMPARE(store.at(kept), QByteArray("after"));
        QCOMPARE(store.at(0), records[0]);

        store.clear();
        store.append("again");
        QCOMPARE(store.size(), std::size_t(1));
        QCOMPARE(store.at(0), QByteArray("again"));
    }

    // When the file cannot be made or takes no pages (a full disk), every page stays in memory
    // and nothing is lost.
    void pagesStayInMemoryWhenTheFileFails_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("cannot be made") << QByteArray();
        QTest::newRow("disk full") << QByteArray("/dev/full");
    }
    void pagesStayInMemoryWhenTheFileFails()
    {
        QFETCH(QByteArray, file);
        RecordStore store(
            [file] { return file.isEmpty() ? -1 : ::open(file.constData(), O_RDWR); });
        fill(store);
        QVERIFY(!store.spilled());
        QVERIFY(store.residentBytes() > std::size_t(kSpillingRecords) * 2000);
        QString lost;
        for (int i = 0; i < kSpillingRecords; ++i) {
            QCOMPARE(store.at(std::size_t(i), &lost), record(i));
            QVERIFY(lost.isEmpty());
        }
    }

    // A page the file does not give back: its records come back empty with the reason, the pages
    // in memory are unharmed, and cutting the store short inside the lost page keeps what can
    // be kept and takes new records.
    void lostRecordsSayWhy()
    {
        QTemporaryFile file;
        QVERIFY(file.open());
        const QByteArray path = QFile::encodeName(file.fileName());
        RecordStore store([path] { return ::open(path.constData(), O_WRONLY); });
        fill(store);
        QVERIFY(store.spilled());

        QString lost;
        QCOMPARE(store.at(0, &lost), QByteArray());
        QVERIFY2(lost.contains(u"could not be read back"_s), qPrintable(lost));
        QVERIFY2(lost.contains(qt_error_string(EBADF)), qPrintable(lost));
        const auto last = std::size_t(kSpillingRecords - 1);
        QCOMPARE(store.at(last, &lost), record(kSpillingRecords - 1));
        QVERIFY(lost.isEmpty());

        store.truncate(10);
        store.append("after");
        QCOMPARE(store.size(), std::size_t(11));
        QCOMPARE(store.at(10, &lost), QByteArray("after"));
        QVERIFY(lost.isEmpty());
        QCOMPARE(store.at(9, &lost), QByteArray());
        QVERIFY(!lost.isEmpty());
        QCOMPARE(store.at(11, &lost), QByteArray());
        QVERIFY(lost.isEmpty());
    }

    // TMPDIR naming a folder that does not exist must not put the file in the root folder.
    void temporaryFolderExists()
    {
        const QByteArray saved = qgetenv("TMPDIR");
        const auto restore = qScopeGuard(
            [&saved] { saved.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", saved); });
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        qputenv("TMPDIR", QFile::encodeName(folder.path()));
        QCOMPARE(RecordStore::temporaryFolder(), QDir(folder.path()).canonicalPath());
        qputenv("TMPDIR", QFile::encodeName(folder.filePath(u"missing"_s)));
        QCOMPARE(RecordStore::temporaryFolder(), u"/tmp"_s);
        RecordStore store;
        fill(store);
        QVERIFY(store.spilled());
        QCOMPARE(store.at(0), record(0));
    }
};

QTEST_GUILESS_MAIN(TestRecordStore)
#include "test_record_store.moc"

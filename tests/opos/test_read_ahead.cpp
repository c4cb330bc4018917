#include "opos/FilePrintLines.h"
#include "opos/ReadAheadLines.h"
#include "support/FileLines.h"

#include <QBuffer>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

// Serves its bytes, holding a read that reaches `gateAt` until open(), and failing every read
// from `failAt` on, as a disk that goes away does.
class GatedDevice : public QIODevice
{
public:
    explicit GatedDevice(QByteArray bytes, qint64 gateAt = -1, qint64 failAt = -1)
        : m_bytes(std::move(bytes)), m_gateAt(gateAt), m_failAt(failAt)
    {
        QIODevice::open(QIODevice::ReadOnly);
    }
    void openGate()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_gateOpen = true;
        }
        m_opened.notify_all();
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (m_failAt >= 0 && m_served >= m_failAt) {
            setErrorString(QStringLiteral("the disk went away"));
            return -1;
        }
        if (m_gateAt >= 0 && m_served >= m_gateAt) {
            std::unique_lock lock(m_mutex);
            m_opened.wait(lock, [this] { return m_gateOpen; });
        }
        qint64 size = std::min<qint64>(maxSize, m_bytes.size() - m_served);
        for (const qint64 limit : {m_gateAt, m_failAt})
            if (limit > m_served)
                size = std::min(size, limit - m_served);
        std::copy_n(m_bytes.constData() + m_served, size, data);
        m_served += size;
        return size;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    const QByteArray m_bytes;
    const qint64 m_gateAt;
    const qint64 m_failAt;
    qint64 m_served = 0; // the reader's thread only
    std::mutex m_mutex;
    std::condition_variable m_opened;
    bool m_gateOpen = false;
};

} // namespace

class TestReadAhead : public QObject
{
    Q_OBJECT

private slots:
    // The lines and their order are those of reading in place, across the batches the reader
    // hands over, the bound of what it reads ahead and lines long enough to be announced.
    void sameLinesAsReadInPlace_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("last line without end") << QByteArray("a\r\nb\rc");
        QTest::newRow("more lines than one batch") << QByteArray("line\n").repeated(10000);
        QTest::newRow("more characters than it reads ahead")
            << QByteArray(QByteArray(1000, 'w') + '\n').repeated(3000);
        QTest::newRow("long lines among short ones")
            << "a\n" + QByteArray(600 * 1024, 'y') + "\nb\n" + QByteArray(300 * 1024, 'z');
        QTest::newRow("Windows-1252 decided after a long line")
            << QByteArray(400 * 1024, 'x') + "\ncaf\xE9\n";
    }
    void sameLinesAsReadInPlace()
    {
        QFETCH(QByteArray, bytes);
        QBuffer buffer;
        buffer.setData(bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        std::atomic<int> arrivals{0};
        QStringList read;
        int laters = 0;
        {
            ReadAheadLines lines(buffer, [&arrivals] { ++arrivals; });
            for (;;) {
                ReadAheadLines::Next next = lines.take();
                if (next.kind == ReadAheadLines::Kind::End)
                    break;
                if (next.kind == ReadAheadLines::Kind::Later) {
                    ++laters;
                    QTRY_VERIFY(lines.ready());
                    continue;
                }
                // Room for the LF the printing adds, so that adding it copies nothing.
                QVERIFY(next.line.capacity() > next.line.size());
                read << next.line;
            }
        }
        QCOMPARE(read, linesOf(bytes));
        QCOMPARE(arrivals.load(), laters);
    }

    // A line still being read is announced rather than waited for; the reader says when it is
    // there, and it comes whole.
    void longLineIsAnnounced()
    {
        const QByteArray longLine(512 * 1024, 'y');
        GatedDevice device("first\n" + longLine + "\nlast", 6 + 300 * 1024);
        std::atomic<int> arrivals{0};
        ReadAheadLines lines(device, [&arrivals] { ++arrivals; });

        QCOMPARE(lines.take().line, QStringLiteral("first"));
        QCOMPARE(lines.take().kind, ReadAheadLines::Kind::Later);
        QVERIFY(!lines.ready());
        QCOMPARE(arrivals.load(), 0);

        device.openGate();
        QTRY_COMPARE(arrivals.load(), 1);
        QVERIFY(lines.ready());
        QCOMPARE(lines.take().line, QString::fromLatin1(longLine));
        QCOMPARE(lines.take().line, QStringLiteral("last"));
        QCOMPARE(lines.take().kind, ReadAheadLines::Kind::End);
        QCOMPARE(arrivals.load(), 1);
    }

    // What was read before a failure still prints; the failure comes after it, with its reason.
    void failureComesAfterTheLinesBeforeIt_data()
    {
        QTest::addColumn<qint64>("failAt");
        QTest::addColumn<QStringList>("before");
        QTest::newRow("at the first read") << qint64(0) << QStringList();
        QTest::newRow("after two lines") << qint64(6) << QStringList{u"ab"_s, u"cd"_s};
    }
    void failureComesAfterTheLinesBeforeIt()
    {
        QFETCH(qint64, failAt);
        QFETCH(QStringList, before);
        GatedDevice device("ab\ncd\nef\n", -1, failAt);
        ReadAheadLines lines(device, [] {});
        QStringList read;
        QString failure;
        try {
            for (auto next = lines.take(); next.kind == ReadAheadLines::Kind::Line;
                 next = lines.take())
                read << next.line;
        } catch (const std::runtime_error& error) {
            failure = QString::fromLocal8Bit(error.what());
        }
        QCOMPARE(read, before);
        QCOMPARE(failure, u"The file cannot be read: the disk went away"_s);
    }

    // A job that ends early lets go of a reader that waits for room to read more.
    void stopsWhileAhead()
    {
        QBuffer buffer;
        buffer.setData(QByteArray("line\n").repeated(100000));
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        auto lines = std::make_unique<ReadAheadLines>(buffer, [] {});
        QCOMPARE(lines->take().line, QStringLiteral("line"));
        lines.reset();
        QVERIFY(buffer.pos() < buffer.size());
    }
};

QTEST_GUILESS_MAIN(TestReadAhead)
#include "test_read_ahead.moc"

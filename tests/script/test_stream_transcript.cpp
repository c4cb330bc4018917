#include "script/StreamTranscript.h"
#include "script/TextWriter.h"

#include <QIODevice>
#include <QTextStream>
#include <QtTest>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// Standard output as the transcript sees it: it takes whatever is written, and can be held shut
// (a pipe whose reader stopped reading) until the test opens it again. The test reads what came
// while the transcript's own thread writes.
class GatedOutput final : public QIODevice
{
public:
    GatedOutput() { open(QIODevice::WriteOnly); }

    void shut()
    {
        const std::lock_guard lock(m_mutex);
        m_shut = true;
    }
    void reopen()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_shut = false;
        }
        m_changed.notify_all();
    }
    QStringList lines() const
    {
        const std::lock_guard lock(m_mutex);
        QStringList lines = QString::fromUtf8(m_written).split(u'\n');
        lines.removeLast(); // after the last line's end
        return lines;
    }
    bool writerWaits() const { return m_writerWaits; }

protected:
    qint64 readData(char* /*data*/, qint64 /*size*/) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        std::unique_lock lock(m_mutex);
        m_writerWaits = m_shut;
        m_changed.wait(lock, [this] { return !m_shut; });
        m_writerWaits = false;
        m_written.append(data, size);
        return size;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    QByteArray m_written;
    bool m_shut = false;
    std::atomic<bool> m_writerWaits = false;
};

QString numbered(int i)
{
    return QStringLiteral(
               "2026-01-02T03:04:05.678Z  printer  PrintNormal(PTR_S_RECEIPT, \"%1 ü\")  "
               "OPOS_SUCCESS")
        .arg(i);
}

// The lines as they come out of a transcript given them one by one.
QStringList linesThrough(const QStringList& lines)
{
    GatedOutput output;
    {
        QTextStream stream(&output);
        script::StreamTranscript transcript(stream);
        for (const QString& line : lines)
            transcript.transcriptLine(line);
    }
    return output.lines();
}

} // namespace

class TestStreamTranscript : public QObject
{
    Q_OBJECT

private slots:
    void linesShowWithoutAFlush();
    void aLongRunArrivesWholeAndInOrder();
    void aStalledOutputHoldsTheRunnerBack();
    void linesLongerThanTheRingArriveWhole();
    void aCharacterPairAcrossTheRingsEndArrivesWhole();
    void aFileHoldsTheLinesOnceFlushed();
    void textsOfEveryLengthKeepTheirCharacters();
};

void TestStreamTranscript::linesShowWithoutAFlush()
{
    // A person watching the run sees each line soon after it happened, also when the runner
    // then waits in a long call and writes nothing more.
    GatedOutput output;
    QTextStream stream(&output);
    script::StreamTranscript transcript(stream);
    transcript.transcriptLine(numbered(1));
    transcript.transcriptLine(numbered(2));
    QTRY_COMPARE(output.lines(), QStringList({numbered(1), numbered(2)}));
    transcript.transcriptLine(numbered(3));
    QTRY_COMPARE(output.lines().size(), 3);
}

void TestStreamTranscript::aLongRunArrivesWholeAndInOrder()
{
    // Lines gathered into blocks: none lost, none split, none out of order, all written once
    // the transcript has ended, whether or not the writer had its turn before.
    constexpr int kLines = 20'000;
    GatedOutput output;
    {
        QTextStream stream(&output);
        script::StreamTranscript transcript(stream);
        for (int i = 0; i < kLines / 2; ++i)
            transcript.transcriptLine(numbered(i));
        transcript.flush();
        QCOMPARE(output.lines().size(), kLines / 2);
        for (int i = kLines / 2; i < kLines; ++i)
            transcript.transcriptLine(numbered(i));
    }
    const QStringList lines = output.lines();
    QCOMPARE(lines.size(), kLines);
    for (int i = 0; i < kLines; ++i)
        QCOMPARE(lines[i], numbered(i));
}

void TestStreamTranscript::aStalledOutputHoldsTheRunnerBack()
{
    // A reader that stops reading (a paused pager) must stop the run, not let the transcript
    // gather in memory without bound; once it reads again, everything arrives.
    constexpr int kLines = 100'000; // about 10 MB of transcript
    GatedOutput output;
    QTextStream stream(&output);
    std::atomic<int> given = 0;
    {
        script::StreamTranscript transcript(stream);
        output.shut();
        std::thread runner([&] {
            for (int i = 0; i < kLines; ++i) {
                transcript.transcriptLine(numbered(i));
                given = i + 1;
            }
        });
        const auto finish = qScopeGuard([&] {
            output.reopen();
            runner.join();
        });
        QTRY_VERIFY(output.writerWaits());
        QTRY_VERIFY(given > 1000);
        // Held back, the runner cannot finish however long it is given: nothing of its pace
        // is measured, only that it stays behind the shut output.
        QVERIFY2(!QTest::qWaitFor([&] { return given == kLines; }, 500),
                 "the runner ran on while nothing could be written");
    }
    QCOMPARE(given, kLines);
    QCOMPARE(output.lines().size(), kLines);
}

void TestStreamTranscript::linesLongerThanTheRingArriveWhole()
{
    // A line longer than all the room the transcript keeps (a huge ErrorString, say) goes out
    // in pieces as room is made, between whole lines on either side, wide characters intact.
    using script::StreamTranscript;
    QString huge;
    for (qsizetype i = 0; huge.size() < 2 * StreamTranscript::kRingChars + 7; ++i)
        huge += QStringLiteral("%1 € ").arg(i);
    const QStringList expected{numbered(1), huge, QString(), numbered(2), huge.left(1000)};
    QCOMPARE(linesThrough(expected), expected);
}

void TestStreamTranscript::aCharacterPairAcrossTheRingsEndArrivesWhole()
{
    // A character outside the basic plane is two UTF-16 units; placed so that the ring's end
    // falls between them, with plain text long enough for the wide steps before and after it.
    using script::StreamTranscript;
    const QString clef = QString::fromUcs4(U"\U0001D11E");
    const QStringList expected{QString(StreamTranscript::kRingChars - 2, u'a'),
                               clef + QStringLiteral("x and more than sixteen characters"),
                               QStringLiteral("caf\u00E9 ") + clef + QString(40, u'b')};
    QCOMPARE(linesThrough(expected), expected);
}

void TestStreamTranscript::aFileHoldsTheLinesOnceFlushed()
{
    // Standard output is a file: what the transcript wrote must be in it, not in a buffer of
    // the file's, once the transcript has flushed.
    QTemporaryFile file;
    QVERIFY(file.open());
    QTextStream stream(&file);
    script::StreamTranscript transcript(stream);
    transcript.transcriptLine(numbered(1));
    transcript.flush();
    QFile reader(file.fileName());
    QVERIFY(reader.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(reader.readAll()), numbered(1) + u'\n');
}

void TestStreamTranscript::textsOfEveryLengthKeepTheirCharacters()
{
    // Plain ASCII is widened and narrowed in wide steps with shorter ones at the end; a wide
    // character anywhere, or none, must come through as it was, whatever the length.
    for (int length = 0; length <= 40; ++length) {
        for (int wideAt = -1; wideAt < length; ++wideAt) {
            QString text;
            for (int i = 0; i < length; ++i)
                text += i == wideAt ? QChar(u'\u00E9') : QChar(u'a' + i % 26);
            const QByteArray utf8 = text.toUtf8();
            QByteArray encoded(3 * text.size(), '\0');
            encoded.truncate(script::encodeUtf8(encoded.data(), text) - encoded.constData());
            QCOMPARE(encoded, utf8);
            QString decoded(utf8.size(), Qt::Uninitialized);
            decoded.truncate(script::decodeUtf8(decoded.data(), utf8) - decoded.constData());
            QCOMPARE(decoded, text);
            QString fromLatin1;
            {
                script::TextWriter writer(fromLatin1);
                writer.put(QLatin1String(text.toLatin1()));
            }
            QCOMPARE(fromLatin1, text);
        }
    }
}

QTEST_GUILESS_MAIN(TestStreamTranscript)
#include "test_stream_transcript.moc"

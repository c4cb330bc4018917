#include "backends/escpos/DeviceStatus.h"
#include "backends/escpos/EscPosTranslator.h"
#include "backends/netprinter/EscPosInterpreter.h"
#include "backends/sim/ReceiptImage.h"
#include "backends/sim/ReceiptRoll.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/TextEncoder.h"
#include "support/ReceiptDecoder.h"

#include <QTest>

using namespace netprinter;
using namespace Qt::StringLiterals;
using Kind = sim::ReceiptItem::Kind;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

// An interpreter over fresh simulated devices, with what it answered and said.
struct Bench
{
    mutable sim::SimulatedDevices devices;
    VirtualPrinterDevice device{devices.printer(), devices.cashDrawer()};
    QByteArray replies;
    QStringList transcript;
    int cuts = 0;
    EscPosInterpreter interpreter{device, output()};

    EscPosInterpreter::Output output()
    {
        return {[this](QByteArrayView bytes) { replies.append(bytes); },
                [this](const QString& line) { transcript.append(line); }, [this] { ++cuts; }};
    }
    // Feeds the stream whole, or one byte at a time: framing must not depend on the chunks.
    void feed(const QByteArray& bytes, bool bytewise = false)
    {
        if (!bytewise) {
            interpreter.feed(bytes);
            return;
        }
        for (const char c : bytes)
            interpreter.feed(QByteArrayView(&c, 1));
    }
    QStringList lines() const
    {
        QStringList texts;
        for (const auto& item : devices.printer().receipt())
            if (item.kind == Kind::Line)
                texts << item.text;
        return texts;
    }
    bool said(const QString& part) const
    {
        return std::any_of(transcript.cbegin(), transcript.cend(),
                           [&part](const QString& line) { return line.contains(part); });
    }
};

// What a person sees of an item: the comparison of the two roads to the roll.
QString look(const sim::ReceiptItem& item)
{
    QString runs;
    for (const auto& run : item.runs)
        runs += QStringLiteral("[%1%2%3%4 %5]")
                    .arg(run.bold ? u'b' : u'-')
                    .arg(run.underline ? u'u' : u'-')
                    .arg(run.doubleWidth ? u'w' : u'-')
                    .arg(run.doubleHeight ? u'h' : u'-')
                    .arg(run.text);
    return QStringLiteral("%1 %2 %3 %4 %5")
        .arg(static_cast<int>(item.kind))
        .arg(static_cast<int>(item.align))
        .arg(item.lines)
        .arg(item.text, runs);
}

} // namespace

// The ESC/POS interpreter of the network printer: streams in, receipt items and status bytes
// out, against the simulated devices.
class TestNetworkPrinter : public QObject
{
    Q_OBJECT

private slots:
    // A job the bench's own ESC/POS encoder writes looks on the roll as the same print data
    // printed through the control layer.
    void encoderStreamsLookTheSameByEitherRoad_data()
    {
        QTest::addColumn<QString>("data");
        const auto esc = [](const char* rest) -> QString {
            return QStringLiteral("\x1b|") + QLatin1String(rest);
        };
        QTest::newRow("plain") << QStringLiteral("Hello\nWorld\n");
        QTest::newRow("styles") << esc("bCBold") + esc("N ") + esc("uCUnder") + esc("N ") +
                                       esc("2CWide") + esc("N ") + esc("3CHigh") + esc("N ") +
                                       esc("4CBoth\n");
        QTest::newRow("alignment") << esc("cACentre\n") + esc("rARight\n") + QStringLiteral("L\n");
        QTest::newRow("feed and cuts") << QStringLiteral("A\n") + esc("3lF") +
                                              QStringLiteral("B\n") + esc("75P") + esc("100fP");
        QTest::newRow("wrapping") << QString(100, u'x') + QStringLiteral("\n");
        QTest::newRow("code page") << QStringLiteral("Grüße 12 €\n");
    }
    void encoderStreamsLookTheSameByEitherRoad()
    {
        QFETCH(QString, data);
        opos::TextEncoder encoder(858);
        escpos::EscPosTranslator translator(0);
        Bench bench;
        bench.feed(escpos::cmd::initialise() + escpos::cmd::codeTable(19) +
                   translator.translate(data, encoder));

        sim::ReceiptRoll direct;
        opos::PrintDataParser parser;
        for (const auto& segment : parser.parse(data))
            direct.add(segment, 48, sim::ReceiptRoll::kLinesToCutter);
        QStringList expected;
        for (const auto& item : direct.items())
            expected << look(item);
        QStringList actual;
        for (const auto& item : bench.devices.printer().receipt())
            actual << look(item);
        QCOMPARE(actual, expected);
    }

    // Hand-written streams, one per command family, fed whole and byte by byte.
    void interpretsCommandFamilies_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("transcribed");
        const auto row = [](const char* name, const QByteArray& stream,
                            std::initializer_list<const char*> lines, const char* said) {
            QStringList texts;
            for (const char* line : lines)
                texts << QString::fromUtf8(line);
            QTest::newRow(name) << stream << texts << QString::fromUtf8(said);
        };
        row("ESC ! modes", hex("1b2138") + "Big" + hex("1b2100 0a"), {"Big"}, "print mode");
        row("tab stops to 8", "A\tB\n", {"A       B"}, "text \"A");
        row("ESC t PC850", hex("1b7402 9c 0a"), {"£"}, "code table");
        row("ESC t 1252", hex("1b7410 80 0a"), {"€"}, "code table");
        row("ESC t 866", hex("1b7411 80 0a"), {"\u0410"}, "code table");
        row("unknown code table keeps the table", hex("1b7463 41 0a"), {"A"},
            "code table 99 is not known");
        row("ESC J dots feed", "A" + hex("1b4a3c") + "B\n", {"A", "B"}, "feed dots");
        row("barcode with its text below", hex("1d6850 1d7702 1d4802 1d6b 49 05 7b42 616263"),
            {"abc"}, "barcode");
        row("barcode NUL-terminated", hex("1d6b04 414243 00") + "after\n", {"after"},
            "barcode: ABC");
        row("barcode with bad data stays text", hex("1d6b02 414243 00"), {"[EAN-13] ABC"},
            "not drawn: EAN-13 takes digits only");
        row("barcode wider than the paper stays text",
            hex("1d7706 1d6b 49 1a 7b42") + QByteArray(24, 'x'),
            {"[CODE128] {Bxxxxxxxxxxxxxxxxxxxxxxxx"}, "wider than the paper's 576");
        row("GS1-128 stays text", hex("1d6b 4a 02 3031"), {"[GS1-128] 01"}, "not drawn");
        row("QR code",
            hex("1d286b 0400 31 41 32 00  1d286b 0300 31 43 06  1d286b 0300 31 45 31"
                "1d286b 0800 31 50 30 68656c6c6f  1d286b 0300 31 51 30"),
            {}, "QR code data, 5 bytes");
        row("PDF417", hex("1d286b 0600 30 50 30 706466  1d286b 0300 30 51 30"), {}, "print PDF417");
        row("GS 8 L long form", hex("1d384c 0c000000 30 70 30 01 01 31 0800 0200 ff00"), {},
            "store graphics");
        row("unknown ESC skipped", hex("1b7e") + "After\n", {"After"}, "unknown 1B 7E");
        row("unknown GS ( skipped by its length", hex("1d287a 0300 616263") + "After\n", {"After"},
            "skipped with its 3 data bytes");
        row("unknown control bytes", hex("000102") + "After\n", {"After"},
            "unknown 00 01 02 (3 bytes skipped)");
        row("DLE DC4 buffer clear framed", hex("101408 01 03 14 01 06 02 08") + "After\n",
            {"After"}, "real-time buffer clear");
    }
    void interpretsCommandFamilies()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QStringList, lines);
        QFETCH(QString, transcribed);
        for (const bool bytewise : {false, true}) {
            Bench bench;
            bench.feed(stream, bytewise);
            bench.interpreter.finish();
            QCOMPARE(bench.lines(), lines);
            QVERIFY2(bench.said(transcribed), qPrintable(bench.transcript.join(u'\n')));
        }
    }

    // Symbols and images sent as bytes come out as the pictures the control layer would print:
    // a scanner reads the symbols back, and images keep their size, dots and alignment.
    void drawsSymbolsAndImagesOnTheRoll()
    {
        Bench bench;
        bench.feed(hex("1b6101 1d286b 0300 31 43 05  1d286b 0f00 31 50 30") + "HELLO-QR-123" +
                   hex("1d286b 0300 31 51 30"));
        bench.feed(hex("1b6100 1d6850 1d7702 1d4802 1d6b 49 0b 7b42") + "ABC" +
                   hex("7b43 0c22 38 4e") + "\n");
        const auto items = bench.devices.printer().receipt();
        QCOMPARE(items.size(), 4); // the QR code, the bars, their text, the empty line
        QCOMPARE(items[0].kind, Kind::Picture);
        QCOMPARE(items[0].picture->width % 5, 0); // 5-dot modules
        QCOMPARE(items[0].left, (receipt_image::kDotsAcross - items[0].picture->width) / 2);
        QCOMPARE(items[1].kind, Kind::Picture);
        QCOMPARE(items[1].picture->height, 80);
        QCOMPARE(items[1].left, 0);
        QCOMPARE(items[2].text, u"ABC12345678"_s);

        QStringList found;
        for (const auto& symbol : decodeSymbols(receipt_image::render(items)))
            found << symbol.format + u' ' + symbol.text;
        found.sort();
        QCOMPARE(found, QStringList({u"Code128 ABC12345678"_s, u"QRCode HELLO-QR-123"_s}));

        // GS v 0 (16 x 3 dots) right-aligned, and ESC * 24-dot columns, dot for dot.
        Bench images;
        images.feed(
            hex("1b6102 1d7630 00 0200 0300 ff00 0000 00ff  1b6100 1b2a 21 0200 800000 000001"));
        const auto pictures = images.devices.printer().receipt();
        QCOMPARE(pictures.size(), 2);
        const opos::DotImage& raster = *pictures[0].picture;
        QCOMPARE(raster.width, 16);
        QCOMPARE(raster.height, 3);
        QCOMPARE(pictures[0].left, receipt_image::kDotsAcross - 16);
        QVERIFY(raster.dot(0, 0) && raster.dot(7, 0) && !raster.dot(8, 0));
        QVERIFY(!raster.dot(0, 1) && raster.dot(15, 2) && !raster.dot(7, 2));
        const opos::DotImage& columns = *pictures[1].picture;
        QCOMPARE(columns.width, 2);
        QCOMPARE(columns.height, 24);
        QVERIFY(columns.dot(0, 0) && !columns.dot(0, 1) && columns.dot(1, 23) &&
                !columns.dot(1, 0));
    }

    void stylesReachTheRoll()
    {
        Bench bench;
        bench.feed(hex("1b40 1b4501") + "B" + hex("1b4500 1b2d01") + "U" + hex("1b2d00 1d2111") +
                   "W" + hex("1d2100 0a 1b6102") + "R\n" + hex("1d5642 03"));
        const auto items = bench.devices.printer().receipt();
        QCOMPARE(items.size(), 4); // two lines, the feed to the blade, the cut
        QCOMPARE(items[0].runs.size(), 3);
        QVERIFY(items[0].runs[0].bold && !items[0].runs[0].underline);
        QVERIFY(items[0].runs[1].underline && !items[0].runs[1].bold);
        QVERIFY(items[0].runs[2].doubleWidth && items[0].runs[2].doubleHeight);
        QCOMPARE(items[1].align, sim::ReceiptItem::Align::Right);
        QCOMPARE(items[2].kind, Kind::Feed);
        QCOMPARE(items[3].kind, Kind::PartialCut);
        QCOMPARE(bench.cuts, 1);
    }

    // Status answers bit for bit, and the bench's own decoder reads them back as the state.
    void answersStatusFromTheDevice_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QByteArray>("realTime"); // DLE EOT 1, 2, 3, 4
        QTest::addColumn<QByteArray>("transmit"); // GS r 1, GS r 2
        QTest::addColumn<QByteArray>("automatic");
        QTest::newRow("idle") << 0 << hex("12121212") << hex("0000") << hex("10000000");
        QTest::newRow("cover open") << 1 << hex("1a161212") << hex("0000") << hex("38000000");
        QTest::newRow("paper near end") << 2 << hex("1212121e") << hex("0300") << hex("10000300");
        QTest::newRow("paper out") << 3 << hex("1a321272") << hex("0c00") << hex("18000c00");
        QTest::newRow("offline") << 4 << hex("1a121212") << hex("0000") << hex("18000000");
        QTest::newRow("drawer open") << 5 << hex("16121212") << hex("0001") << hex("14000000");
    }
    void answersStatusFromTheDevice()
    {
        QFETCH(int, fault);
        QFETCH(QByteArray, realTime);
        QFETCH(QByteArray, transmit);
        QFETCH(QByteArray, automatic);
        Bench bench;
        auto& printer = bench.devices.printer();
        printer.setCoverOpen(fault == 1);
        printer.setPaper(fault == 2   ? opos::PaperState::NearEnd
                         : fault == 3 ? opos::PaperState::Empty
                                      : opos::PaperState::Ok);
        printer.setPower(fault == 4 ? opos::PowerState::Offline : opos::PowerState::Online);
        if (fault == 5)
            bench.devices.cashDrawer().kick();

        bench.feed(hex("100401 100402 100403 100404"));
        QCOMPARE(bench.replies.toHex(), realTime.toHex());
        const auto byte = [&realTime](int i) { return static_cast<uint8_t>(realTime[i]); };
        const auto decoded = escpos::decodeRealTime(byte(0), byte(1), byte(3));
        QCOMPARE(decoded.coverOpen, fault == 1);
        QCOMPARE(decoded.paperNearEnd, fault == 2);
        QCOMPARE(decoded.paperEnd, fault == 3);
        QCOMPARE(decoded.offline, fault == 1 || fault == 3 || fault == 4);
        QCOMPARE(decoded.drawerHigh, fault == 5);

        // A printer that cannot print answers GS r only after it printed what came before.
        bench.replies.clear();
        bench.feed(hex("1d7201 1d7202 1d61ff"));
        if (fault == 1 || fault == 3 || fault == 4) {
            QVERIFY(bench.replies.isEmpty());
            printer.setCoverOpen(false);
            printer.setPaper(opos::PaperState::Ok);
            printer.setPower(opos::PowerState::Online);
            bench.interpreter.deviceChanged();
            // The held requests are answered once printed, from the state as it is then.
            QCOMPARE(bench.replies.toHex(), QByteArray("000010000000"));
            return;
        }
        QCOMPARE(bench.replies.toHex(), QByteArray(transmit + automatic).toHex());
        escpos::ReplySorter sorter;
        sorter.feed(bench.replies);
        const auto frames = sorter.takeFrames();
        QCOMPARE(frames.size(), size_t{1});
        QCOMPARE(escpos::decodeAutoStatus(frames[0]).paperNearEnd, fault == 2);
        QCOMPARE(escpos::decodeAutoStatus(frames[0]).drawerHigh, fault == 5);
    }

    void automaticStatusFollowsTheWindow()
    {
        Bench bench;
        auto& printer = bench.devices.printer();
        bench.feed(hex("1d61ff"));
        printer.setCoverOpen(true);
        bench.interpreter.deviceChanged();
        bench.interpreter.deviceChanged(); // nothing changed: nothing sent
        printer.setCoverOpen(false);
        bench.interpreter.deviceChanged();
        QCOMPARE(bench.replies.toHex(), QByteArray("10000000"
                                                   "38000000"
                                                   "10000000"));
        bench.feed(hex("1d6100"));
        printer.setPaper(opos::PaperState::NearEnd);
        bench.interpreter.deviceChanged();
        QCOMPARE(bench.replies.size(), 12);
    }

    // While the cover is open the job waits; real-time requests are answered meanwhile.
    void holdsTheJobUntilThePrinterIsReady()
    {
        Bench bench;
        bench.devices.printer().setCoverOpen(true);
        bench.feed("Held\n" + hex("100402 1d7201"));
        QCOMPARE(bench.replies.toHex(), QByteArray("16"));
        QVERIFY(bench.lines().isEmpty());
        bench.devices.printer().setCoverOpen(false);
        bench.interpreter.deviceChanged();
        QCOMPARE(bench.lines(), QStringList{u"Held"_s});
        QCOMPARE(bench.replies.toHex(), QByteArray("1600"));
        QVERIFY(bench.said(u"held bytes"_s));
    }

    void switchedOffAnswersNothing()
    {
        Bench bench;
        bench.devices.printer().setPower(opos::PowerState::OffOffline);
        bench.interpreter.deviceChanged();
        bench.feed("Lost\n" + hex("100401"));
        QVERIFY(bench.replies.isEmpty());
        QVERIFY(bench.lines().isEmpty());
        QVERIFY(bench.said(u"switched off"_s));
        bench.devices.printer().setPower(opos::PowerState::Online);
        bench.interpreter.deviceChanged();
        bench.feed(hex("100401"));
        QCOMPARE(bench.replies.toHex(), QByteArray("12"));
    }

    void drawerPulsesOpenTheDrawer()
    {
        Bench bench;
        auto& drawer = bench.devices.cashDrawer();
        bench.feed(hex("1b7000 19fa"));
        QVERIFY(drawer.isOpen());
        drawer.closeByHand();
        bench.devices.printer().setCoverOpen(true); // the real-time pulse works while offline
        bench.interpreter.deviceChanged();
        bench.feed(hex("10140100 01"));
        QVERIFY(drawer.isOpen());
        QVERIFY(bench.said(u"the drawer opens"_s));
    }

    void printerIdAnswers()
    {
        Bench bench;
        bench.feed(hex("1d4901 1d4902 1d4943 1d4999"));
        QCOMPARE(bench.replies.left(2).toHex(), QByteArray("2002"));
        QVERIFY(bench.replies.mid(2).startsWith("_Virtual receipt printer"));
        QVERIFY(bench.said(u"no answer"_s));
    }

    // A declared 4 GB image is skipped as it arrives: memory stays bounded, nothing is drawn,
    // and the end of the stream says what was cut short.
    void hugeImagesCostBoundedMemory()
    {
        Bench bench;
        bench.feed(hex("1d7630 00 ffff ffff"));
        const QByteArray chunk(1 << 20, '\x55');
        for (int i = 0; i < 12; ++i) {
            bench.feed(chunk);
            QVERIFY(bench.interpreter.heldBytes() == 0);
        }
        bench.interpreter.finish();
        QVERIFY(bench.said(u"before the end of GS v 0"_s));
        QVERIFY(bench.lines().isEmpty());

        // The same image declared, then held while the cover is open: the hold has a ceiling
        // that the reader respects, and real-time requests still come through.
        Bench held;
        held.devices.printer().setCoverOpen(true);
        held.interpreter.deviceChanged();
        held.feed(QByteArray(EscPosInterpreter::kMaxHeld, 'x') + hex("100402"));
        QCOMPARE(held.replies.toHex(), QByteArray("16"));
        QCOMPARE(held.interpreter.heldBytes(), EscPosInterpreter::kMaxHeld);
    }
};

QTEST_MAIN(TestNetworkPrinter)
#include "test_network_printer.moc"

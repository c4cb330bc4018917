#include "backends/escpos/GraphicCommands.h"
#include "backends/escpos/Resolvers.h"
#include "opos/BarcodeSymbols.h"
#include "opos/DeviceRegistry.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "support/FakeEscPosPrinter.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using testing::FakeEscPosPrinter;
using namespace opos;
using namespace Qt::StringLiterals;

namespace {

const QString kFast = u"statusTimeout=300&jobTimeout=2000&pollInterval=30"_s;

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

GraphicRequest barcode(int32_t symbology, const QByteArray& data, int module, int height,
                       Placement::Align align = Placement::Align::Centre, int left = 0)
{
    GraphicRequest r;
    r.kind = GraphicRequest::Kind::BarCode;
    r.station = PTR_S_RECEIPT;
    r.placement = {align, left};
    r.symbology = symbology;
    r.data = data;
    r.moduleDots = module;
    r.heightDots = height;
    r.textPosition = PTR_BC_TEXT_BELOW;
    r.columns = 95;
    return r;
}

GraphicRequest picture(int width, int height, Placement::Align align, int left = 0)
{
    auto dots = std::make_shared<DotImage>(width, height);
    for (int y = 0; y < height; ++y)
        dots->setDot((y * 7) % width, y); // a diagonal, different in every row
    GraphicRequest r;
    r.kind = GraphicRequest::Kind::Bitmap;
    r.station = PTR_S_RECEIPT;
    r.placement = {align, left};
    r.image = dots;
    return r;
}

} // namespace

// The ESC/POS commands for barcodes, 2D symbols and raster images, byte for byte, and the
// printer backend sending them under the control layer's checks.
class TestEscPosGraphics : public QObject
{
    Q_OBJECT

    opos::DeviceRegistry registry;
    std::unique_ptr<FakeEscPosPrinter> fake;
    std::unique_ptr<PosPrinter> printer;
    QTemporaryDir folder;

    void enablePrinter(const QString& extra = {})
    {
        printer = std::make_unique<PosPrinter>(registry, ControlOptions{});
        QCOMPARE(printer->Open(fake->address(kFast + extra)), OPOS_SUCCESS);
        QCOMPARE(printer->ClaimDevice(1000), OPOS_SUCCESS);
        printer->SetDeviceEnabled(true);
        QVERIFY(printer->DeviceEnabled());
    }

    QList<QByteArray> graphics() const
    {
        QList<QByteArray> found;
        for (const auto& event : fake->events())
            if (event.kind == FakeEscPosPrinter::Event::Kind::Graphic)
                found << event.data;
        return found;
    }

private slots:
    void initTestCase() { escpos::addResolvers(registry, QString()); }
    void init() { fake = std::make_unique<FakeEscPosPrinter>(); }
    void cleanup()
    {
        printer.reset();
        fake.reset();
    }

    void linearLayouts_data()
    {
        QTest::addColumn<int>("symbology");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("expected");
        // ESC a 1, GS h 80, GS w 3, GS H 2, GS f 0, GS k m n data, ESC a 0
        const QByteArray head = hex("1b6101 1d6850 1d7703 1d4802 1d6600");
        const QByteArray tail = hex("1b6100");
        QTest::newRow("EAN-13") << PTR_BCS_EAN13 << QByteArray("4006381333931")
                                << head + hex("1d6b430d") + "4006381333931" + tail;
        QTest::newRow("Code 128, set B, brace doubled")
            << PTR_BCS_Code128 << QByteArray("Ab{1") << head + hex("1d6b4907") + "{BAb{{1" + tail;
        QTest::newRow("Code 128, set C for even digits")
            << PTR_BCS_Code128 << QByteArray("123456")
            << head + hex("1d6b4905") + "{C" + hex("0c2238") + tail;
        QTest::newRow("Code 128, set A for control characters")
            << PTR_BCS_Code128 << QByteArray("AB\t") << head + hex("1d6b4905") + "{AAB\t" + tail;
        QTest::newRow("Codabar") << PTR_BCS_Codabar << QByteArray("A40156B")
                                 << head + hex("1d6b4707") + "A40156B" + tail;
    }

    void linearLayouts()
    {
        QFETCH(int, symbology);
        QFETCH(QByteArray, data);
        const auto out = escpos::graphicCommands(barcode(symbology, data, 3, 80), 576);
        QVERIFY(out.refusal.isEmpty());
        QTEST(out.bytes, "expected");
    }

    void twoDimensionalLayouts()
    {
        auto qr = barcode(PTR_BCS_QRCODE, "https://a.b/c", 6, 6);
        qr.placement = {Placement::Align::Right, 0};
        QCOMPARE(escpos::graphicCommands(qr, 576).bytes, hex("1b6102"
                                                             "1d286b0400314132 00"
                                                             "1d286b0300314306"
                                                             "1d286b0300314531"
                                                             "1d286b10003150 30") +
                                                             "https://a.b/c" +
                                                             hex("1d286b0300315130 1b6100"));
        auto pdf = barcode(PTR_BCS_PDF417, "PDF", 3, 9, Placement::Align::At, 300);
        pdf.columns = 2;
        QCOMPARE(escpos::graphicCommands(pdf, 576).bytes,
                 hex("1b6100 1d4c2c01"
                     "1d286b0300304102"
                     "1d286b0300304200"
                     "1d286b0300304303"
                     "1d286b0300304403"
                     "1d286b040030453032"
                     "1d286b06003050 30") +
                     "PDF" + hex("1d286b0300305130 1b6100 1d4c0000"));
    }

    void rasterInBands()
    {
        const GraphicRequest image = picture(20, 300, Placement::Align::Centre);
        const QByteArray bytes = escpos::graphicCommands(image, 576).bytes;
        QVERIFY(bytes.startsWith(hex("1b6101")));
        QVERIFY(bytes.endsWith(hex("1b6100")));
        // Three bands: 128, 128 and 44 rows of 3 bytes, each row as the image holds it.
        qsizetype at = 3;
        int row = 0;
        for (const int rows : {128, 128, 44}) {
            QCOMPARE(bytes.mid(at, 8), hex("1d763000 0300") + char(rows) + char(0));
            at += 8;
            for (int y = 0; y < rows; ++y, ++row, at += 3)
                QCOMPARE(bytes.mid(at, 3), QByteArray(image.image->row(row), 3));
        }
        QCOMPARE(at + 3, bytes.size());
        // Placed at a distance: the dots move right, the printer stays left-aligned.
        const QByteArray shifted =
            escpos::graphicCommands(picture(8, 1, Placement::Align::At, 3), 576).bytes;
        QCOMPARE(shifted, hex("1b6100 1d7630000200 0100 1000 1b6100"));
    }

    void refusals()
    {
        const auto thin =
            escpos::graphicCommands(barcode(PTR_BCS_EAN13, "4006381333931", 1, 80), 576);
        QVERIFY(thin.bytes.isEmpty());
        QVERIFY(thin.refusal.contains(u"narrowest bar is 2 dots"_s));
        const auto tall =
            escpos::graphicCommands(barcode(PTR_BCS_EAN13, "4006381333931", 2, 256), 576);
        QVERIFY(tall.refusal.contains(u"at most 255 dots high"_s));
        // Code 128 as this printer encodes it (set B) is wider than the symbol checked before.
        const auto wide =
            escpos::graphicCommands(barcode(PTR_BCS_Code128, QByteArray(20, 'a'), 3, 50), 576);
        QVERIFY(wide.tooBig);
        QCOMPARE(wide.refusal, u"The symbol is 765 dots wide on this printer; 576 fit"_s);
    }

    void printerSendsWhatTheControlChecked()
    {
        enablePrinter();
        QVERIFY(printer->GetPropertyFlag(u"CapRecBarCode"_s));
        QVERIFY(printer->GetPropertyFlag(u"CapRecBitmap"_s));
        QCOMPARE(printer->PrintBarCode(PTR_S_RECEIPT, u"https://example.com"_s, PTR_BCS_QRCODE, 200,
                                       200, PTR_BC_CENTER, PTR_BC_TEXT_NONE),
                 OPOS_SUCCESS);
        QImage logo(100, 20, QImage::Format_RGB32);
        logo.fill(Qt::black);
        const QString path = folder.filePath(u"logo.png"_s);
        QVERIFY(logo.save(path));
        QCOMPARE(printer->PrintBitmap(PTR_S_RECEIPT, path, PTR_BM_ASIS, PTR_BM_LEFT), OPOS_SUCCESS);
        const QList<QByteArray> sent = graphics();
        QCOMPARE(sent.size(), 6);                   // five QR code functions and one raster band
        QCOMPARE(sent[1], hex("1d286b0300314308")); // 200 dots / 25 modules
        QVERIFY(sent[3].endsWith("https://example.com"));
        QCOMPARE(sent[5].left(8), hex("1d763000 0d00 1400"));
        QCOMPARE(sent[5].mid(8, 13), hex("ffffffffffffffffffffffff f0"));
        // A refused symbol sends nothing.
        fake->clear();
        QCOMPARE(printer->PrintBarCode(PTR_S_RECEIPT, u"4006381333937"_s, PTR_BCS_EAN13, 80, 300,
                                       PTR_BC_CENTER, PTR_BC_TEXT_NONE),
                 OPOS_E_ILLEGAL);
        QVERIFY(graphics().isEmpty());
    }

    void narrowPaperBoundsTheImage()
    {
        enablePrinter(u"&lineWidth=384"_s);
        QImage logo(400, 10, QImage::Format_RGB32);
        logo.fill(Qt::black);
        const QString path = folder.filePath(u"wide.png"_s);
        QVERIFY(logo.save(path));
        QCOMPARE(printer->PrintBitmap(PTR_S_RECEIPT, path, PTR_BM_ASIS, PTR_BM_LEFT),
                 OPOS_E_EXTENDED);
        QCOMPARE(printer->ResultCodeExtended(), OPOS_EPTR_TOOBIG);
        QCOMPARE(printer->PrintBitmap(PTR_S_RECEIPT, path, 384, PTR_BM_LEFT), OPOS_SUCCESS);
        QCOMPARE(graphics().front().left(6), hex("1d763000 3000"));
        // The device refuses what its commands cannot do: a 300-dot bar is too tall.
        QCOMPARE(printer->PrintBarCode(PTR_S_RECEIPT, u"12345678"_s, PTR_BCS_Code128, 300, 300,
                                       PTR_BC_CENTER, PTR_BC_TEXT_NONE),
                 OPOS_E_ILLEGAL);
        QVERIFY(printer->GetPropertyString(u"ErrorString"_s).contains(u"255"_s));
    }
};

QTEST_MAIN(TestEscPosGraphics)
#include "test_escpos_graphics.moc"

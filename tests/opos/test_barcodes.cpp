#include "backends/sim/ReceiptImage.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/BarcodeSymbols.h"
#include "opos/DeviceRegistry.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "support/ReceiptDecoder.h"
#include "support/SimulatedPrinterFixture.h"

#include <QBuffer>
#include <QImageWriter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace opos;
using namespace Qt::StringLiterals;
using sim::ReceiptItem;

namespace {

// A QR code as an image file would hold one: 4 pixels a module, a quiet zone, black on white.
QImage qrPicture(const QString& text)
{
    const SymbolResult qr = encodeSymbol(PTR_BCS_QRCODE, text.toUtf8());
    const DotImage dots = renderSymbol(qr.symbol->modules, 4, 4);
    QImage image(dots.width + 32, dots.height + 32, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < dots.height; ++y)
        for (int x = 0; x < dots.width; ++x)
            if (dots.dot(x, y))
                image.setPixel(x + 16, y + 16, qRgb(0, 0, 0));
    return image;
}

} // namespace

class TestBarcodes : public QObject, SimulatedPrinterFixture
{
    Q_OBJECT

    QTemporaryDir folder;

    std::vector<DecodedSymbol> decodeReceipt()
    {
        return decodeSymbols(receipt_image::render(device().receipt()));
    }

    // The text of the one symbol on the receipt; empty when there is not exactly one.
    QString decodedText()
    {
        const auto found = decodeReceipt();
        return found.size() == 1 ? found.front().text : QString();
    }

    QList<ReceiptItem> pictures()
    {
        QList<ReceiptItem> found;
        for (const ReceiptItem& item : device().receipt())
            if (item.kind == ReceiptItem::Kind::Picture)
                found << item;
        return found;
    }

    QString savedQr(const QString& name, const QString& text, const char* format = "png")
    {
        const QString path = folder.filePath(name);
        QImageWriter writer(path, format);
        if (!writer.write(qrPicture(text)))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void init() { build(); }
    void cleanup() { tearDown(); }

    void everySymbologyReadsBack_data()
    {
        QTest::addColumn<int>("symbology");
        QTest::addColumn<QString>("data");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("expected");
        QTest::newRow("UPC-A, check digit added")
            << PTR_BCS_UPCA << u"03600029145"_s << 80 << u"UPC-A"_s << u"036000291452"_s;
        QTest::newRow("UPC-E") << PTR_BCS_UPCE << u"0123456"_s << 80 << u"UPC-E"_s << u"01234565"_s;
        QTest::newRow("EAN-8") << PTR_BCS_EAN8 << u"96385074"_s << 80 << u"EAN-8"_s
                               << u"96385074"_s;
        QTest::newRow("EAN-13, check digit added")
            << PTR_BCS_EAN13 << u"400638133393"_s << 80 << u"EAN-13"_s << u"4006381333931"_s;
        QTest::newRow("ITF") << PTR_BCS_ITF << u"00012345678905"_s << 80 << u"ITF"_s
                             << u"00012345678905"_s;
        QTest::newRow("Codabar") << PTR_BCS_Codabar << u"a40156b"_s << 80 << u"Codabar"_s
                                 << u"A40156B"_s;
        QTest::newRow("Code 39") << PTR_BCS_Code39 << u"CODE39 TEST"_s << 80 << u"Code39"_s
                                 << u"CODE39 TEST"_s;
        QTest::newRow("Code 93") << PTR_BCS_Code93 << u"Code 93"_s << 80 << u"Code93"_s
                                 << u"Code 93"_s;
        QTest::newRow("Code 128") << PTR_BCS_Code128 << u"Ret-128 {x}"_s << 80 << u"Code128"_s
                                  << u"Ret-128 {x}"_s;
        QTest::newRow("QR code") << PTR_BCS_QRCODE << u"https://example.com/r/12345"_s << 300
                                 << u"QRCode"_s << u"https://example.com/r/12345"_s;
        QTest::newRow("QR code, not Latin-1") << PTR_BCS_QRCODE << u"Kassenbon Nr. 7 – €"_s << 300
                                              << u"QRCode"_s << u"Kassenbon Nr. 7 – €"_s;
        QTest::newRow("PDF417") << PTR_BCS_PDF417 << u"PDF417 receipt 0042"_s << 200 << u"PDF417"_s
                                << u"PDF417 receipt 0042"_s;
    }

    void everySymbologyReadsBack()
    {
        QFETCH(int, symbology);
        QFETCH(QString, data);
        QFETCH(int, height);
        enablePrinter();
        QCOMPARE(printer->PrintBarCode(PTR_S_RECEIPT, data, symbology, height, 400, PTR_BC_CENTER,
                                       PTR_BC_TEXT_BELOW),
                 OPOS_SUCCESS);
        const auto found = decodeReceipt();
        QCOMPARE(found.size(), 1U);
        QTEST(found.front().format, "format");
        QTEST(found.front().text, "expected");
        // Never wider than asked, and centred on the 576 dots of the paper.
        const QList<ReceiptItem> printed = pictures();
        QCOMPARE(printed.size(), 1);
        QVERIFY(printed.front().picture->width <= 400);
        QVERIFY(qAbs(2 * printed.front().left + printed.front().picture->width - 576) <= 1);
    }

    void widthChoosesTheWidestModuleThatFits()
    {
        enablePrinter();
        // EAN-13 is 95 modules: 400 dots give 4-dot modules (380), 190 give 2 (190).
        for (const auto& [width, expected] :
             {std::pair{400, 380}, std::pair{190, 190}, std::pair{189, 95}}) {
            device().clearReceipt();
            QCOMPARE(printer->PrintBarCode(PTR_S_RECEIPT, u"4006381333931"_s, PTR_BCS_EAN13, 50,
                                           width, PTR_BC_LEFT, PTR_BC_TEXT_NONE),
                     OPOS_SUCCESS);
            QCOMPARE(pictures().front().picture->width, expected);
            QCOMPARE(pictures().front().picture->height, 50);
        }
        // In hundredths of a millimetre at 203 dpi: 25 mm is 200 dots, 10 mm 80 dots, and a
        // distance of 5 mm from the left is 40 dots.
        printer->SetPropertyNumber(u"MapMode"_s, 4);
        device().clearReceipt();
        QCOMPARE(printer->PrintBarCode(PTR_S_RECEIPT, u"4006381333931"_s, PTR_BCS_EAN13, 1000, 2500,
                                       500, PTR_BC_TEXT_NONE),
                 OPOS_SUCCESS);
        QCOMPARE(pictures().front().picture->width, 190);
        QCOMPARE(pictures().front().picture->height, 80);
        QCOMPARE(pictures().front().left, 40);
        QCOMPARE(decodedText(), u"4006381333931"_s);
    }

    void readableTextGoesAboveOrBelow()
    {
        enablePrinter();
        printer->PrintBarCode(PTR_S_RECEIPT, u"12345678"_s, PTR_BCS_Code128, 60, 300, PTR_BC_CENTER,
                              PTR_BC_TEXT_ABOVE);
        printer->PrintBarCode(PTR_S_RECEIPT, u"12345678"_s, PTR_BCS_Code128, 60, 300, PTR_BC_CENTER,
                              PTR_BC_TEXT_BELOW);
        printer->PrintBarCode(PTR_S_RECEIPT, u"12345678"_s, PTR_BCS_Code128, 60, 300, PTR_BC_CENTER,
                              PTR_BC_TEXT_NONE);
        QStringList kinds;
        for (const ReceiptItem& item : device().receipt())
            kinds << (item.kind == ReceiptItem::Kind::Picture ? u"bars"_s : item.text);
        QCOMPARE(kinds,
                 (QStringList{u"12345678"_s, u"bars"_s, u"bars"_s, u"12345678"_s, u"bars"_s}));
    }

    void refusals_data()
    {
        QTest::addColumn<int>("symbology");
        QTest::addColumn<QString>("data");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<int>("textPosition");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("extended");
        QTest::addColumn<QString>("reason");
        const int left = PTR_BC_LEFT;
        const int none = PTR_BC_TEXT_NONE;
        QTest::newRow("letters in EAN-13")
            << PTR_BCS_EAN13 << u"40063813339A"_s << 400 << left << none << OPOS_E_ILLEGAL << 0
            << u"EAN-13 takes digits only"_s;
        QTest::newRow("wrong check digit")
            << PTR_BCS_EAN13 << u"4006381333937"_s << 400 << left << none << OPOS_E_ILLEGAL << 0
            << u"EAN-13 check digit is 1, not 7"_s;
        QTest::newRow("EAN-8 too long")
            << PTR_BCS_EAN8 << u"963850741"_s << 400 << left << none << OPOS_E_ILLEGAL << 0
            << u"EAN-8 takes 7 digits, or 8 with the check digit; got 9"_s;
        QTest::newRow("odd ITF") << PTR_BCS_ITF << u"12345"_s << 400 << left << none
                                 << OPOS_E_ILLEGAL << 0
                                 << u"ITF takes an even number of digits; got 5"_s;
        QTest::newRow("Codabar without start")
            << PTR_BCS_Codabar << u"40156B"_s << 400 << left << none << OPOS_E_ILLEGAL << 0
            << u"Codabar starts and ends with A, B, C or D"_s;
        QTest::newRow("lower case Code 39")
            << PTR_BCS_Code39 << u"abc"_s << 400 << left << none << OPOS_E_ILLEGAL << 0
            << u"Code 39 takes digits, capital letters and - . $ / + % space only"_s;
        QTest::newRow("unsupported symbology")
            << PTR_BCS_MAXICODE << u"x"_s << 400 << left << none << OPOS_E_ILLEGAL << 0
            << u"Symbology 202 is not supported by this printer"_s;
        QTest::newRow("empty data") << PTR_BCS_Code128 << QString() << 400 << left << none
                                    << OPOS_E_ILLEGAL << 0 << u"Code 128 needs data"_s;
        QTest::newRow("Width below one dot a module")
            << PTR_BCS_EAN13 << u"4006381333931"_s << 94 << left << none << OPOS_E_ILLEGAL << 0
            << u"EAN-13 of this data is 95 modules wide, 1 high: Width and Height must give at least that many dots"_s;
        QTest::newRow("wider than the paper")
            << PTR_BCS_Code128 << QString(60, u'x') << 2000 << left << none << OPOS_E_EXTENDED
            << OPOS_EPTR_TOOBIG << u"Code 128 is 1390 dots wide here; the station prints 576"_s;
        QTest::newRow("placed past the edge")
            << PTR_BCS_EAN13 << u"4006381333931"_s << 190 << 400 << none << OPOS_E_EXTENDED
            << OPOS_EPTR_TOOBIG << u"EAN-13 is 190 dots wide here; the station prints 576"_s;
        QTest::newRow("bad alignment") << PTR_BCS_EAN13 << u"4006381333931"_s << 400 << -4 << none
                                       << OPOS_E_ILLEGAL << 0 << u"Alignment -4 is not valid"_s;
        QTest::newRow("bad text position")
            << PTR_BCS_EAN13 << u"4006381333931"_s << 400 << left << -14 << OPOS_E_ILLEGAL << 0
            << u"TextPosition -14 is not valid"_s;
        QTest::newRow("no width") << PTR_BCS_EAN13 << u"4006381333931"_s << 0 << left << none
                                  << OPOS_E_ILLEGAL << 0 << u"Width must be above 0"_s;
    }

    void refusals()
    {
        QFETCH(int, symbology);
        QFETCH(QString, data);
        QFETCH(int, width);
        QFETCH(int, alignment);
        QFETCH(int, textPosition);
        enablePrinter();
        QTEST(printer->PrintBarCode(PTR_S_RECEIPT, data, symbology, 60, width, alignment,
                                    textPosition),
              "code");
        QTEST(printer->ResultCodeExtended(), "extended");
        QTEST(printer->GetPropertyString(u"ErrorString"_s), "reason");
        QVERIFY(device().receipt().isEmpty());
    }

    void refusedWhereNoStationOrDevice()
    {
        QCOMPARE(printer->PrintBarCode(PTR_S_RECEIPT, u"1"_s, PTR_BCS_Code128, 60, 300, -1, -11),
                 OPOS_E_CLOSED);
        enablePrinter();
        QCOMPARE(printer->PrintBarCode(PTR_S_SLIP, u"1"_s, PTR_BCS_Code128, 60, 300, -1, -11),
                 OPOS_E_ILLEGAL);
        QCOMPARE(printer->PrintBitmap(PTR_S_JOURNAL, u"x.png"_s, PTR_BM_ASIS, PTR_BM_LEFT),
                 OPOS_E_ILLEGAL);
        QVERIFY(printer->GetPropertyFlag(u"CapRecBarCode"_s));
        QVERIFY(printer->GetPropertyFlag(u"CapRecBitmap"_s));
    }

    void qrCodeAsBitmapReadsBack()
    {
        enablePrinter();
        const QString path = savedQr(u"qr.png"_s, u"https://example.com/bitmap"_s);
        QCOMPARE(printer->PrintBitmap(PTR_S_RECEIPT, path, PTR_BM_ASIS, PTR_BM_CENTER),
                 OPOS_SUCCESS);
        const auto found = decodeReceipt();
        QCOMPARE(found.size(), 1U);
        QCOMPARE(found.front().format, u"QRCode"_s);
        QCOMPARE(found.front().text, u"https://example.com/bitmap"_s);
        const QImage original(path);
        QCOMPARE(pictures().front().picture->width, original.width());
        // Scaled to a width in dots, with the aspect ratio kept.
        device().clearReceipt();
        QCOMPARE(printer->PrintBitmap(PTR_S_RECEIPT, path, 300, PTR_BM_RIGHT), OPOS_SUCCESS);
        QCOMPARE(pictures().front().picture->width, 300);
        QCOMPARE(pictures().front().picture->height, 300 * original.height() / original.width());
        QCOMPARE(pictures().front().left, 276);
        QCOMPARE(decodedText(), u"https://example.com/bitmap"_s);
    }

    void greyAndTransparentImagesAreDithered()
    {
        enablePrinter();
        QImage grey(100, 40, QImage::Format_ARGB32);
        grey.fill(qRgba(128, 128, 128, 255));
        for (int y = 20; y < 40; ++y)
            for (int x = 0; x < 100; ++x)
                grey.setPixel(x, y, qRgba(0, 0, 0, 0)); // transparent: paper
        const QString path = folder.filePath(u"grey.png"_s);
        QVERIFY(grey.save(path));
        QCOMPARE(printer->PrintBitmap(PTR_S_RECEIPT, path, PTR_BM_ASIS, PTR_BM_LEFT), OPOS_SUCCESS);
        const DotImage& dots = *pictures().front().picture;
        int top = 0;
        int bottom = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 100; ++x)
                (y < 20 ? top : bottom) += dots.dot(x, y);
        QVERIFY2(top > 800 && top < 1200, qPrintable(QString::number(top))); // about half
        QCOMPARE(bottom, 0);
    }

    void bitmapRefusals()
    {
        enablePrinter();
        const QString garbage = folder.filePath(u"garbage.png"_s);
        {
            QFile file(garbage);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not an image at all");
        }
        QImage wide(600, 10, QImage::Format_RGB32);
        wide.fill(Qt::black);
        const QString widePath = folder.filePath(u"wide.png"_s);
        QVERIFY(wide.save(widePath));
        const QString qr = savedQr(u"ok.png"_s, u"ok"_s);
        struct Case
        {
            QString path;
            int width;
            int alignment;
            int code;
            int extended;
        };
        for (const Case& c :
             {Case{folder.filePath(u"missing.png"_s), PTR_BM_ASIS, PTR_BM_LEFT, OPOS_E_NOEXIST, 0},
              Case{garbage, PTR_BM_ASIS, PTR_BM_LEFT, OPOS_E_EXTENDED, OPOS_EPTR_BADFORMAT},
              Case{widePath, PTR_BM_ASIS, PTR_BM_LEFT, OPOS_E_EXTENDED, OPOS_EPTR_TOOBIG},
              Case{qr, 577, PTR_BM_LEFT, OPOS_E_EXTENDED, OPOS_EPTR_TOOBIG},
              Case{qr, PTR_BM_ASIS, 500, OPOS_E_EXTENDED, OPOS_EPTR_TOOBIG},
              Case{qr, -5, PTR_BM_LEFT, OPOS_E_ILLEGAL, 0},
              Case{qr, PTR_BM_ASIS, -7, OPOS_E_ILLEGAL, 0}}) {
            QCOMPARE(printer->PrintBitmap(PTR_S_RECEIPT, c.path, c.width, c.alignment), c.code);
            QCOMPARE(printer->ResultCodeExtended(), c.extended);
            QVERIFY(!printer->GetPropertyString(u"ErrorString"_s).isEmpty());
        }
        QVERIFY(device().receipt().isEmpty());
    }

    void storedBitmapPrintsWhereTheSequenceIs()
    {
        enablePrinter();
        const QString path = savedQr(u"logo.png"_s, u"stored logo"_s);
        QCOMPARE(printer->SetBitmap(21, PTR_S_RECEIPT, path, PTR_BM_ASIS, PTR_BM_CENTER),
                 OPOS_E_ILLEGAL);
        QCOMPARE(printer->SetBitmap(1, PTR_S_RECEIPT, path, PTR_BM_ASIS, PTR_BM_CENTER),
                 OPOS_SUCCESS);
        QVERIFY(device().receipt().isEmpty()); // stored, not printed
        QCOMPARE(printer->PrintNormal(PTR_S_RECEIPT, u"\x1b|bCbefore\x1b|1Bafter\n"_s),
                 OPOS_SUCCESS);
        const auto items = device().receipt();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0].text, u"before"_s);
        QCOMPARE(items[1].kind, ReceiptItem::Kind::Picture);
        QCOMPARE(items[2].text, u"after"_s);
        QCOMPARE(decodedText(), u"stored logo"_s);
        // An empty name removes it: the sequence then prints nothing.
        QCOMPARE(printer->SetBitmap(1, PTR_S_RECEIPT, QString(), PTR_BM_ASIS, PTR_BM_CENTER),
                 OPOS_SUCCESS);
        device().clearReceipt();
        printer->PrintNormal(PTR_S_RECEIPT, u"\x1b|1B"_s);
        QVERIFY(pictures().isEmpty());
    }

    void memoryBitmapOfEachType()
    {
        enablePrinter();
        for (const auto& [type, format] :
             {std::pair{PTR_BMT_BMP, "bmp"}, std::pair{PTR_BMT_JPEG, "jpeg"}}) {
            QBuffer bytes;
            bytes.open(QIODevice::WriteOnly);
            QVERIFY(qrPicture(u"memory"_s).save(&bytes, format));
            const QString data = QString::fromLatin1(bytes.data());
            device().clearReceipt();
            QCOMPARE(
                printer->PrintMemoryBitmap(PTR_S_RECEIPT, data, type, PTR_BM_ASIS, PTR_BM_CENTER),
                OPOS_SUCCESS);
            QCOMPARE(decodedText(), u"memory"_s);
        }
        // Qt writes no GIF: the example logo is one.
        QFile gif(QStringLiteral(EXAMPLES_DIR "/logo.gif"));
        QVERIFY(gif.open(QIODevice::ReadOnly));
        device().clearReceipt();
        QCOMPARE(printer->PrintMemoryBitmap(PTR_S_RECEIPT, QString::fromLatin1(gif.readAll()),
                                            PTR_BMT_GIF, PTR_BM_ASIS, PTR_BM_LEFT),
                 OPOS_SUCCESS);
        QCOMPARE(pictures().front().picture->width, 384);
        QCOMPARE(pictures().front().picture->height, 120);

        QBuffer png;
        png.open(QIODevice::WriteOnly);
        QVERIFY(qrPicture(u"memory"_s).save(&png, "png"));
        QCOMPARE(printer->PrintMemoryBitmap(PTR_S_RECEIPT, QString::fromLatin1(png.data()),
                                            PTR_BMT_GIF, PTR_BM_ASIS, PTR_BM_CENTER),
                 OPOS_E_EXTENDED);
        QCOMPARE(printer->ResultCodeExtended(), OPOS_EPTR_BADFORMAT);
        QCOMPARE(printer->PrintMemoryBitmap(PTR_S_RECEIPT, QString::fromLatin1(png.data()), 9,
                                            PTR_BM_ASIS, PTR_BM_CENTER),
                 OPOS_E_ILLEGAL);
    }

    void coverOpenAsynchronousAndTransactions()
    {
        enablePrinter();
        device().setCoverOpen(true);
        QCOMPARE(printer->PrintBarCode(PTR_S_RECEIPT, u"42"_s, PTR_BCS_QRCODE, 200, 200,
                                       PTR_BC_CENTER, PTR_BC_TEXT_NONE),
                 OPOS_E_EXTENDED);
        QCOMPARE(printer->ResultCodeExtended(), OPOS_EPTR_COVER_OPEN);

        // Asynchronous: checked at once, printed later; a retry after the error prints it once.
        QSignalSpy completed(printer.get(), &PosPrinter::OutputCompleteEvent);
        connect(printer.get(), &PosPrinter::ErrorEvent, this,
                [this](int32_t, int32_t, int32_t, int32_t* response) {
                    device().setCoverOpen(false);
                    *response = OPOS_ER_RETRY;
                });
        printer->SetAsyncMode(true);
        QCOMPARE(printer->PrintBarCode(PTR_S_RECEIPT, u"4006381333937"_s, PTR_BCS_EAN13, 50, 200,
                                       PTR_BC_LEFT, PTR_BC_TEXT_NONE),
                 OPOS_E_ILLEGAL);
        QCOMPARE(printer->PrintBarCode(PTR_S_RECEIPT, u"42"_s, PTR_BCS_QRCODE, 200, 200,
                                       PTR_BC_CENTER, PTR_BC_TEXT_NONE),
                 OPOS_SUCCESS);
        QTRY_COMPARE(completed.count(), 1);
        QCOMPARE(pictures().size(), 1);

        // A transaction prints the symbol among its lines, in order.
        printer->SetAsyncMode(false);
        device().clearReceipt();
        QCOMPARE(printer->TransactionPrint(PTR_S_RECEIPT, PTR_TP_TRANSACTION), OPOS_SUCCESS);
        printer->PrintNormal(PTR_S_RECEIPT, u"head\n"_s);
        printer->PrintBarCode(PTR_S_RECEIPT, u"42"_s, PTR_BCS_QRCODE, 200, 200, PTR_BC_CENTER,
                              PTR_BC_TEXT_NONE);
        printer->PrintNormal(PTR_S_RECEIPT, u"foot\n"_s);
        QVERIFY(device().receipt().isEmpty());
        QCOMPARE(printer->TransactionPrint(PTR_S_RECEIPT, PTR_TP_NORMAL), OPOS_SUCCESS);
        const auto items = device().receipt();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[1].kind, ReceiptItem::Kind::Picture);
        QCOMPARE(decodedText(), u"42"_s);
    }
};

QTEST_MAIN(TestBarcodes)
#include "test_barcodes.moc"

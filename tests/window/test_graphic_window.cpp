#include "app/window/frmMain.h"
#include "backends/sim/ReceiptImage.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "services/PrinterListModel.h"
#include "support/LogRows.h"
#include "support/ReceiptDecoder.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

void trigger(frmMain& window, const char* name)
{
    auto* action = window.findChild<QAction*>(QString::fromLatin1(name));
    QVERIFY(action);
    action->trigger();
}

template <typename Widget> Widget& in(QDialog& dialog, const char* name)
{
    auto* found = dialog.findChild<Widget*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no %s", name);
    return *found;
}

QString lastItem(WindowFixture& fixture)
{
    fixture.flushViews();
    const PrinterListModel& list = fixture.window().printerList();
    return list.ListCount() > 0 ? list.List(list.ListCount() - 1) : QString();
}

QStringList rows(WindowFixture& fixture)
{
    return commandRowTexts(fixture.window().logGrid(), fixture.form());
}

} // namespace

// Device -> Print barcode and Print image: the dialogs, their log rows, the printed-output list
// and what lands on the simulated receipt.
class TestGraphicWindow : public QObject
{
    Q_OBJECT

private slots:
    void barcodeDialogPrintsLogsAndEchoes()
    {
        WindowFixture fixture;
        QVERIFY(fixture.openPrinter(true, true));
        trigger(fixture.window(), "actPrintBarcode");
        auto* dialog = fixture.window().findChild<QDialog*>(u"dlgBarcode"_s);
        QVERIFY(dialog && dialog->isVisible());
        auto& symbology = in<QComboBox>(*dialog, "cboSymbology");
        QCOMPARE(symbology.count(), 11);
        QCOMPARE(symbology.currentText(), u"QR code"_s);
        in<QLineEdit>(*dialog, "txtBarcodeData").setText(u"https://example.com/r/1"_s);
        QTest::mouseClick(&in<QPushButton>(*dialog, "cmdPrintBarcode"), Qt::LeftButton);
        QCOMPARE(rows(fixture).last(), u"PrintBarCode() OPOS_SUCCESS"_s);
        QCOMPARE(lastItem(fixture), u"[QR code] https://example.com/r/1"_s);
        const auto found = decodeSymbols(receipt_image::render(fixture.simPrinter().receipt()));
        QCOMPARE(found.size(), 1U);
        QCOMPARE(found.front().text, u"https://example.com/r/1"_s);

        // Refused data: logged with its code, nothing echoed.
        symbology.setCurrentIndex(symbology.findText(u"EAN-13"_s));
        in<QLineEdit>(*dialog, "txtBarcodeData").setText(u"4006381333937"_s);
        in<QSpinBox>(*dialog, "spnBarcodeWidth").setValue(300);
        QTest::mouseClick(&in<QPushButton>(*dialog, "cmdPrintBarcode"), Qt::LeftButton);
        QCOMPARE(rows(fixture).last(), u"PrintBarCode() OPOS_E_ILLEGAL"_s);
        QCOMPARE(lastItem(fixture), u"[QR code] https://example.com/r/1"_s);
        QCOMPARE(fixture.printer().GetPropertyString(u"ErrorString"_s),
                 u"EAN-13 check digit is 1, not 7"_s);

        // An open cover asks to retry, as a line does; OK prints it once the cover is shut.
        in<QLineEdit>(*dialog, "txtBarcodeData").setText(u"400638133393"_s);
        fixture.simPrinter().setCoverOpen(true);
        fixture.dialogs().queueAnswer(Dialogs::Answer::Ok,
                                      [&fixture] { fixture.simPrinter().setCoverOpen(false); });
        QTest::mouseClick(&in<QPushButton>(*dialog, "cmdPrintBarcode"), Qt::LeftButton);
        QCOMPARE(fixture.dialogs().prompts(), QStringList{u"PRINTER COVER IS OPEN!, retry?"_s});
        QCOMPARE(rows(fixture).mid(rows(fixture).size() - 2),
                 (QStringList{u"PrintBarCode() OPOS_EPTR_COVER_OPEN"_s,
                              u"PrintBarCode() OPOS_SUCCESS"_s}));
        QCOMPARE(lastItem(fixture), u"[EAN-13] 400638133393"_s);
    }

    void imageDialogPrintsLogsAndEchoes()
    {
        WindowFixture fixture;
        QVERIFY(fixture.openPrinter(true, true));
        trigger(fixture.window(), "actPrintImage");
        auto* dialog = fixture.window().findChild<QDialog*>(u"dlgImage"_s);
        QVERIFY(dialog && dialog->isVisible());
        const QString logo = QStringLiteral(EXAMPLES_DIR "/logo.png");
        fixture.dialogs().queueOpenFile(logo);
        QTest::mouseClick(&in<QPushButton>(*dialog, "cmdBrowseImage"), Qt::LeftButton);
        QCOMPARE(in<QLineEdit>(*dialog, "txtImageFile").text(), logo);
        QTest::mouseClick(&in<QPushButton>(*dialog, "cmdPrintImage"), Qt::LeftButton);
        QCOMPARE(rows(fixture).last(), u"PrintBitmap() OPOS_SUCCESS"_s);
        QCOMPARE(lastItem(fixture), u"[image] logo.png 384x120"_s);

        // Scaled to a width; then a file that is not there.
        in<QCheckBox>(*dialog, "chkImageAsIs").setChecked(false);
        in<QSpinBox>(*dialog, "spnImageWidth").setValue(192);
        QTest::mouseClick(&in<QPushButton>(*dialog, "cmdPrintImage"), Qt::LeftButton);
        QCOMPARE(lastItem(fixture), u"[image] logo.png 192x60"_s);
        in<QLineEdit>(*dialog, "txtImageFile").setText(logo + u".missing"_s);
        QTest::mouseClick(&in<QPushButton>(*dialog, "cmdPrintImage"), Qt::LeftButton);
        QCOMPARE(rows(fixture).last(), u"PrintBitmap() OPOS_E_NOEXIST"_s);
    }

    void testReceiptCarriesItsSymbols()
    {
        WindowFixture fixture;
        fixture.window().findChild<QAction*>(u"actTestReceipt"_s)->trigger();
        const auto found = decodeSymbols(receipt_image::render(fixture.simPrinter().receipt()));
        QCOMPARE(found.size(), 2U);
        const auto code128 = std::find_if(found.begin(), found.end(),
                                          [](const auto& s) { return s.format == u"Code128"_s; });
        const auto qr = std::find_if(found.begin(), found.end(),
                                     [](const auto& s) { return s.format == u"QRCode"_s; });
        QVERIFY(code128 != found.end() && qr != found.end());
        QCOMPARE(code128->text.size(), 14); // yyyyMMddHHmmss
        QVERIFY(qr->text.startsWith(u"Quenta POS Printer 20"_s));
    }
};

QTEST_MAIN(TestGraphicWindow)
#include "test_graphic_window.moc"

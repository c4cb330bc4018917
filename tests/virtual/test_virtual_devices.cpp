#include "app/startup/Application.h"
#include "opos/CashDrawer.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "services/Colours.h"
#include "services/Lamp.h"
#include "support/LogRows.h"
#include "support/WindowFixture.h"
#include "virtual/VirtualDevicesDisplayView.h"
#include "virtual/VirtualDevicesPlacement.h"
#include "virtual/VirtualDevicesReceiptPanel.h"
#include "virtual/VirtualDevicesReceiptView.h"
#include "virtual/VirtualDevicesWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using sim::ReceiptItem;

namespace {

ReceiptItem line(const QString& text)
{
    ReceiptItem item;
    item.text = text;
    return item;
}

// A copy of value changed by change.
template <typename T, typename Change> T with(T value, Change change)
{
    change(value);
    return value;
}

ReceiptItem cut(ReceiptItem::Kind kind)
{
    ReceiptItem item;
    item.kind = kind;
    return item;
}

// How dark a pixel is against the paper, from 0 (paper) to 1 (black).
qreal darkness(QRgb pixel)
{
    constexpr int kPaperGray = 250;
    return std::max(0, kPaperGray - qGray(pixel)) / qreal(kPaperGray);
}

// The ink of one rectangle of an image: the bounding box of its clearly inked pixels and the
// amount of ink. The amount is the sum of every pixel's darkness, so it does not depend on
// where a glyph's stems fall between pixels, which differs from font to font.
struct Ink
{
    QRect box;
    qreal count = 0;
};

Ink inkIn(const QImage& image, const QRect& area)
{
    Ink ink;
    const QRect clipped = area & image.rect();
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            const qreal dark = darkness(image.pixel(x, y));
            ink.count += dark;
            if (dark > 0.4)
                ink.box |= QRect(x, y, 1, 1);
        }
    return ink;
}

// A receipt view showing the given items, laid out and painted.
struct ShownReceipt
{
    explicit ShownReceipt(const QVector<ReceiptItem>& items)
    {
        view.resize(view.sizeHint().width(), 400);
        view.show();
        if (!QTest::qWaitForWindowExposed(&view))
            qWarning("receipt view not exposed");
        view.setItems(items);
        image = view.viewport()->grab().toImage();
    }
    Ink inkOfItem(int index) const
    {
        const QRect area = view.printableArea();
        const QRect item = view.itemRect(index);
        return inkIn(image, QRect(area.left() - 2, item.top(), area.width() + 4, item.height()));
    }
    VirtualDevicesReceiptView view;
    QImage image;
};

// The main window and the virtual devices window over the same simulated devices, both shown.
struct TwoWindows
{
    TwoWindows()
    {
        devices.showBeside(main.window());
        if (!QTest::qWaitForWindowExposed(&devices))
            qWarning("virtual devices window not exposed");
    }
    template <typename Control> Control& control(const char* name)
    {
        auto* found = devices.findChild<Control*>(QString::fromLatin1(name));
        if (found == nullptr)
            qFatal("no control %s", name);
        return *found;
    }
    QString text(const char* label) { return control<QLabel>(label).text(); }
    QStringList log() { return logRowTexts(main.window().logGrid(), main.form()); }
    VirtualDevicesReceiptView& receipt() { return *devices.receiptPanel()->view(); }
    // The last item on the receipt once the window has caught up with the device.
    const ReceiptItem& lastItemWhen(ReceiptItem::Kind kind)
    {
        const bool arrived = QTest::qWaitFor([&] {
            return receipt().itemCount() > 0 &&
                   receipt().item(receipt().itemCount() - 1).kind == kind;
        });
        if (!arrived)
            qWarning("the receipt did not show the expected item");
        return receipt().item(receipt().itemCount() - 1);
    }

    WindowFixture main;
    VirtualDevicesWindow devices{main.devices()};
};

// A short receipt and a display text, for a picture of the window.
void printSample(TwoWindows& windows)
{
    if (!windows.main.openPrinter(true, true))
        qWarning("printer did not open");
    // "^" stands for ESC.
    QString data = QStringLiteral("^|cA^|4CQUENTA MARKET\n^|N^|cAVia Roma 1, Milano\n\n"
                                  "Bread                                      1.20\n"
                                  "Milk 1 l                                   0.99\n"
                                  "^|uCCoffee beans 500 g^|!uC                        7.40\n"
                                  "^|rA^|bC^|2CTOTAL EUR 9.59\n^|N"
                                  "Paid by ^|bCcard^|!bC, ^|2Cthanks^|1C and ^|4Cbye^|N!\n"
                                  "^|3lF^|100P"
                                  "^|NSecond receipt\n^|50P^|3CDouble height\n");
    data.replace(QLatin1Char('^'), QChar(27));
    windows.main.printer().PrintNormal(opos::PTR_S_RECEIPT, data);
    windows.main.type("txtLDDisplay", QStringLiteral("TOTAL EUR 9.59"));
    windows.main.click("cmdDisplayText");
    windows.main.click("cmdCashDrawerOpen");
    // The picture is taken once the window shows what the devices did last.
    auto& display = windows.control<VirtualDevicesDisplayView>("vdDisplay");
    if (!QTest::qWaitFor([&] {
            return display.rows().value(0).startsWith(QLatin1String("TOTAL")) &&
                   windows.receipt().itemCount() > 0 &&
                   windows.text("vdState") == QLatin1String("OPOS_S_IDLE");
        }))
        qWarning("the window did not catch up with the devices");
}

// Clicks a check box on its indicator, where a user clicks it.
void clickCheckBox(QCheckBox& box)
{
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(box.height() / 2, box.height() / 2));
}

// Picks a combo box item with the keyboard: Home, then Down as often as needed.
void choose(QComboBox& box, int index)
{
    QTest::keyClick(&box, Qt::Key_Home);
    for (int i = 0; i < index; ++i)
        QTest::keyClick(&box, Qt::Key_Down);
}

} // namespace

class TestVirtualDevices : public QObject
{
    Q_OBJECT

private slots:
    // The main window as it stands at the top left (999 px wide inside, 8 px of frame), on the
    // common screens; and odd places.
    void placement_data()
    {
        QTest::addColumn<QRect>("main");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("expected");
        const QRect main(0, 0, 1007, 720);
        QTest::newRow("1920x1080: beside it")
            << main << QRect(0, 0, 1920, 1080) << QRect(1015, 0, 560, 720);
        QTest::newRow("1600x900: beside it, no overlap")
            << main << QRect(0, 0, 1600, 900) << QRect(1015, 0, 560, 720);
        QTest::newRow("1366x768: over the main window's right, whole on the screen")
            << main << QRect(0, 0, 1366, 768) << QRect(806, 0, 560, 720);
        QTest::newRow("1366x768, main window at the right: still over its right")
            << QRect(359, 0, 1007, 720) << QRect(0, 0, 1366, 768) << QRect(806, 0, 560, 720);
        QTest::newRow("left when the right is full")
            << QRect(1200, 50, 700, 667) << QRect(0, 0, 1920, 1040) << QRect(632, 50, 560, 720);
        QTest::newRow("narrowed to the room beside it")
            << QRect(200, 0, 1024, 667) << QRect(0, 0, 1700, 1040) << QRect(1232, 0, 468, 720);
        QTest::newRow("low main window: moved up to fit")
            << QRect(100, 600, 1024, 667) << QRect(0, 0, 1920, 1040) << QRect(1132, 320, 560, 720);
        QTest::newRow("main window partly off the screen")
            << QRect(-400, 0, 1007, 720) << QRect(0, 0, 1366, 768) << QRect(615, 0, 560, 720);
        QTest::newRow("second screen") << QRect(2000, 100, 1024, 667) << QRect(1920, 0, 1920, 1040)
                                       << QRect(3032, 100, 560, 720);
        QTest::newRow("screen lower than the window")
            << main << QRect(0, 0, 1366, 600) << QRect(806, 0, 560, 600);
    }
    void placement()
    {
        QFETCH(QRect, main);
        QFETCH(QRect, available);
        QFETCH(QRect, expected);
        const QRect place = virtualDevicesPlacement(main, available, {560, 720}, {440, 300});
        QCOMPARE(place, expected);
        QVERIFY(available.contains(place));
    }

    // The window fits beside a 999 px main window on 1600x900 and never grows wider than its
    // limit, whatever it shows; the receipt scrolls sideways when narrower than the paper.
    void windowIsNarrowAndItsReceiptScrolls()
    {
        sim::SimulatedDevices devices;
        VirtualDevicesWindow window(devices);
        const int least = window.minimumSizeHint().width();
        QVERIFY2(least <= VirtualDevicesWindow::kMaxWidth, qPrintable(QString::number(least)));
        window.resize(least, 600);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.width() <= VirtualDevicesWindow::kMaxWidth);
        auto& view = *window.receiptPanel()->view();
        if (view.viewport()->width() < view.sizeHint().width() - 30)
            QVERIFY(view.horizontalScrollBar()->maximum() > 0);
        const QString shot = qEnvironmentVariable("VIRTUAL_DEVICES_NARROW_SCREENSHOT");
        if (!shot.isEmpty())
            QVERIFY(window.grab().save(shot));
    }

    void lineAttributes_data()
    {
        QTest::addColumn<ReceiptItem>("item");
        QTest::addColumn<int>("columns"); // printed width in character columns
        QTest::addColumn<bool>("tall");
        const ReceiptItem plain = line(QStringLiteral("TOTAL 12.50"));
        QTest::newRow("plain, left") << plain << 11 << false;
        QTest::newRow("centre") << with(plain, [](auto& i) {
            i.align = ReceiptItem::Align::Centre;
        }) << 11 << false;
        QTest::newRow("right") << with(plain, [](auto& i) { i.align = ReceiptItem::Align::Right; })
                               << 11 << false;
        QTest::newRow("double width, centre") << with(plain, [](auto& i) {
            i.doubleWidth = true;
            i.align = ReceiptItem::Align::Centre;
        }) << 22 << false;
        QTest::newRow("double height")
            << with(plain, [](auto& i) { i.doubleHeight = true; }) << 11 << true;
        QTest::newRow("bold") << with(plain, [](auto& i) { i.bold = true; }) << 11 << false;
        QTest::newRow("double both, right") << with(plain, [](auto& i) {
            i.doubleWidth = i.doubleHeight = true;
            i.align = ReceiptItem::Align::Right;
        }) << 22 << true;
        // Full lines fill the paper's columns whatever the font's own advance.
        const ReceiptItem full = line(QString(48, QLatin1Char('H')));
        QTest::newRow("full line") << full << 48 << false;
        QTest::newRow("full double-width line")
            << with(line(QString(24, QLatin1Char('H'))), [](auto& i) { i.doubleWidth = true; })
            << 48 << false;
    }
    void lineAttributes()
    {
        QFETCH(ReceiptItem, item);
        QFETCH(int, columns);
        QFETCH(bool, tall);
        ShownReceipt plain({line(item.text)});
        ShownReceipt shown({item});
        const Ink reference = plain.inkOfItem(0);
        const Ink ink = shown.inkOfItem(0);
        const QRect area = shown.view.printableArea();
        const int charWidth = area.width() / VirtualDevicesReceiptView::kPaperColumns;
        QVERIFY(ink.count > 0);
        QVERIFY2(qAbs(ink.box.width() - (columns - 1) * charWidth) <= 2 * charWidth,
                 qPrintable(QString::number(ink.box.width())));
        QCOMPARE(ink.box.height() > reference.box.height() * 3 / 2, tall);
        if (item.bold)
            QVERIFY(ink.count > reference.count * 5 / 4);
        const int centreOffset = ink.box.center().x() - area.center().x();
        switch (item.align) {
        case ReceiptItem::Align::Left:
            QVERIFY(ink.box.left() - area.left() < charWidth);
            break;
        case ReceiptItem::Align::Centre:
            QVERIFY2(qAbs(centreOffset) <= charWidth, qPrintable(QString::number(centreOffset)));
            break;
        case ReceiptItem::Align::Right:
            QVERIFY(area.right() - ink.box.right() < charWidth);
            break;
        }
    }

    // A line whose style changes half-way: the first half looks like plain text, the second
    // has its own style; the line as a whole keeps its width, alignment and a common foot.
    void mixedLineStylesEachRun_data()
    {
        QTest::addColumn<ReceiptItem::Run>("styled");
        QTest::addColumn<int>("columns");
        QTest::addColumn<bool>("tall");
        const ReceiptItem::Run run{QStringLiteral("HHHH")};
        QTest::newRow("bold") << with(run, [](auto& r) { r.bold = true; }) << 9 << false;
        QTest::newRow("underline") << with(run, [](auto& r) { r.underline = true; }) << 9 << false;
        QTest::newRow("double width")
            << with(run, [](auto& r) { r.doubleWidth = true; }) << 13 << false;
        QTest::newRow("double height")
            << with(run, [](auto& r) { r.doubleHeight = true; }) << 9 << true;
    }
    void mixedLineStylesEachRun()
    {
        QFETCH(ReceiptItem::Run, styled);
        QFETCH(int, columns);
        QFETCH(bool, tall);
        ReceiptItem plainLine = line(QStringLiteral("HHH  HHHH"));
        plainLine.align = ReceiptItem::Align::Centre;
        ReceiptItem mixed = plainLine; // with its line attributes, as the printer records it
        mixed.runs = {{QStringLiteral("HHH  ")}, styled};
        mixed.bold = styled.bold;
        mixed.underline = styled.underline;
        mixed.doubleWidth = styled.doubleWidth;
        mixed.doubleHeight = styled.doubleHeight;
        ShownReceipt reference({plainLine});
        ShownReceipt shown({mixed});
        const QRect area = shown.view.printableArea();
        const int charWidth = area.width() / VirtualDevicesReceiptView::kPaperColumns;
        const QRect item = shown.view.itemRect(0);
        QCOMPARE(item.height() == 2 * reference.view.itemRect(0).height(), tall);
        const Ink whole = shown.inkOfItem(0);
        QVERIFY(qAbs(whole.box.width() - (columns - 1) * charWidth) <= 2 * charWidth);
        QVERIFY(qAbs(whole.box.center().x() - area.center().x()) <= charWidth);

        // The split lies in the blanks between the runs.
        auto halves = [&](const ShownReceipt& receipt) {
            const QRect line = receipt.view.itemRect(0);
            const int split = receipt.inkOfItem(0).box.left() + 4 * charWidth;
            return std::pair{inkIn(receipt.image, QRect(QPoint(area.left(), line.top()),
                                                        QPoint(split - 1, line.bottom()))),
                             inkIn(receipt.image, QRect(QPoint(split, line.top()),
                                                        QPoint(area.right(), line.bottom())))};
        };
        const auto [plain, rest] = halves(shown);
        const auto [plainReference, restReference] = halves(reference);
        QVERIFY(qAbs(plain.count - plainReference.count) <= plainReference.count / 10);
        QVERIFY(rest.count > restReference.count * 5 / 4);
        // A common foot: the styled run ends as low as the same text would in that style alone,
        // which for an underline is the font's underline below the baseline.
        ReceiptItem styledLine = plainLine;
        styledLine.bold = styled.bold;
        styledLine.underline = styled.underline;
        ShownReceipt styledReference({styledLine});
        const int drop =
            styledReference.inkOfItem(0).box.bottom() - reference.inkOfItem(0).box.bottom();
        QVERIFY(qAbs(plain.box.bottom() + drop - rest.box.bottom()) <= 3);
    }

    // The printer wraps at its line width; a 64-column line still fits the paper.
    void wideLineIsSqueezedOntoThePaper()
    {
        ReceiptItem wide = line(QString(49, QLatin1Char('X')));
        wide.runs = {{QString(34, QLatin1Char('X'))}, {QString(15, QLatin1Char('X'))}};
        wide.runs.back().doubleWidth = true;
        ShownReceipt shown({wide, line(QStringLiteral("next"))});
        const QRect area = shown.view.printableArea();
        const Ink ink = shown.inkOfItem(0);
        QVERIFY(ink.box.left() >= area.left() - 1);
        QVERIFY(ink.box.right() <= area.right() + 1);
        QVERIFY(ink.box.width() > area.width() * 9 / 10);
        QCOMPARE(shown.view.itemRect(1).top(), shown.view.itemRect(0).bottom() + 1);
    }

    // A full cut separates the paper (background shows through the gap); a partial cut leaves
    // it whole, marked by a dashed line.
    void cutsShowAsTearLines()
    {
        ShownReceipt shown({line(QStringLiteral("A")), cut(ReceiptItem::Kind::FullCut),
                            line(QStringLiteral("B")), cut(ReceiptItem::Kind::PartialCut),
                            line(QStringLiteral("C"))});
        const QRect full = shown.view.itemRect(1);
        const QRect partial = shown.view.itemRect(3);
        const int x = shown.view.printableArea().left() + 20;
        const QColor paper = shown.image.pixelColor(x, shown.view.itemRect(0).top() + 1);
        QVERIFY(paper.lightness() > 240);
        QVERIFY(shown.image.pixelColor(x, full.center().y()).lightness() < 150);
        QCOMPARE(shown.image.pixelColor(x, partial.top() + 1), paper);
        int marked = 0;
        for (int y = partial.top(); y <= partial.bottom(); ++y)
            for (int dx = 0; dx < 12; ++dx)
                marked += shown.image.pixelColor(x + dx, y) != paper ? 1 : 0;
        QVERIFY(marked > 4 && marked < 12); // a dashed line one pixel high
    }

    void keepsOnlyTheNewestItemsAndFollowsThem()
    {
        VirtualDevicesReceiptView view;
        view.resize(view.sizeHint());
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVector<ReceiptItem> roll;
        for (int i = 0; i < 100000; ++i)
            roll.append(line(QStringLiteral("line %1").arg(i)));
        view.setItems(roll);
        QCOMPARE(view.itemCount(), VirtualDevicesReceiptView::kKeptItems);
        QCOMPARE(view.droppedItems(), 100000 - VirtualDevicesReceiptView::kKeptItems);
        QCOMPARE(view.item(0).text, QStringLiteral("line 80000"));
        QCOMPARE(view.item(view.itemCount() - 1).text, QStringLiteral("line 99999"));
        QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
        QVERIFY(view.viewport()->rect().contains(view.itemRect(view.itemCount() - 1)));
        view.clear();
        QCOMPARE(view.itemCount(), 0);
        QCOMPARE(view.droppedItems(), 0);
    }

    void displayLook_data()
    {
        QTest::addColumn<int>("attribute");
        QTest::addColumn<bool>("brightCells");
        QTest::newRow("normal") << opos::DISP_DT_NORMAL << false;
        QTest::newRow("reverse") << opos::DISP_DT_REVERSE << true;
    }
    void displayLook()
    {
        QFETCH(int, attribute);
        QFETCH(bool, brightCells);
        VirtualDevicesDisplayView view;
        view.setContent({QStringLiteral("HELLO               "), QString(20, QLatin1Char(' '))},
                        attribute);
        view.resize(view.sizeHint());
        const QImage image = view.grab().toImage();
        // An empty cell of the second row: its middle shows the cell colour.
        const QColor cell = image.pixelColor(image.width() - 20, image.height() * 3 / 4);
        QCOMPARE(cell.lightness() > 128, brightCells);
        QCOMPARE(image.pixelColor(2, image.height() / 2).lightness() < 40, true);
    }

    // A switch of the window reaches the device, which tells the enabled control object; the
    // main window logs the event and paints the lamp at its next refresh.
    void switchesRaiseStatusEvents_data()
    {
        QTest::addColumn<QByteArray>("control");
        QTest::addColumn<int>("choice"); // combo box index; -1 clicks the check box
        QTest::addColumn<QString>("logged");
        QTest::addColumn<QByteArray>("lamp");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QString>("undoneLog");
        QTest::newRow("cover open")
            << QByteArray("vdCoverOpen") << -1 << QStringLiteral("DATA=PTR_SUE_COVER_OPEN")
            << QByteArray("shpCover") << colours::Red << QStringLiteral("DATA=PTR_SUE_COVER_OK");
        QTest::newRow("paper near end")
            << QByteArray("vdPaperState") << 1 << QStringLiteral("DATA=PTR_SUE_REC_NEAREMPTY")
            << QByteArray("shpPaper") << colours::Yellow
            << QStringLiteral("DATA=PTR_SUE_REC_PAPEROK");
        QTest::newRow("paper empty")
            << QByteArray("vdPaperState") << 2 << QStringLiteral("DATA=PTR_SUE_REC_EMPTY")
            << QByteArray("shpPaper") << colours::Red << QStringLiteral("DATA=PTR_SUE_REC_PAPEROK");
    }
    void switchesRaiseStatusEvents()
    {
        QFETCH(QByteArray, control);
        QFETCH(int, choice);
        QFETCH(QString, logged);
        QFETCH(QByteArray, lamp);
        QFETCH(QColor, colour);
        QFETCH(QString, undoneLog);
        TwoWindows windows;
        QVERIFY(windows.main.openPrinter(true, true));
        auto toggle = [&](int index) {
            if (choice < 0)
                clickCheckBox(windows.control<QCheckBox>(control.constData()));
            else
                choose(windows.control<QComboBox>(control.constData()), index);
        };
        const QString event = QStringLiteral("StatusUpdateEvent() ");
        toggle(choice);
        QTRY_VERIFY(windows.log().contains(event + logged));
        windows.main.tick();
        QCOMPARE(windows.main.widget<Lamp>(lamp.constData()).FillColor(), colour);

        toggle(0);
        QTRY_VERIFY(windows.log().contains(event + undoneLog));
        windows.main.tick();
        QCOMPARE(windows.main.widget<Lamp>(lamp.constData()).FillColor(), colours::Green);
    }

    // What the control object answers after a switch of the window: each choice reaches the
    // device as the one it names.
    void switchesChangeWhatTheDeviceAnswers_data()
    {
        QTest::addColumn<QByteArray>("control");
        QTest::addColumn<int>("choice");
        QTest::addColumn<int>("expected"); // PrintNormal's result, or ClaimDevice's for vdHeld
        QTest::addColumn<int>("extended");
        QTest::newRow("cover open") << QByteArray("vdCoverOpen") << -1 << opos::OPOS_E_EXTENDED
                                    << opos::OPOS_EPTR_COVER_OPEN;
        QTest::newRow("paper empty") << QByteArray("vdPaperState") << 2 << opos::OPOS_E_EXTENDED
                                     << opos::OPOS_EPTR_REC_EMPTY;
        QTest::newRow("power offline") << QByteArray("vdPower") << 2 << opos::OPOS_E_OFFLINE << 0;
        QTest::newRow("held by another application")
            << QByteArray("vdHeld") << -1 << opos::OPOS_E_TIMEOUT << 0;
    }
    void switchesChangeWhatTheDeviceAnswers()
    {
        QFETCH(QByteArray, control);
        QFETCH(int, choice);
        QFETCH(int, expected);
        QFETCH(int, extended);
        TwoWindows windows;
        opos::PosPrinter& printer = windows.main.printer();
        if (choice < 0)
            clickCheckBox(windows.control<QCheckBox>(control.constData()));
        else
            choose(windows.control<QComboBox>(control.constData()), choice);
        if (control == "vdHeld") {
            QCOMPARE(printer.Open(sim::kPrinterName), opos::OPOS_SUCCESS);
            QCOMPARE(printer.ClaimDevice(0), expected);
            return;
        }
        QVERIFY(windows.main.openPrinter(true, true));
        QCOMPARE(printer.PrintNormal(opos::PTR_S_RECEIPT, QStringLiteral("x\n")), expected);
        QCOMPARE(printer.ResultCodeExtended(), extended);
    }

    void failNextCallIsOneShot_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<int>("expected"); // -1: a run-time failure
        QTest::addColumn<int>("extended");
        QTest::addColumn<QString>("armed");
        QTest::newRow("failure") << 0 << opos::OPOS_E_FAILURE << 0
                                 << QStringLiteral("Armed: OPOS_E_FAILURE");
        QTest::newRow("run-time failure")
            << 10 << -1 << 0 << QStringLiteral("Armed: Run-time failure");
    }
    void failNextCallIsOneShot()
    {
        QFETCH(int, choice);
        QFETCH(int, expected);
        QFETCH(int, extended);
        QFETCH(QString, armed);
        TwoWindows windows;
        QVERIFY(windows.main.openPrinter(true, true));
        opos::PosPrinter& printer = windows.main.printer();
        choose(windows.control<QComboBox>("vdFailCode"), choice);
        QTest::mouseClick(&windows.control<QPushButton>("vdFailNext"), Qt::LeftButton);
        QCOMPARE(windows.text("vdFailPending"), armed);
        const QString data = QStringLiteral("x\n");
        if (expected < 0) {
            QVERIFY_THROWS_EXCEPTION(std::exception,
                                     printer.PrintNormal(opos::PTR_S_RECEIPT, data));
        } else {
            QCOMPARE(printer.PrintNormal(opos::PTR_S_RECEIPT, data), expected);
            QCOMPARE(printer.ResultCodeExtended(), extended);
        }
        QCOMPARE(printer.PrintNormal(opos::PTR_S_RECEIPT, data), opos::OPOS_SUCCESS);
        QTRY_COMPARE(windows.text("vdFailPending"), QStringLiteral("Not armed"));
    }

    void showsWhatTheControlObjectDoes()
    {
        TwoWindows windows;
        QCOMPARE(windows.text("vdState"), QStringLiteral("OPOS_S_CLOSED"));
        QVERIFY(windows.main.openPrinter(true, true));
        QTRY_COMPARE(windows.text("vdState"), QStringLiteral("OPOS_S_IDLE"));
        QCOMPARE(windows.text("vdClaimed"), QStringLiteral("Yes"));
        QCOMPARE(windows.text("vdEnabled"), QStringLiteral("Yes"));
        QCOMPARE(windows.text("vdQueued"), QStringLiteral("0"));
        windows.main.printer().Close();
        QTRY_COMPARE(windows.text("vdState"), QStringLiteral("OPOS_S_CLOSED"));
        QCOMPARE(windows.text("vdClaimed"), QStringLiteral("No"));
        QCOMPARE(windows.text("vdEnabled"), QStringLiteral("No"));
    }

    void printedLineKeepsItsAttributes()
    {
        TwoWindows windows;
        QVERIFY(windows.main.openPrinter(true, true));
        const QString esc(QChar(27));
        QCOMPARE(windows.main.printer().PrintNormal(opos::PTR_S_RECEIPT,
                                                    esc + QStringLiteral("|bC") + esc +
                                                        QStringLiteral("|cATOTAL 12.50\n")),
                 opos::OPOS_SUCCESS);
        const ReceiptItem& printed = windows.lastItemWhen(ReceiptItem::Kind::Line);
        QCOMPARE(printed.text, QStringLiteral("TOTAL 12.50"));
        QVERIFY(printed.bold);
        QCOMPARE(printed.align, ReceiptItem::Align::Centre);

        VirtualDevicesReceiptView& view = windows.receipt();
        const QImage image = view.viewport()->grab().toImage();
        const QRect area = view.printableArea();
        const Ink ink = inkIn(image, QRect(area.left(), view.itemRect(view.itemCount() - 1).top(),
                                           area.width(), view.itemRect(0).height()));
        QVERIFY(ink.count > 0);
        QVERIFY(qAbs(ink.box.center().x() - area.center().x()) <= area.width() / 48);
    }

    void cutAddsATearLine_data()
    {
        QTest::addColumn<QString>("percentage");
        QTest::addColumn<ReceiptItem::Kind>("kind");
        QTest::newRow("full") << QStringLiteral("100") << ReceiptItem::Kind::FullCut;
        QTest::newRow("partial") << QStringLiteral("50") << ReceiptItem::Kind::PartialCut;
    }
    void cutAddsATearLine()
    {
        QFETCH(QString, percentage);
        QFETCH(ReceiptItem::Kind, kind);
        TwoWindows windows;
        QVERIFY(windows.main.openPrinter(true, true));
        windows.main.type("txtCutPaper", percentage);
        windows.main.click("cmdCutPaper");
        QCOMPARE(windows.lastItemWhen(kind).kind, kind);

        QTest::mouseClick(&windows.control<QPushButton>("vdClearReceipt"), Qt::LeftButton);
        QCOMPARE(windows.receipt().itemCount(), 0);
        QVERIFY(windows.main.simPrinter().receipt().isEmpty());
    }

    void drawerOpenedByThePageClosesByHand()
    {
        TwoWindows windows;
        // A second control object listens, as a point-of-sale application would.
        opos::CashDrawer listener(windows.main.registry(), {});
        QCOMPARE(listener.Open(sim::kCashDrawerName), opos::OPOS_SUCCESS);
        listener.SetDeviceEnabled(true);
        QSignalSpy events(&listener, &opos::CashDrawer::StatusUpdateEvent);
        auto& lamp = windows.control<Lamp>("vdDrawerLamp");
        auto& close = windows.control<QPushButton>("vdCloseDrawer");
        QCOMPARE(lamp.FillColor(), colours::Green);
        QVERIFY(!close.isEnabled());

        windows.main.click("cmdCashDrawerOpen");
        QTRY_COMPARE(lamp.FillColor(), colours::Red);
        QCOMPARE(windows.text("vdDrawerState"), QStringLiteral("Open"));
        QVERIFY(close.isEnabled());

        QTest::mouseClick(&close, Qt::LeftButton);
        QTRY_COMPARE(lamp.FillColor(), colours::Green);
        QCOMPARE(windows.text("vdDrawerState"), QStringLiteral("Closed"));
        QVERIFY(!close.isEnabled());
        QTRY_VERIFY(!events.isEmpty() &&
                    events.last().at(0).toInt() == opos::CASH_SUE_DRAWERCLOSED);
    }

    void displayShowsTheTextOfTheLineDisplayPage()
    {
        TwoWindows windows;
        windows.main.type("txtLDDisplay", QStringLiteral("HELLO CUSTOMER"));
        windows.main.click("cmdDisplayText");
        auto& display = windows.control<VirtualDevicesDisplayView>("vdDisplay");
        QTRY_COMPARE(display.rows().value(0), QStringLiteral("HELLO CUSTOMER      "));
        QCOMPARE(display.rows().value(1), QString(20, QLatin1Char(' ')));
        QCOMPARE(display.attribute(), opos::DISP_DT_NORMAL);
    }

    void windowStandsBesideTheMainWindow()
    {
        TwoWindows windows;
        const QString shot = qEnvironmentVariable("VIRTUAL_DEVICES_SCREENSHOT");
        if (!shot.isEmpty()) {
            printSample(windows);
            QVERIFY(windows.devices.grab().save(shot));
        }
        QCOMPARE(windows.devices.windowTitle(), QStringLiteral("Virtual devices"));
        QVERIFY(windows.devices.isWindow());
        const QRect screen = windows.main.window().screen()->availableGeometry();
        const QRect main = windows.main.window().frameGeometry();
        const QRect beside = windows.devices.frameGeometry();
        const QSize least = windows.devices.minimumSizeHint();
        if (least.width() <= screen.width() && least.height() <= screen.height())
            QVERIFY(screen.contains(beside));
        if (screen.width() - main.width() >= least.width() + 8)
            QVERIFY(!beside.intersects(main));

        // The window manager places the main window after start-up: the window follows it.
        windows.main.window().move(20, 30);
        QTRY_COMPARE(windows.devices.frameGeometry().top(), 30);
    }

    void startsBesideTheMainWindowUnlessAskedNotAndShowsAgain_data()
    {
        QTest::addColumn<bool>("wanted");
        QTest::newRow("by default") << true;
        QTest::newRow("--no-virtual-devices") << false;
    }
    void startsBesideTheMainWindowUnlessAskedNotAndShowsAgain()
    {
        QFETCH(bool, wanted);
        AppOptions options;
        options.virtualDevices = wanted;
        Application application(options);
        QVERIFY(application.Main());
        // They come once the main window is on the screen.
        QVERIFY(QTest::qWaitForWindowExposed(application.window()));
        QList<VirtualDevicesWindow*> shown;
        const auto findShown = [&shown] {
            shown.clear();
            for (QWidget* window : QApplication::topLevelWidgets()) {
                auto* devices = qobject_cast<VirtualDevicesWindow*>(window);
                if (devices != nullptr && devices->isVisible())
                    shown.append(devices);
            }
            return shown.size();
        };
        if (wanted)
            QTRY_COMPARE(findShown(), 1);
        else
            QCOMPARE(findShown(), 0);

        // Closed, or never opened: View -> Virtual devices brings it back, whole on the screen;
        // moved off the screen, Ctrl+D brings it back onto it.
        for (VirtualDevicesWindow* window : shown)
            window->close();
        auto* show = application.window()->findChild<QAction*>(QStringLiteral("actVirtualDevices"));
        QVERIFY(show != nullptr);
        show->trigger();
        const QRect screen = application.window()->screen()->availableGeometry();
        int visible = 0;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (qobject_cast<VirtualDevicesWindow*>(window) && window->isVisible()) {
                ++visible;
                QVERIFY(screen.contains(window->frameGeometry()));
                window->move(screen.right() + 100, screen.top());
                QApplication::setActiveWindow(application.window());
                QTest::keyClick(application.window(), Qt::Key_D, Qt::ControlModifier);
                QVERIFY(screen.contains(window->frameGeometry()));
            }
        }
        QCOMPARE(visible, 1);
    }

    void armingAFailureKeepsTheWindowWidth()
    {
        sim::SimulatedDevices devices;
        VirtualDevicesWindow window(devices);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const int width = window.width();
        const int hint = window.sizeHint().width();
        auto& code = *window.findChild<QComboBox*>(QStringLiteral("vdFailCode"));
        for (int i = 0; i < code.count(); ++i) {
            code.setCurrentIndex(i);
            QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("vdFailNext")),
                              Qt::LeftButton);
            QTRY_VERIFY(window.findChild<QLabel*>(QStringLiteral("vdFailPending"))
                            ->text()
                            .contains(code.itemText(i)));
            QCOMPARE(window.sizeHint().width(), hint);
            QCOMPARE(window.width(), width);
        }
    }
};

QTEST_MAIN(TestVirtualDevices)
#include "test_virtual_devices.moc"

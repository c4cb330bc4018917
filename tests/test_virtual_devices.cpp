#include "app/VirtualDevicesDisplayView.h"
#include "app/VirtualDevicesPlacement.h"
#include "app/VirtualDevicesReceiptView.h"
#include "opos/OposConstants.h"

#include <QImage>
#include <QScrollBar>
#include <QTest>

using sim::ReceiptItem;

namespace {

ReceiptItem line(const QString& text, ReceiptItem::Align align = ReceiptItem::Align::Left)
{
    ReceiptItem item;
    item.text = text;
    item.align = align;
    return item;
}

ReceiptItem cut(ReceiptItem::Kind kind)
{
    ReceiptItem item;
    item.kind = kind;
    return item;
}

bool isInk(QRgb pixel)
{
    return qGray(pixel) < 110;
}

// The inked pixels of one rectangle of an image: their bounding box and how many there are.
struct Ink
{
    QRect box;
    int count = 0;
};

Ink inkIn(const QImage& image, const QRect& area)
{
    Ink ink;
    const QRect clipped = area & image.rect();
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            if (isInk(image.pixel(x, y))) {
                ink.box |= QRect(x, y, 1, 1);
                ++ink.count;
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

} // namespace

class TestVirtualDevices : public QObject
{
    Q_OBJECT

private slots:
    void placement_data()
    {
        QTest::addColumn<QRect>("main");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("expected");
        const QSize wanted(600, 700);
        const QRect screen(0, 0, 1920, 1040);
        QTest::newRow("right of the main window")
            << QRect(100, 50, 1024, 667) << screen << QRect(1132, 50, 600, 700);
        QTest::newRow("left when the right is full")
            << QRect(1200, 50, 700, 667) << screen << QRect(592, 50, 600, 700);
        QTest::newRow("wider side, narrowed to its room")
            << QRect(200, 0, 1024, 667) << QRect(0, 0, 1700, 1040) << QRect(1232, 0, 468, 700);
        QTest::newRow("no room: minimum width, kept on the screen")
            << QRect(0, 0, 1366, 700) << QRect(0, 0, 1366, 768) << QRect(966, 0, 400, 700);
        QTest::newRow("low main window: moved up to fit")
            << QRect(100, 600, 1024, 667) << screen << QRect(1132, 340, 600, 700);
        QTest::newRow("second screen") << QRect(2000, 100, 1024, 667) << QRect(1920, 0, 1920, 1040)
                                       << QRect(3032, 100, 600, 700);
        QTest::newRow("short screen: height clipped")
            << QRect(0, 0, 1024, 500) << QRect(0, 0, 1920, 600) << QRect(1032, 0, 600, 600);
    }
    void placement()
    {
        QFETCH(QRect, main);
        QFETCH(QRect, available);
        QFETCH(QRect, expected);
        const QRect place = virtualDevicesPlacement(main, available, {600, 700}, {400, 300});
        QCOMPARE(place, expected);
        QVERIFY(available.contains(place));
        if (available.width() - main.width() >= 400 + 8)
            QVERIFY(!place.intersects(main));
    }

    void lineAttributes_data()
    {
        QTest::addColumn<ReceiptItem>("item");
        QTest::addColumn<int>("columns"); // printed width in character columns
        QTest::addColumn<bool>("tall");
        auto with = [](ReceiptItem item, auto change) {
            change(item);
            return item;
        };
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
        QTest::newRow("double both, right") << with(plain, [](auto& i) {
            i.doubleWidth = i.doubleHeight = true;
            i.align = ReceiptItem::Align::Right;
        }) << 22 << true;
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

    void boldAndUnderlineAddInk()
    {
        ReceiptItem bold = line(QStringLiteral("SUBTOTAL"));
        bold.bold = true;
        ReceiptItem underline = line(QStringLiteral("SUBTOTAL"));
        underline.underline = true;
        ShownReceipt shown({line(QStringLiteral("SUBTOTAL")), bold, underline});
        const Ink plainInk = shown.inkOfItem(0);
        QVERIFY(shown.inkOfItem(1).count > plainInk.count * 5 / 4);
        const Ink underlined = shown.inkOfItem(2);
        QVERIFY(underlined.count > plainInk.count);
        QVERIFY(underlined.box.width() >= plainInk.box.width());
    }

    // The printer wraps at its line width; a 64-column line still fits the paper.
    void wideLineIsSqueezedOntoThePaper()
    {
        ShownReceipt shown({line(QString(64, QLatin1Char('X'))), line(QStringLiteral("next"))});
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
        bool dashed = false;
        for (int dx = 0; dx < 12; ++dx)
            dashed = dashed || shown.image.pixelColor(x + dx, partial.center().y()) != paper;
        QVERIFY(dashed);
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
};

QTEST_MAIN(TestVirtualDevices)
#include "test_virtual_devices.moc"

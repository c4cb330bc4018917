#include "app/window/PluginFreeStyle.h"
#include "support/WindowFixture.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QMenuBar>
#include <QStyleFactory>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

namespace {

// Fusion, counting the times it is asked for the menu bar's overflow arrow.
class CountingFusion : public QProxyStyle
{
public:
    CountingFusion() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                       const QWidget* widget) const override
    {
        if (icon == SP_ToolBarHorizontalExtensionButton)
            ++arrowsRead;
        return QProxyStyle::standardIcon(icon, option, widget);
    }

    mutable int arrowsRead = 0;
};

QImage drawn(QWidget& widget, QStyle& style)
{
    widget.setStyle(&style);
    widget.resize(220, 90);
    return widget.grab().toImage();
}

// Whether an image-format plugin is mapped into this process.
bool imagePluginLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/imageformats/");
}

} // namespace

// The style the program runs with draws as the style it wraps and keeps the image-format plugins
// out of the start.
class TestPluginFreeStyle : public QObject
{
    Q_OBJECT

private slots:
    // Runs first, while nothing in this process has read an image yet.
    void theWindowIsShownWithoutImagePlugins()
    {
        QVERIFY(!imagePluginLoaded());
        QApplication::setStyle(
            new PluginFreeStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
        WindowFixture fixture;
        fixture.window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&fixture.window()));
        fixture.window().grab();
        QVERIFY2(!imagePluginLoaded(), "an image was read by name before the window was seen");
    }

    void groupBoxesLookAsInTheBaseStyle_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("checkable");
        QTest::newRow("titled") << QStringLiteral("Quenta Printer") << false;
        QTest::newRow("untitled") << QString() << false;
        QTest::newRow("checkable, untitled") << QString() << true;
    }

    void groupBoxesLookAsInTheBaseStyle()
    {
        QFETCH(QString, title);
        QFETCH(bool, checkable);
        QGroupBox box(title);
        box.setCheckable(checkable);
        new QVBoxLayout(&box);
        const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
        PluginFreeStyle style(QStyleFactory::create(QStringLiteral("Fusion")));
        const QImage expected = drawn(box, *fusion);
        QCOMPARE(drawn(box, style), expected);
        box.setStyle(nullptr);
    }

    void anArrowOutlivingItsStyleDrawsNothing()
    {
        QIcon arrow;
        {
            PluginFreeStyle style(new CountingFusion);
            arrow = style.standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton);
        }
        QVERIFY(arrow.isNull());
        QVERIFY(arrow.pixmap(16).isNull());
    }

    void aMenuBarTooNarrowForItsMenusReadsTheArrowToShowIt()
    {
        auto* counting = new CountingFusion;
        QApplication::setStyle(new PluginFreeStyle(counting));
        QWidget window;
        auto* bar = new QMenuBar(&window);
        for (const char* name : {"File", "Edit", "Device", "View", "Help"})
            bar->addMenu(QString::fromLatin1(name));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(counting->arrowsRead, 0);

        bar->resize(60, bar->sizeHint().height());
        auto* extension = bar->findChild<QWidget*>(QStringLiteral("qt_menubar_ext_button"));
        QVERIFY(extension != nullptr);
        QTRY_VERIFY(extension->isVisible());
        extension->grab();
        QCOMPARE(counting->arrowsRead, 1);
        const auto arrow = [](const QStyle& style) {
            return style.standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton)
                .pixmap(16)
                .toImage();
        };
        QCOMPARE(arrow(*QApplication::style()), arrow(*counting->baseStyle()));
    }
};

QTEST_MAIN(TestPluginFreeStyle)
#include "test_plugin_free_style.moc"

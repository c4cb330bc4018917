#include "app/window/PluginFreeStyle.h"

#include <QGroupBox>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPointer>
#include <QStyleOption>
#include <functional>
#include <optional>
#include <qdrawutil.h>

namespace {

// Fusion frames a group box with this image, stretched between corners of six pixels, starting
// this far below the top of a box without a title.
const QString kGroupBoxFrameImage =
    QStringLiteral(":/qt-project.org/styles/commonstyle/images/fusion_groupbox.png");
constexpr int kGroupBoxTopMargin = 3;

// An icon that asks for its real self on first use and hands every request on to it.
class DeferredIconEngine final : public QIconEngine
{
public:
    explicit DeferredIconEngine(std::function<QIcon()> load) : m_load(std::move(load)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        real().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return real().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return real().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override
    {
        return real().pixmap(size, scale, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return real().availableSizes(mode, state);
    }
    bool isNull() override { return real().isNull(); }
    QString key() const override { return QStringLiteral("deferred"); }
    QIconEngine* clone() const override { return new DeferredIconEngine(*this); }

private:
    const QIcon& real()
    {
        if (!m_real)
            m_real = m_load();
        return *m_real;
    }

    std::function<QIcon()> m_load;
    std::optional<QIcon> m_real;
};

// A PNG read by Qt's own reader alone: no plugin is asked whether it reads the file.
QPixmap readPng(const QString& path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

} // namespace

PluginFreeStyle::PluginFreeStyle(QStyle* base) : QProxyStyle(base) {}

PluginFreeStyle::~PluginFreeStyle() = default;

QIcon PluginFreeStyle::standardIcon(StandardPixmap icon, const QStyleOption* option,
                                    const QWidget* widget) const
{
    if (icon != SP_ToolBarHorizontalExtensionButton && icon != SP_ToolBarVerticalExtensionButton)
        return QProxyStyle::standardIcon(icon, option, widget);
    // The option and widget may be gone by the time the arrow is drawn: a copy of the option
    // (its direction chooses the arrow) and a guarded widget go to the base style then.
    std::optional<QStyleOption> asked;
    if (option != nullptr)
        asked = *option;
    return QIcon(new DeferredIconEngine([self = QPointer<const PluginFreeStyle>(this), asked,
                                         asker = QPointer<const QWidget>(widget), icon]() -> QIcon {
        if (!self)
            return {};
        return self->baseStyle()->standardIcon(icon, asked ? &*asked : nullptr, asker.data());
    }));
}

void PluginFreeStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                    QPainter* painter, const QWidget* widget) const
{
    if (element != PE_FrameGroupBox || baseStyle()->name() != QLatin1String("fusion")) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    if (m_groupBoxFrame.isNull())
        m_groupBoxFrame = readPng(kGroupBoxFrameImage);
    // The frame starts below the title, or just below the top of a box without one.
    int topMargin = kGroupBoxTopMargin;
    const auto* box = qobject_cast<const QGroupBox*>(widget);
    if (box == nullptr || box->isCheckable() || !box->title().isEmpty())
        topMargin += qMax(pixelMetric(PM_ExclusiveIndicatorHeight), option->fontMetrics.height());
    qDrawBorderPixmap(painter, option->rect.adjusted(0, topMargin, 0, 0), QMargins(6, 6, 6, 6),
                      m_groupBoxFrame);
}

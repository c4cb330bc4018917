#include "app/window/TitleFit.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QSpacerItem>
#include <QWidget>
#include <algorithm>

namespace {
// Room for the window manager's icon, close, minimise and maximise buttons and the margins.
constexpr int kTitleBarButtons = 150;
} // namespace

int titleBarWidth(const QWidget& box)
{
    QFont title = box.font();
    title.setBold(true); // most title bars use a bold face: the wider of the two
    return QFontMetrics(title).horizontalAdvance(box.windowTitle()) + kTitleBarButtons;
}

void fitTitle(QWidget& box)
{
    const int width = titleBarWidth(box);
    // A message box computes its own fixed size from its layout: a spacer as wide as the title
    // makes that size wide enough.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
        return;
    }
    box.setMinimumWidth(std::max(box.minimumWidth(), width));
}

#include "app/pages/FlexGridView.h"
#include "app/pages/FormBuilder.h"
#include "app/pages/Twips.h"
#include "app/window/CompactTabStyle.h"
#include "app/window/Logo.h"
#include "app/window/frmMain.h"
#include "app/window/frmMainPages.h"
#include "app/window/frmMainParts.h"

#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <array>

namespace {

// The window-wide focus order: lower places first. Labels, frames and pictures take no focus.
struct FocusPlace
{
    const char* name;
    int place;
};

constexpr std::array kFocusOrder = {
    FocusPlace{"SSTab1", 3},
    FocusPlace{"MSFlexGrid1", 5},
    FocusPlace{"cmdClaim", 7},
    FocusPlace{"lstPrinter", 8},
    FocusPlace{"cmdClose", 16},
    FocusPlace{"cmdRelease", 17},
    FocusPlace{"cmdOpen", 18},
    FocusPlace{"txtDevice", 19},
    FocusPlace{"txtTimeout", 20},
    FocusPlace{"cmdSetDeviceEnable", 21},
    FocusPlace{"txtObject", 22},
    FocusPlace{"txtData", 23},
    FocusPlace{"txtCommand", 24},
    FocusPlace{"cmdDirectIO", 25},
    FocusPlace{"cmdSetFlagWhenIdle", 29},
    FocusPlace{"txtCutPaperAtEnd", 30},
    FocusPlace{"chkCutPaper", 31},
    FocusPlace{"txtSelection", 32},
    FocusPlace{"cmdFilePrintImmediate", 33},
    FocusPlace{"cmdEdit", 34},
    FocusPlace{"cmdSelect", 35},
    FocusPlace{"txtPrint", 39},
    FocusPlace{"txtCutPaper", 41},
    FocusPlace{"cmdCutPaper", 42},
    FocusPlace{"cmdPrintNormal", 46},
    FocusPlace{"cmdPrintImmediate", 49},
    FocusPlace{"chkAsyncMode", 52},
    FocusPlace{"chkFileAsyncMode", 53},
    FocusPlace{"cmdFilePrintNormal", 54},
    FocusPlace{"cmdTransactionPrint", 59},
    FocusPlace{"MSFlexGrid2", 63},
    FocusPlace{"cmdReadProp", 64},
    FocusPlace{"cmdWriteProp", 65},
    FocusPlace{"cdDevice", 67},
    FocusPlace{"cmdCashDrawerOpen", 68},
    FocusPlace{"cmdDisplayText", 70},
    FocusPlace{"ldDevice", 71},
    FocusPlace{"txtLDDisplay", 73},
};

QLabel* picture(QWidget* parent, const char* name, const QRect& rect, const QPixmap& logo)
{
    auto* picture = new QLabel(parent);
    picture->setObjectName(QString::fromLatin1(name));
    picture->setPixmap(logo);
    picture->setGeometry(rect);
    return picture;
}

QGroupBox* frame(const FormBuilder& form, QWidget* parent, const char* name, const QString& caption,
                 const QRect& rect)
{
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setFont(form.fonts().controls);
    frame->setGeometry(rect);
    return frame;
}

} // namespace

void frmMain::buildWindow()
{
    const FormBuilder form(WindowFonts::make());
    setFont(form.fonts().controls);

    // The specified client area keeps its size and layout; what the bench adds sits around it:
    // a menu bar above and a status bar below.
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("clientArea"));
    client->setFixedSize(twipsToPixels(14985), twipsToPixels(9510));
    auto* menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    auto* statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("statusBar"));
    statusBar->setSizeGripEnabled(false);
    auto* frameLayout = new QVBoxLayout(this);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    frameLayout->setSpacing(0);
    frameLayout->setSizeConstraint(QLayout::SetFixedSize);
    frameLayout->setMenuBar(menuBar);
    frameLayout->addWidget(client);
    frameLayout->addWidget(statusBar);

    const QPixmap logo = makeLogo();
    picture(client, "Picture1", twipsRect(210, 210, 1875, 525), logo);
    form.label(client, "Label1", QStringLiteral("[QUENTA Printer OPOS DRIVER]"),
               twipsRect(3000, 210, 8115, 525), Qt::AlignCenter)
        ->setFont(form.fonts().banner);
    picture(client, "Picture2", twipsRect(11160, 210, 1875, 525), logo);

    auto* tabs = new QTabWidget(client);
    tabs->setObjectName(QStringLiteral("SSTab1"));
    tabs->setFont(form.fonts().controls);
    tabs->tabBar()->setFont(form.fonts().tabCaptions);
    tabs->setUsesScrollButtons(false);
    auto* tabStyle = new CompactTabStyle;
    tabStyle->setParent(tabs->tabBar());
    tabs->tabBar()->setStyle(tabStyle);
    tabs->setGeometry(twipsRect(240, 1080, 8655, 4425));
    const std::array captions = {QStringLiteral("Main CMDs"),   QStringLiteral("Line PRINT"),
                                 QStringLiteral("File PRINT"),  QStringLiteral("Mixed CMDs"),
                                 QStringLiteral("Properties"),  QStringLiteral("Cash Drawer"),
                                 QStringLiteral("Line Display")};
    std::array<QWidget*, captions.size()> pages{};
    for (std::size_t i = 0; i < captions.size(); ++i) {
        pages[i] = new QWidget;
        pages[i]->setObjectName(QStringLiteral("SSTab1Page%1").arg(i));
        tabs->addTab(pages[i], captions[i]);
    }
    buildMainCmdsPage(form, pages[0]);
    buildLinePrintPage(form, pages[1]);
    buildFilePrintPage(form, pages[2]);
    buildMixedCmdsPage(form, pages[3]);
    // The grid's rectangle counts from the tab control's corner, tab row included.
    const int tabRow = tabs->tabBar()->sizeHint().height();
    buildPropertiesPage(form, pages[4], d->propertyGrid,
                        twipsRect(300, 900, 8085, 2835).translated(0, -tabRow - 2));
    buildCashDrawerPage(form, pages[5]);
    buildLineDisplayPage(form, pages[6]);

    auto* frame1 = frame(form, client, "Frame1", QStringLiteral("OPOS Methods && Event List"),
                         twipsRect(300, 5760, 8595, 3135));
    auto* log = new FlexGridView(d->logGrid, frame1);
    log->setObjectName(QStringLiteral("MSFlexGrid1"));
    log->setGeometry(twipsRect(240, 420, 8085, 2415));

    buildStatusPanel(form,
                     frame(form, client, "Frame2", QStringLiteral("Quenta Printer"),
                           twipsRect(9120, 960, 5715, 7995)),
                     d->printerList);

    for (const char* name : {"Picture1", "Picture2"})
        control<QWidget>(name).setFocusPolicy(Qt::NoFocus);
    for (std::size_t i = 1; i < kFocusOrder.size(); ++i)
        setTabOrder(&control<QWidget>(kFocusOrder[i - 1].name),
                    &control<QWidget>(kFocusOrder[i].name));
}

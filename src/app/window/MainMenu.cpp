#include "app/window/MainMenu.h"

#include "app/dialogs/BarcodeDialog.h"
#include "app/dialogs/EscapeSequenceHelp.h"
#include "app/dialogs/ImageDialog.h"
#include "app/window/AboutBox.h"
#include "app/window/frmMain.h"
#include "opos/PosPrinter.h"
#include "printer/TestReceipt.h"
#include "services/FailureTrap.h"
#include "services/FlexGridModel.h"
#include "services/FormState.h"
#include "services/LogExport.h"
#include "services/ModuleFlags.h"
#include "services/RunningHandlers.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QCompleter>
#include <QDateTime>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStringListModel>
#include <QTabWidget>
#include <QTableView>
#include <algorithm>

namespace {

constexpr int kMainCmdsPage = 0;
constexpr int kLinePrintPage = 1;
constexpr int kCashDrawerPage = 5;
constexpr int kLineDisplayPage = 6;

// The grid rows (data rows from 1) selected in a view of a FlexGridModel, below endRow; the
// current row when nothing is selected.
QList<int> selectedGridRows(const QAbstractItemView& view, int endRow)
{
    QList<int> rows;
    for (const QItemSelectionRange& range : view.selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom() && row + 1 < endRow; ++row)
            rows.append(row + 1);
    }
    if (rows.isEmpty() && view.currentIndex().isValid() && view.currentIndex().row() + 1 < endRow)
        rows.append(view.currentIndex().row() + 1);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

// Shows a tool window that stays open beside the main window, in front.
void bringToFront(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

QString stampedName(const char* stem, const char* suffix)
{
    return QStringLiteral("%1-%2.%3")
        .arg(QLatin1String(stem),
             QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")),
             QLatin1String(suffix));
}

} // namespace

MainMenu::MainMenu(const Parts& parts) : m_parts(parts), m_sources(defaultKnownDeviceSources())
{
    frmMain& window = m_parts.window;
    auto& txtDevice = window.control<QLineEdit>("txtDevice");
    m_testReceipt = std::make_unique<TestReceipt>(
        m_parts.printer, m_parts.device, m_parts.line, txtDevice,
        [this](const QString& name) { return deviceAddressOf(name, m_sources); });

    QMenu* file = m_parts.menuBar.addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    QAction* saveLog = addAction(file, "actSaveLog", tr("&Save log\u2026"),
                                 QKeySequence(Qt::CTRL | Qt::Key_S), &MainMenu::SaveLog);
    addAction(file, "actSaveReceipt", tr("Save &receipt image\u2026"), {},
              &MainMenu::SaveReceiptImage);
    file->addSeparator();
    QAction* quit = file->addAction(tr("&Quit"));
    quit->setObjectName(QStringLiteral("actQuit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    window.addAction(quit);
    connect(quit, &QAction::triggered, &window, &QWidget::close);

    QMenu* edit = m_parts.menuBar.addMenu(tr("&Edit"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    QAction* copy = addAction(edit, "actCopy", tr("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C),
                              &MainMenu::Copy);
    QAction* selectAll =
        addAction(edit, "actSelectAll", tr("Select &all log rows"), {}, &MainMenu::SelectAll);

    QMenu* device = m_parts.menuBar.addMenu(tr("&Device"));
    device->setObjectName(QStringLiteral("mnuDevice"));
    addAction(device, "actTestReceipt", tr("Print &test receipt"), QKeySequence(Qt::Key_F5),
              &MainMenu::PrintTestReceipt);
    addAction(device, "actPrintBarcode", tr("Print &barcode\u2026"), {},
              &MainMenu::ShowBarcodeDialog);
    addAction(device, "actPrintImage", tr("Print &image\u2026"), {}, &MainMenu::ShowImageDialog);
    m_knownDevices = device->addMenu(tr("&Known devices"));
    m_knownDevices->setObjectName(QStringLiteral("mnuKnownDevices"));
    m_knownDevices->setToolTipsVisible(true); // the devices.ini heading tells its path
    connect(m_knownDevices, &QMenu::aboutToShow, this, &MainMenu::fillKnownDevices);

    QMenu* view = m_parts.menuBar.addMenu(tr("&View"));
    view->setObjectName(QStringLiteral("mnuView"));
    m_virtualDevicesAction = view->addAction(tr("&Virtual devices"));
    m_virtualDevicesAction->setObjectName(QStringLiteral("actVirtualDevices"));
    m_virtualDevicesAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    m_virtualDevicesAction->setEnabled(false);
    window.addAction(m_virtualDevicesAction);
    connect(m_virtualDevicesAction, &QAction::triggered, this, [this] {
        if (m_showVirtualDevices)
            m_showVirtualDevices();
    });

    QMenu* help = m_parts.menuBar.addMenu(tr("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    addAction(help, "actEscapeHelp", tr("Print data &escape sequences"), QKeySequence(Qt::Key_F1),
              &MainMenu::ShowEscapeHelp);
    addAction(help, "actAbout", tr("&About"), {}, &MainMenu::ShowAbout);

    // The log: whole rows are selected, the columns can be widened, and a context menu offers
    // what the Edit menu does with it.
    auto& log = window.control<QTableView>("MSFlexGrid1");
    log.setSelectionBehavior(QAbstractItemView::SelectRows);
    log.setSelectionMode(QAbstractItemView::ExtendedSelection);
    log.horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    log.setContextMenuPolicy(Qt::ActionsContextMenu);
    log.addActions({copy, selectAll, saveLog});

    m_completions = new QStringListModel(this);
    auto* completer = new QCompleter(m_completions, &txtDevice);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    txtDevice.setCompleter(completer);
    // Looking for the known devices (the serial ports above all) takes longer than building
    // the whole window: the completions are found when the first key is typed into the box.
    txtDevice.installEventFilter(this);
}

bool MainMenu::eventFilter(QObject* watched, QEvent* event)
{
    const bool typing = event->type() == QEvent::KeyPress || event->type() == QEvent::InputMethod;
    if (typing) {
        watched->removeEventFilter(this);
        if (!m_completionsFilled)
            trapFailures(m_parts.window.dialogs(), kErrorMessageTitle,
                         [this] { refreshCompletion(listKnownDevices(m_sources)); });
    }
    return QObject::eventFilter(watched, event);
}

MainMenu::~MainMenu() = default;

QAction* MainMenu::addAction(QMenu* menu, const char* name, const QString& text,
                             const QKeySequence& shortcut, void (MainMenu::*handler)())
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    // The shortcut works wherever the focus is in the window, not only with the menu open.
    m_parts.window.addAction(action);
    connect(action, &QAction::triggered, this, [this, handler] {
        const RunningHandlers::Scope scope(m_parts.running);
        (this->*handler)();
    });
    return action;
}

void MainMenu::setReceiptSaver(std::function<void(const QString& path)> save)
{
    m_saveReceipt = std::move(save);
}

void MainMenu::setVirtualDevicesShower(std::function<void()> show)
{
    m_showVirtualDevices = std::move(show);
    m_virtualDevicesAction->setEnabled(bool(m_showVirtualDevices));
}

void MainMenu::setKnownDeviceSources(KnownDeviceSources sources)
{
    m_sources = std::move(sources);
    refreshCompletion(listKnownDevices(m_sources));
}

void MainMenu::SaveLog()
{
    Dialogs& dialogs = m_parts.window.dialogs();
    trapFailures(dialogs, kErrorMessageTitle, [&] {
        const auto path = dialogs.saveFile({tr("Save log"),
                                            QStringLiteral("CSV (*.csv)|*.csv|Text (*.txt)|*.txt"),
                                            stampedName("opos-log", "csv"), QStringLiteral("csv")});
        if (path)
            saveLogFile(m_parts.window.logGrid(), m_parts.window.form().LogRow, *path);
    });
}

void MainMenu::SaveReceiptImage()
{
    Dialogs& dialogs = m_parts.window.dialogs();
    trapFailures(dialogs, kErrorMessageTitle, [&] {
        if (!m_saveReceipt) {
            dialogs.warning(tr("There is no simulated printer whose receipt could be saved."),
                            kErrorMessageTitle);
            return;
        }
        const auto path =
            dialogs.saveFile({tr("Save receipt image"), QStringLiteral("PNG (*.png)|*.png"),
                              stampedName("receipt", "png"), QStringLiteral("png")});
        if (path)
            m_saveReceipt(*path);
    });
}

void MainMenu::Copy()
{
    frmMain& window = m_parts.window;
    trapFailures(window.dialogs(), kErrorMessageTitle, [&] {
        const auto& properties = window.control<QAbstractItemView>("MSFlexGrid2");
        const QWidget* focus = QApplication::focusWidget();
        const bool fromProperties =
            focus && (focus == &properties || properties.isAncestorOf(focus));
        const QString text =
            fromProperties
                ? rowsAsTabText(window.propertyGrid(),
                                selectedGridRows(properties, window.form().PropRow), false)
                : rowsAsTabText(window.logGrid(),
                                selectedGridRows(window.control<QAbstractItemView>("MSFlexGrid1"),
                                                 window.form().LogRow),
                                true);
        if (!text.isEmpty())
            QApplication::clipboard()->setText(text);
    });
}

void MainMenu::SelectAll()
{
    m_parts.window.logGrid().flush();
    m_parts.window.control<QAbstractItemView>("MSFlexGrid1").selectAll();
}

void MainMenu::PrintTestReceipt()
{
    m_testReceipt->Print();
}

void MainMenu::ShowBarcodeDialog()
{
    if (!m_barcode) {
        m_barcode = new BarcodeDialog(&m_parts.window);
        connect(m_barcode, &BarcodeDialog::printRequested, this,
                [this](const BarcodeParameters& parameters) {
                    const RunningHandlers::Scope scope(m_parts.running);
                    printBarCode(m_parts.printer, m_parts.line, parameters);
                });
    }
    bringToFront(m_barcode);
}

void MainMenu::ShowImageDialog()
{
    if (!m_image) {
        Dialogs& dialogs = m_parts.window.dialogs();
        m_image = new ImageDialog(
            [&dialogs] {
                return dialogs.openFile(
                    {tr("Print image"),
                     QStringLiteral("Images (*.png *.bmp *.gif *.jpg *.jpeg)|*.png;*.bmp;*.gif;"
                                    "*.jpg;*.jpeg|All files (*.*)|*.*"),
                     QString(), QStringLiteral("png")});
            },
            &m_parts.window);
        connect(m_image, &ImageDialog::printRequested, this,
                [this](const BitmapParameters& parameters) {
                    const RunningHandlers::Scope scope(m_parts.running);
                    printBitmap(m_parts.printer, m_parts.line, parameters);
                });
    }
    bringToFront(m_image);
}

void MainMenu::ShowEscapeHelp()
{
    frmMain& window = m_parts.window;
    if (!m_escapeHelp) {
        m_escapeHelp = new EscapeSequenceHelp(window.control<QLineEdit>("txtPrint"), &window);
        connect(m_escapeHelp, &EscapeSequenceHelp::inserted, this, [&window] {
            window.control<QTabWidget>("SSTab1").setCurrentIndex(kLinePrintPage);
        });
    }
    bringToFront(m_escapeHelp);
}

void MainMenu::ShowAbout()
{
    trapFailures(m_parts.window.dialogs(), kErrorMessageTitle, [this] {
        if (!m_about)
            m_about = makeAboutBox(m_parts.window.OPOSPOSPrinter1().ControlObjectVersion(),
                                   m_sources.deviceFile, &m_parts.window);
        m_about->show();
        m_about->raise();
    });
}

void MainMenu::fillKnownDevices()
{
    trapFailures(m_parts.window.dialogs(), kErrorMessageTitle, [this] {
        m_knownDevices->clear();
        const QList<KnownDevice> devices = listKnownDevices(m_sources);
        refreshCompletion(devices);
        const std::array<std::pair<KnownDevice::Source, QString>, 4> sections{{
            {KnownDevice::Source::DeviceFile, QStringLiteral("devices.ini")},
            {KnownDevice::Source::UsbPrinter, tr("USB printers")},
            {KnownDevice::Source::SerialPort, tr("Serial ports")},
            {KnownDevice::Source::Simulated, tr("Simulated")},
        }};
        for (const auto& [source, title] : sections) {
            QAction* section = m_knownDevices->addSection(title);
            if (source == KnownDevice::Source::DeviceFile)
                section->setToolTip(m_sources.deviceFile);
            int count = 0;
            for (const KnownDevice& device : devices) {
                if (device.source != source)
                    continue;
                QAction* pick = m_knownDevices->addAction(device.label);
                pick->setData(device.value);
                connect(pick, &QAction::triggered, this, [this, device] { pickDevice(device); });
                ++count;
            }
            if (count == 0)
                m_knownDevices->addAction(tr("(none)"))->setEnabled(false);
        }
    });
}

void MainMenu::pickDevice(const KnownDevice& device)
{
    frmMain& window = m_parts.window;
    trapFailures(window.dialogs(), kErrorMessageTitle, [&] {
        const bool printer =
            device.kind != DeviceKind::CashDrawer && device.kind != DeviceKind::LineDisplay;
        const char* box = device.kind == DeviceKind::CashDrawer    ? "cdDevice"
                          : device.kind == DeviceKind::LineDisplay ? "ldDevice"
                                                                   : "txtDevice";
        const int page = device.kind == DeviceKind::CashDrawer    ? kCashDrawerPage
                         : device.kind == DeviceKind::LineDisplay ? kLineDisplayPage
                                                                  : kMainCmdsPage;
        auto& name = window.control<QLineEdit>(box);
        // The open printer stays the one it is until it is closed; the name box would name
        // another one meanwhile, so ask first.
        if (printer && window.flags().DeviceOpened && name.text() != device.value &&
            window.dialogs().question(
                tr("The printer %1 is open. Put %2 into the device name box anyway? It is used "
                   "by the next Open(), after Close().")
                    .arg(name.text(), device.value),
                tr("Known devices")) != Dialogs::Answer::Ok)
            return;
        name.setText(device.value);
        window.control<QTabWidget>("SSTab1").setCurrentIndex(page);
    });
}

void MainMenu::refreshCompletion(const QList<KnownDevice>& devices)
{
    QStringList names;
    for (const KnownDevice& device : devices) {
        if (device.kind == DeviceKind::Printer || device.kind == DeviceKind::Unknown)
            names.append(device.value);
    }
    m_completions->setStringList(names);
    m_completionsFilled = true;
}

#pragma once

#include "app/pages/KnownDevices.h"
#include "printer/PrinterContext.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class DeviceCommands;
class BarcodeDialog;
class EscapeSequenceHelp;
class ImageDialog;
class LineCommands;
class QAction;
class QCompleter;
class QDialog;
class QMenu;
class QMenuBar;
class QStringListModel;
class RunningHandlers;
class TestReceipt;
class frmMain;

// The menu bar above the client area: File (save the log, save a picture of the receipt, quit),
// Edit (copy, select all), Device (print a test receipt, a barcode, an image; known devices), View
// (virtual devices) and Help (escape sequences, About). Every action has its object name and
// shortcut; each handler traps its failures like the window's own.
class MainMenu : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainMenu)

public:
    struct Parts
    {
        frmMain& window;
        QMenuBar& menuBar;
        PrinterContext printer;
        DeviceCommands& device;
        LineCommands& line;
        RunningHandlers& running;
    };

    explicit MainMenu(const Parts& parts);
    ~MainMenu() override;

    // What the simulated printer has printed, for the receipt picture; without it there is none.
    // Writes the simulated printer's receipt as a picture to a path; throws when it cannot.
    void setReceiptSaver(std::function<void(const QString& path)> save);
    // Shows the virtual devices window (creating it if need be); without it the action is off.
    void setVirtualDevicesShower(std::function<void()> show);
    void setKnownDeviceSources(KnownDeviceSources sources);
    const KnownDeviceSources& knownDeviceSources() const { return m_sources; }
    TestReceipt& testReceipt() const { return *m_testReceipt; }

    void SaveLog();
    void SaveReceiptImage();
    void Copy();
    void SelectAll();
    void PrintTestReceipt();
    void ShowBarcodeDialog();
    void ShowImageDialog();
    void ShowEscapeHelp();
    void ShowAbout();

private:
    QAction* addAction(QMenu* menu, const char* name, const QString& text,
                       const QKeySequence& shortcut, void (MainMenu::*handler)());
    void fillKnownDevices();
    void pickDevice(const KnownDevice& device);
    void refreshCompletion(const QList<KnownDevice>& devices);
    bool eventFilter(QObject* watched, QEvent* event) override;

    Parts m_parts;
    std::unique_ptr<TestReceipt> m_testReceipt;
    KnownDeviceSources m_sources;
    std::function<void(const QString& path)> m_saveReceipt;
    std::function<void()> m_showVirtualDevices;
    QMenu* m_knownDevices = nullptr;
    QAction* m_virtualDevicesAction = nullptr;
    QStringListModel* m_completions = nullptr;
    bool m_completionsFilled = false;
    QPointer<EscapeSequenceHelp> m_escapeHelp;
    QPointer<BarcodeDialog> m_barcode;
    QPointer<ImageDialog> m_image;
    QPointer<QDialog> m_about;
};

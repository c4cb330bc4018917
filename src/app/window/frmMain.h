#pragma once

#include <QString>
#include <QWidget>
#include <memory>
#include <stdexcept>

class Dialogs;
class ErrorLamps;
class FlexGridModel;
class MainMenu;
class OperationLog;
class PrinterListModel;
class QTimer;
struct FormState;
struct ModuleFlags;
namespace opos {
class CashDrawer;
class DeviceRegistry;
class LineDisplay;
class PosPrinter;
struct ControlOptions;
} // namespace opos

// The main window: every control of the test bench under its own object name, the three
// control objects, the module flags and the window's counters. Creating it loads it (Form_Load);
// the 500 ms status refresh runs from then on. Closing it while the printer is opened or claimed
// asks first, then releases and closes the printer. A close that comes while a clicked handler
// is still running (yielding to the event loop) stops it and waits until it has returned.
//
// The layout is built in frmMainLayout.cpp and the page files, the command handlers are created
// and connected in frmMainWiring.cpp, load, close and refresh have a file each.
class frmMain : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    frmMain(const opos::DeviceRegistry& registry, const opos::ControlOptions& options,
            Dialogs& dialogs, QWidget* parent = nullptr);
    ~frmMain() override;

    opos::PosPrinter& OPOSPOSPrinter1() const;
    opos::CashDrawer& OPOSCashDrawer1() const;
    opos::LineDisplay& OPOSLineDisplay1() const;
    ModuleFlags& flags() const;
    FormState& form() const;
    FlexGridModel& logGrid() const;        // the cells of MSFlexGrid1
    FlexGridModel& propertyGrid() const;   // the cells of MSFlexGrid2
    PrinterListModel& printerList() const; // the items of lstPrinter
    OperationLog& log() const;
    ErrorLamps& lamps() const;
    Dialogs& dialogs() const;
    QTimer& Timer1() const;
    MainMenu& menu() const; // the menu bar's actions

    // A control by its object name; a missing name is a programming error and throws.
    template <typename Control> Control& control(const char* name) const
    {
        return requireControl(findChild<Control*>(QString::fromLatin1(name)), name);
    }

    // The window's own handlers; each traps its failures ("ERROR MESSAGE").
    void Form_Load();
    // Asks before closing while the printer is opened or claimed; true keeps the window open.
    bool Form_QueryUnload();
    void Timer1_Timer();

signals:
    // The window has accepted a close request; the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Parts;

    template <typename Control> static Control& requireControl(Control* found, const char* name)
    {
        if (found == nullptr)
            throw std::logic_error(std::string("frmMain has no control ") + name);
        return *found;
    }

    void buildWindow();
    void wireHandlers();

    std::unique_ptr<Parts> d;
};

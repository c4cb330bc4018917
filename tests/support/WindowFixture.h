#pragma once

#include "app/window/WindowWaiter.h"
#include "app/window/frmMain.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/ControlOptions.h"
#include "opos/DeviceRegistry.h"
#include "support/ScriptedDialogs.h"

#include <memory>

struct FormState;
struct ModuleFlags;

// A real main window over fresh simulated devices (printing at once) and scripted dialogs, for
// window tests: build one per test function.
class WindowFixture
{
public:
    explicit WindowFixture(opos::ControlOptions options = {});
    ~WindowFixture();
    WindowFixture(const WindowFixture&) = delete;
    WindowFixture& operator=(const WindowFixture&) = delete;

    frmMain& window() { return *m_window; }
    // Destroys the window as the program does once it has closed; only the devices stay.
    void destroyWindow() { m_window.reset(); }
    bool hasWindow() const { return m_window != nullptr; }
    ScriptedDialogs& dialogs() { return m_dialogs; }
    sim::SimulatedDevices& devices() { return m_devices; }
    sim::SimulatedPrinter& simPrinter() { return m_devices.printer(); }
    // The registry the window's control objects look names up in; tests may add their own.
    opos::DeviceRegistry& registry() { return m_registry; }
    // The window's waiter: its box shows as soon as a wait starts, on the clock the test sets.
    WindowWaiter& waiter() { return *m_waiter; }
    void setClock(std::chrono::milliseconds now) { m_now = now; }
    opos::PosPrinter& printer() { return m_window->OPOSPOSPrinter1(); }
    ModuleFlags& flags() { return m_window->flags(); }
    FormState& form() { return m_window->form(); }

    // A control by object name; a missing one throws.
    template <typename Control> Control& widget(const char* name)
    {
        return m_window->control<Control>(name);
    }

    // Brings the button's page to the front and clicks it with the mouse.
    void click(const char* button);
    // Replaces a text box's text by typing, as a user does.
    void type(const char* textBox, const QString& text);
    // One status refresh, now.
    void tick() { m_window->Timer1_Timer(); }
    // Publishes pending grid rows and list items to the views now.
    void flushViews();

    // Opens (and optionally claims and enables) the printer through the control object, setting
    // the flags as the life-cycle commands do; true when every step succeeded.
    bool openPrinter(bool claim, bool enable = false);

private:
    sim::SimulatedDevices m_devices;
    opos::DeviceRegistry m_registry;
    std::shared_ptr<WindowWaiter> m_waiter;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<frmMain> m_window;
    std::chrono::milliseconds m_now{0};
};

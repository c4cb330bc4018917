#pragma once

#include "app/dialogs/QtDialogs.h"
#include "app/startup/AppOptions.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/DeviceRegistry.h"

#include <memory>

class frmMain;
class VirtualDevicesWindow;
class WindowWaiter;

// One run of the program: the simulated devices, the registry of logical device names, the
// dialogs and the main window, alive together and torn down window first.
class Application
{
public:
    explicit Application(const AppOptions& options);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Creates and loads the main window and shows it without waiting. A failure is shown in a
    // warning box and gives false: there is no window to run.
    bool Main();

    frmMain* window() const { return m_window.get(); }
    sim::SimulatedDevices& simulated() { return m_simulated; }

private:
    // Shows the virtual devices window beside the main window, again after it was closed.
    void showVirtualDevices();

    AppOptions m_options;
    sim::SimulatedDevices m_simulated;
    opos::DeviceRegistry m_registry;
    std::shared_ptr<WindowWaiter> m_waiter;
    QtDialogs m_dialogs;
    std::unique_ptr<frmMain> m_window;
    std::unique_ptr<VirtualDevicesWindow> m_virtualDevices;
};

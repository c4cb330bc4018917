#pragma once

#include "support/ScriptedPrinterBackend.h"
#include "support/WindowFixture.h"

// A real window whose device name box names the scripted printer, so that the script records
// what the window's commands send.
struct ScriptedWindow
{
    ScriptedWindow()
    {
        addScriptedPrinter(fixture.registry(), script);
        fixture.type("txtDevice", QStringLiteral("Scripted"));
    }
    // The device calls since the last look.
    QStringList calls() { return script->takeCalls(); }

    std::shared_ptr<PrinterScript> script = std::make_shared<PrinterScript>();
    WindowFixture fixture;
};

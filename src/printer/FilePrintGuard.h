#pragma once

struct PrinterContext;

// A file job yields to the event loop between its lines. A line print, a cut or another file
// job clicked meanwhile would change the hand-over flags the job relies on, so it is refused
// with a warning box. Returns true when the command must not run.
bool refusedDuringFileJob(const PrinterContext& context);

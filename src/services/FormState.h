#pragma once

#include <QString>
#include <cstdint>

// The counters and editing state of the main window: the operation log's next free row and the
// property grid's listing and selection. Owned by the window, handed to whoever needs it.
struct FormState
{
    int32_t LogRow = 1;      // next free row of the operation log
    int32_t PropRow = 1;     // next free row of the property grid
    int32_t PropSelRow = -1; // cell selected for editing; -1 = none
    int32_t PropSelCol = -1;
    QString PropOldText;  // the selected cell's text before editing
    QString PropEditText; // what was typed so far
    bool PropEdited = false;
};

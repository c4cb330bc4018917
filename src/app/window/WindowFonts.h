#pragma once

#include <QFont>

// The fonts of the main window. Each names the designed family first and falls back to the
// nearest sans-serif of the same size and weight where that family is not installed.
struct WindowFonts
{
    QFont controls;     // every control that shows text, unless named below
    QFont tabCaptions;  // the page captions of SSTab1
    QFont banner;       // Label1
    QFont selectButton; // cmdSelect
    QFont regular;      // the window's default font: txtSelection

    static WindowFonts make();
};

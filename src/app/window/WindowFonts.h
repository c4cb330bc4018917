#pragma once

#include <QFont>
#include <QStringList>

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

// The first of `families` that is installed, alone; all of them when none is. A font given more
// than one family asks fontconfig for the substitutes of its first family each time one of its
// sizes is loaded, which costs about as much as loading the font; naming the family it would get
// in any case spares that, and characters that family lacks still come from fontconfig's
// substitutes for it.
QStringList firstInstalledOf(const QStringList& families);

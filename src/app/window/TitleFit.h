#pragma once

class QWidget;

// Widens a top-level box so that its whole title shows in the title bar beside the window
// manager's buttons, however short its contents are. Call it after the title is set.
void fitTitle(QWidget& box);

// The width a title bar needs for title: the text in the title font and room for the buttons.
int titleBarWidth(const QWidget& box);

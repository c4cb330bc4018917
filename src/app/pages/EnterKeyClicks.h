#pragma once

class QWidget;

// Makes Enter (either Return or the keypad's Enter) click the focused push button of the
// window, as Space does. Which button is a dialog's default is left alone: the buttons' default
// and auto-default settings do not change, and buttons created later are not affected.
void makeEnterClickButtons(QWidget& window);

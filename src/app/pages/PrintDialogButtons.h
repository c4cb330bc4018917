#pragma once

#include <functional>

class QDialog;
class QDialogButtonBox;

// The button row of a dialog that prints and stays open: Close, and Print (the default button,
// object name printName), which calls print.
QDialogButtonBox* printDialogButtons(QDialog* dialog, const char* printName,
                                     std::function<void()> print);

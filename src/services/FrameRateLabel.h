#pragma once

class QLabel;
class QString;

// Shows a text that may change many times a second (the output identifier of each printed
// line) on a label: label.text() holds it at once, but the label repaints at most once a frame
// and not at all when the text did not change.
void showAtFrameRate(QLabel& label, const QString& text);

#pragma once

#include "backends/sim/SimulatedPrinter.h"

#include <QImage>
#include <QVector>

// A picture of the simulated receipt as the print head put it on paper: 576 dots across at
// 203 dots per inch, 12 x 24-dot characters on 30-dot lines (48 columns), one bit per dot.
namespace receipt_image {

constexpr int kDotsAcross = 576;
constexpr int kDotsPerInch = 203;
constexpr int kCharWidth = 12;
constexpr int kCharHeight = 24;
constexpr int kLineSpacing = 30;

// The dot row where an item starts, and the height of the item, in the picture.
int itemHeight(const sim::ReceiptItem& item);

// Needs a GUI application, for its text; without one it throws std::runtime_error.
QImage render(const QVector<sim::ReceiptItem>& items);

// Writes the picture as PNG; a failure throws std::runtime_error with the reason.
void savePng(const QImage& image, const QString& path);

} // namespace receipt_image

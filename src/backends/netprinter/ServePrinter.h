#pragma once

#include "backends/sim/SimulatedPrinter.h"

#include <QString>
#include <QVector>
#include <functional>

class QTextStream;

namespace netprinter {

struct ServeOptions
{
    QString address;     // [ADDRESS:]PORT
    QString receiptsDir; // one PNG per cut here; empty: none
};

// Writes the picture of one receipt (the items from after the previous cut to this one).
using ReceiptWriter =
    std::function<void(const QVector<sim::ReceiptItem>& items, const QString& path)>;

// Blocks SIGTERM and SIGINT in this thread and every thread started after it, so that they are
// read by servePrinter; call before anything starts a thread (the application object).
bool blockStopSignals();

// Runs the simulated printer and drawer as a network printer until SIGTERM or SIGINT, with a
// transcript of every job on out. Needs an application object; returns the exit code: 0 after a
// clean stop, 2 when it cannot listen.
int servePrinter(const ServeOptions& options, const ReceiptWriter& writeReceipt, QTextStream& out,
                 QTextStream& err);

} // namespace netprinter

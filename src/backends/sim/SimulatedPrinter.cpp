#include "backends/sim/SimulatedPrinter.h"

#include "backends/sim/SimulatedPrinterBackend.h"
#include "backends/sim/SimulatedPrinterCore.h"
#include "opos/Waiter.h"

namespace sim {

class SimulatedPrinter::Impl
{
public:
    std::shared_ptr<SimulatedPrinterCore> core;
};

SimulatedPrinter::SimulatedPrinter(QObject* parent) : QObject(parent), d(std::make_unique<Impl>())
{
    d->core = std::make_shared<SimulatedPrinterCore>(this);
}

SimulatedPrinter::~SimulatedPrinter()
{
    d->core->detachOwner();
}

namespace {

// Changes the status under the lock; publishes only a real change.
template <typename Change> void changeStatus(SimulatedPrinterCore& core, Change change)
{
    bool changed = false;
    {
        const std::lock_guard lock(core.mutex);
        const opos::PrinterStatus before = core.status;
        change(core.status);
        changed = !(before == core.status);
    }
    if (changed)
        core.publishStatus();
}

} // namespace

void SimulatedPrinter::setCoverOpen(bool open)
{
    changeStatus(*d->core, [open](opos::PrinterStatus& s) { s.coverOpen = open; });
}

void SimulatedPrinter::setPaper(opos::PaperState paper)
{
    changeStatus(*d->core, [paper](opos::PrinterStatus& s) { s.receiptPaper = paper; });
}

void SimulatedPrinter::setPower(opos::PowerState power)
{
    changeStatus(*d->core, [power](opos::PrinterStatus& s) { s.power = power; });
}

void SimulatedPrinter::setDrawerOpen(bool open)
{
    changeStatus(*d->core, [open](opos::PrinterStatus& s) { s.drawerOpen = open; });
}

void SimulatedPrinter::setHeldElsewhere(bool held)
{
    {
        const std::lock_guard lock(d->core->mutex);
        d->core->heldElsewhere = held;
    }
    d->core->claimWakers.wakeAll();
    d->core->notifyOwner(SimulatedPrinterCore::Signal::Status);
}

void SimulatedPrinter::setOutputSpeed(OutputSpeed speed)
{
    {
        const std::lock_guard lock(d->core->mutex);
        d->core->speed = speed;
    }
    d->core->notifyOwner(SimulatedPrinterCore::Signal::Status);
}

void SimulatedPrinter::failNextCall(InjectedFailure failure)
{
    {
        const std::lock_guard lock(d->core->mutex);
        if (failure.runTimeFailure || failure.resultCode != 0)
            d->core->failure = failure;
        else
            d->core->failure.reset();
    }
    d->core->notifyOwner(SimulatedPrinterCore::Signal::Status);
}

void SimulatedPrinter::setPacer(std::shared_ptr<PrintPacer> pacer)
{
    const std::lock_guard lock(d->core->mutex);
    d->core->pacer = pacer ? std::move(pacer) : std::make_shared<RealTimePacer>();
}

opos::PrinterStatus SimulatedPrinter::status() const
{
    const std::lock_guard lock(d->core->mutex);
    return d->core->status;
}

bool SimulatedPrinter::heldElsewhere() const
{
    const std::lock_guard lock(d->core->mutex);
    return d->core->heldElsewhere;
}

OutputSpeed SimulatedPrinter::outputSpeed() const
{
    const std::lock_guard lock(d->core->mutex);
    return d->core->speed;
}

std::optional<InjectedFailure> SimulatedPrinter::pendingFailure() const
{
    const std::lock_guard lock(d->core->mutex);
    return d->core->failure;
}

SimulatedPrinter::Activity SimulatedPrinter::activity() const
{
    const std::lock_guard lock(d->core->mutex);
    return d->core->activity;
}

QVector<ReceiptItem> SimulatedPrinter::receipt() const
{
    const std::lock_guard lock(d->core->mutex);
    return d->core->roll.items();
}

qint64 SimulatedPrinter::receiptItemsPrinted() const
{
    const std::lock_guard lock(d->core->mutex);
    return d->core->roll.appended();
}

void SimulatedPrinter::setReceiptCapacity(qsizetype items)
{
    const std::lock_guard lock(d->core->mutex);
    d->core->roll.setCapacity(items);
}

void SimulatedPrinter::clearReceipt()
{
    {
        const std::lock_guard lock(d->core->mutex);
        d->core->roll.clear();
    }
    d->core->notifyOwner(SimulatedPrinterCore::Signal::Receipt);
}

void SimulatedPrinter::printOnRoll(const std::vector<opos::PrintSegment>& segments, int lineChars)
{
    bool moved = false;
    {
        const std::lock_guard lock(d->core->mutex);
        for (const auto& segment : segments) {
            const ReceiptRoll::Motion motion =
                d->core->roll.add(segment, lineChars, ReceiptRoll::kLinesToCutter);
            moved = moved || motion.lines > 0 || motion.cuts > 0;
        }
    }
    if (moved)
        d->core->notifyOwner(SimulatedPrinterCore::Signal::Receipt);
}

void SimulatedPrinter::printGraphicOnRoll(const opos::GraphicRequest& graphic, int lineChars)
{
    {
        const std::lock_guard lock(d->core->mutex);
        d->core->roll.addGraphic(graphic, lineChars);
    }
    d->core->notifyOwner(SimulatedPrinterCore::Signal::Receipt);
}

std::unique_ptr<opos::PrinterBackend>
SimulatedPrinter::createBackend(std::shared_ptr<opos::Waiter> waiter)
{
    return std::make_unique<SimulatedPrinterBackend>(
        d->core, waiter ? std::move(waiter) : std::make_shared<opos::BlockingWaiter>());
}

} // namespace sim

#pragma once

#include "opos/PrintDataParser.h"
#include "opos/PrinterBackend.h"

#include <QObject>
#include <QString>
#include <QVector>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

namespace opos {
class Waiter;
}

namespace sim {

class PrintPacer;

// One printed element of the simulated receipt roll.
struct ReceiptItem
{
    enum class Kind
    {
        Line,
        Feed,
        FullCut,
        PartialCut,
        Picture // a barcode or image, dot for dot
    };
    enum class Align
    {
        Left,
        Centre,
        Right
    };
    // A stretch of a line printed in one character style.
    struct Run
    {
        QString text;
        bool bold = false;
        bool underline = false;
        bool doubleWidth = false;
        bool doubleHeight = false;
    };
    Kind kind = Kind::Line;
    QString text; // Line: the printed characters, escape sequences removed
    // Line: text split where its style changes; empty means all of text in the line's style.
    QVector<Run> runs;
    // Line: set when any run has the attribute.
    bool bold = false;
    bool underline = false;
    bool doubleWidth = false;
    bool doubleHeight = false;
    Align align = Align::Left;
    int lines = 0; // Feed: how many lines
    // Picture: its dots, and where they start across the printable width.
    std::shared_ptr<const opos::DotImage> picture;
    int left = 0;
};

enum class OutputSpeed
{
    Instant,
    Realistic
};

// What the next backend call does instead of its normal work (one shot).
struct InjectedFailure
{
    bool runTimeFailure = false; // throw std::runtime_error
    int32_t resultCode = 0;      // otherwise return this code
    int32_t extended = 0;
};

// The simulated receipt printer as a physical device: its switches and sensors, and the roll of
// what it printed. Thread-safe: the window changes it on the GUI thread while the printer's
// worker thread prints. Signals may come from either thread; connect with a context object.
class SimulatedPrinter : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SimulatedPrinter)

public:
    explicit SimulatedPrinter(QObject* parent = nullptr);
    ~SimulatedPrinter() override;

    void setCoverOpen(bool open);
    void setPaper(opos::PaperState paper);
    void setPower(opos::PowerState power);
    // Another application holds the device: claims wait their time-out, then E_TIMEOUT.
    void setHeldElsewhere(bool held);
    void setOutputSpeed(OutputSpeed speed);
    void failNextCall(InjectedFailure failure);
    void setDrawerOpen(bool open);
    // The clock behind the realistic speed; nullptr restores real time. For tests.
    void setPacer(std::shared_ptr<PrintPacer> pacer);

    opos::PrinterStatus status() const;
    bool heldElsewhere() const;
    OutputSpeed outputSpeed() const;
    std::optional<InjectedFailure> pendingFailure() const;

    // What the control object using this device reports, for the virtual devices window.
    struct Activity
    {
        int32_t state = 1; // OPOS_S_CLOSED
        bool claimed = false;
        bool enabled = false;
        int queuedOutputs = 0;
    };
    Activity activity() const;

    // The newest items of the roll (at most the capacity, 5000 unless changed), oldest first.
    QVector<ReceiptItem> receipt() const;
    // How many items were ever printed, dropped ones included: tells a view what is new.
    qint64 receiptItemsPrinted() const;
    void setReceiptCapacity(qsizetype items);
    void clearReceipt();
    // Puts segments on the roll as the print head would, whatever the switches say: for a
    // second road in (the network printer), which checks them itself. lineChars: the columns.
    void printOnRoll(const std::vector<opos::PrintSegment>& segments, int lineChars);
    void printGraphicOnRoll(const opos::GraphicRequest& graphic, int lineChars);

    // A backend bound to this device, for one control object's Open; its waits (a claim, the
    // realistic speed) go through waiter, blocking when none is given.
    std::unique_ptr<opos::PrinterBackend> createBackend(std::shared_ptr<opos::Waiter> waiter = {});

signals:
    void statusChanged();
    void activityChanged();
    void receiptChanged();

private:
    class Impl;
    std::unique_ptr<Impl> d;
};

} // namespace sim

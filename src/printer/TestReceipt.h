#pragma once

#include "printer/GraphicCommands.h"
#include "printer/PrinterContext.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <functional>

class DeviceCommands;
class LineCommands;
class QLineEdit;

// What the test receipt tells about the device it was printed on.
struct TestReceiptFacts
{
    QString deviceName;
    QString address;
    QDateTime printedAt;
    int characterSet = 0;
};

// The letters and currency signs (accented letters, the euro sign) that the character set can
// print, in the set's order of preference; every candidate when the set is unknown.
QString codePageCharacters(int characterSet);

// The print data of the test receipt, one print call each: print-line characteristics end with
// each call, so a styled line carries its own sequences. The cut is not among them.
QStringList testReceiptLines(const TestReceiptFacts& facts);

// The symbols under the test receipt, for a printer that prints barcodes: a Code 128 of the
// time it was printed and a QR code of the device name and time, sized for a line lineWidth
// wide (in MapMode units, as RecLineWidth reads).
QList<BarcodeParameters> testReceiptSymbols(const TestReceiptFacts& facts, int32_t lineWidth);

// Prints the test receipt on the printer named in txtDevice: opens, claims and enables it where
// needed through the life-cycle commands (logged as on the page), prints each line with the line
// rules, cuts, and leaves the printer as it found it.
class TestReceipt : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TestReceipt)

public:
    TestReceipt(const PrinterContext& context, DeviceCommands& device, LineCommands& line,
                QLineEdit& txtDevice, std::function<QString(const QString&)> addressOf,
                QObject* parent = nullptr);

    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    void Print();

private:
    void print();
    void printReceipt(const QString& name);

    PrinterContext m_context;
    DeviceCommands& m_device;
    LineCommands& m_line;
    QLineEdit& m_txtDevice;
    std::function<QString(const QString&)> m_addressOf;
    std::function<QDateTime()> m_clock;
};

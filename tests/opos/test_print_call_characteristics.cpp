#include "backends/escpos/Resolvers.h"
#include "backends/sim/SimulatedDevices.h"
#include "opos/DeviceRegistry.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "support/FakeEscPosPrinter.h"

#include <QTest>

using namespace opos;
using namespace Qt::StringLiterals;

namespace {

const QString kFast = u"connectTimeout=1000&statusTimeout=300&jobTimeout=1000&pollInterval=30"_s;

// The look of text as flags: b bold, u underline, v reverse video, W double wide, H double
// high, c centred, R right-aligned; empty is plain and left.
QString flags(bool bold, bool underline, bool reverse, bool wide, bool high, int align)
{
    QString out;
    const std::pair<bool, QChar> parts[] = {
        {bold, u'b'}, {underline, u'u'},  {reverse, u'v'},   {wide, u'W'},
        {high, u'H'}, {align == 1, u'c'}, {align == 2, u'R'}};
    for (const auto& [on, flag] : parts)
        if (on)
            out += flag;
    return out;
}

// The look of the run of a simulated receipt that holds marker, or a note that it is missing.
QString simulatedLook(const QVector<sim::ReceiptItem>& receipt, const QString& marker)
{
    for (const auto& item : receipt) {
        if (item.kind != sim::ReceiptItem::Kind::Line || !item.text.contains(marker))
            continue;
        const int align = static_cast<int>(item.align);
        if (item.runs.isEmpty())
            return flags(item.bold, item.underline, false, item.doubleWidth, item.doubleHeight,
                         align);
        for (const auto& run : item.runs)
            if (run.text.contains(marker))
                return flags(run.bold, run.underline, false, run.doubleWidth, run.doubleHeight,
                             align);
        return u"(split over runs)"_s;
    }
    return u"(not printed)"_s;
}

// The modes an ESC/POS printer is in where marker starts, worked out from the bytes it received
// before it; ESC @ returns every mode to normal.
QString escPosLook(const QByteArray& bytes, const QString& marker)
{
    const qsizetype end = bytes.indexOf(marker.toLatin1());
    if (end < 0)
        return u"(not printed)"_s;
    bool bold = false, underline = false, reverse = false, wide = false, high = false;
    int align = 0;
    qsizetype i = 0;
    while (i < end) {
        const char lead = bytes[i];
        const char command = i + 1 < end ? bytes[i + 1] : '\0';
        const int value = i + 2 < end ? static_cast<unsigned char>(bytes[i + 2]) : 0;
        if (lead == 0x1B) {
            if (command == '@') {
                bold = underline = reverse = wide = high = false;
                align = 0;
                i += 2;
                continue;
            }
            if (command == 'E')
                bold = value & 1;
            else if (command == '-')
                underline = value != 0;
            else if (command == 'a')
                align = value;
            i += command == 'p' ? 5 : 3;
        } else if (lead == 0x1D) {
            if (command == '!') {
                wide = (value & 0xF0) != 0;
                high = (value & 0x0F) != 0;
            } else if (command == 'B') {
                reverse = value & 1;
            }
            i += command == 'V' && (value == 'A' || value == 'B') ? 4 : 3;
        } else if (lead == 0x10) {
            i += command == 0x14 ? 5 : 3;
        } else {
            ++i;
        }
    }
    return flags(bold, underline, reverse, wide, high, align);
}

} // namespace

// Bold, underline, italic, reverse video, the sizes and the alignment last to the end of one
// print call: whatever a call switched on, the next call's text starts plain and left, on the
// simulated printer and on a real ESC/POS printer alike.
class TestPrintCallCharacteristics : public QObject
{
    Q_OBJECT

private slots:
    void nextCallStartsNormal_data()
    {
        QTest::addColumn<bool>("escPos");
        // Print data per call; "immediate:" prints with PrintImmediate, "begin" and "end" open
        // and print a transaction.
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("looks"); // "marker=flags"; v is not shown by the simulator
        const auto esc = [](const char* text) {
            return QString::fromLatin1(text).replace(u'~', QChar(0x1B));
        };
        struct Row
        {
            const char* name;
            QStringList calls;
            QStringList looks;
        };
        std::vector<Row> rows;
        const std::pair<const char*, const char*> sequences[] = {
            {"~|bC", "b"},
            {"~|uC", "u"},
            {"~|2uC", "u"},
            {"~|iC", ""},
            {"~|rvC", "v"},
            {"~|1C", ""},
            {"~|2C", "W"},
            {"~|3C", "H"},
            {"~|4C", "WH"},
            {"~|cA", "c"},
            {"~|rA", "R"},
            {"~|lA", ""},
            {"~|bC~|uC~|rvC~|4C~|cA", "buvWHc"}};
        for (const auto& [sequence, look] : sequences)
            rows.push_back({sequence,
                            {esc(sequence) + u"styled\n"_s, u"plain\n"_s},
                            {u"styled="_s + QLatin1String(look), u"plain="_s}});
        rows.push_back({"normal mid-call",
                        {esc("~|bC~|uC~|2Cbig~|Nafter\n"), esc("~|rA~|NLeft\n")},
                        {u"big=buW"_s, u"after="_s, u"Left="_s}});
        rows.push_back({"switching one off",
                        {esc("~|bC~|uCboth~|!bCunder\n"), u"plain\n"_s},
                        {u"both=bu"_s, u"under=u"_s, u"plain="_s}});
        rows.push_back({"line left open by a call",
                        {esc("~|bC~|2Cbold"), u"plain\n"_s},
                        {u"bold=bW"_s, u"plain="_s}});
        rows.push_back({"print immediate",
                        {u"immediate:"_s + esc("~|bC~|cAstyled\n"), u"immediate:plain\n"_s},
                        {u"styled=bc"_s, u"plain="_s}});
        rows.push_back({"transaction of two calls",
                        {u"begin"_s, esc("~|bC~|3C~|cAstyled\n"), u"plain\n"_s, u"end"_s},
                        {u"styled=bHc"_s, u"plain="_s}});
        for (const bool escPos : {false, true})
            for (const Row& row : rows)
                QTest::addRow("%s, %s", escPos ? "ESC/POS" : "simulated",
                              qPrintable(esc(row.name).replace(QChar(0x1B), u"ESC"_s)))
                    << escPos << row.calls << row.looks;
    }

    void nextCallStartsNormal()
    {
        QFETCH(bool, escPos);
        QFETCH(QStringList, calls);
        QFETCH(QStringList, looks);
        sim::SimulatedDevices devices;
        DeviceRegistry registry;
        devices.registerWith(registry);
        escpos::addResolvers(registry, QString());
        std::unique_ptr<testing::FakeEscPosPrinter> fake;
        if (escPos)
            fake = std::make_unique<testing::FakeEscPosPrinter>();
        PosPrinter printer(registry, ControlOptions{});
        QCOMPARE(printer.Open(escPos ? fake->address(kFast) : sim::kPrinterName), OPOS_SUCCESS);
        QCOMPARE(printer.ClaimDevice(1000), OPOS_SUCCESS);
        printer.SetDeviceEnabled(true);
        QCOMPARE(printer.ResultCode(), OPOS_SUCCESS);

        for (const QString& call : calls) {
            int32_t code = OPOS_SUCCESS;
            if (call == u"begin"_s)
                code = printer.TransactionPrint(PTR_S_RECEIPT, PTR_TP_TRANSACTION);
            else if (call == u"end"_s)
                code = printer.TransactionPrint(PTR_S_RECEIPT, PTR_TP_NORMAL);
            else if (call.startsWith(u"immediate:"_s))
                code = printer.PrintImmediate(PTR_S_RECEIPT, call.sliced(10));
            else
                code = printer.PrintNormal(PTR_S_RECEIPT, call);
            QCOMPARE(code, OPOS_SUCCESS);
        }

        for (const QString& expected : looks) {
            const QString marker = expected.section(u'=', 0, 0);
            QString want = expected.section(u'=', 1);
            const QString seen = escPos ? escPosLook(fake->received(), marker)
                                        : simulatedLook(devices.printer().receipt(), marker);
            if (!escPos)
                want.remove(u'v');
            QCOMPARE(marker + u'=' + seen, marker + u'=' + want);
        }
        printer.Close();
    }
};

QTEST_GUILESS_MAIN(TestPrintCallCharacteristics)
#include "test_print_call_characteristics.moc"

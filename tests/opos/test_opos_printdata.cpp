#include "opos/BinaryConversion.h"
#include "opos/ControlVersion.h"
#include "opos/LineDisplayText.h"
#include "opos/PrintDataParser.h"
#include "opos/PrinterPropertyTable.h"

#include <QTest>
#include <set>

using namespace opos;
using namespace Qt::StringLiterals;

// The pure pieces of the control layer: print-data parsing, version parsing, the property
// table, binary conversion and the line display's text window.
class TestOposPrintData : public QObject
{
    Q_OBJECT

    // Segments in a compact text form: T(text) with style flags, NL, FEED n, CUT n ...; in the
    // forms, # stands for the number and $ for the text.
    static QString describe(const std::vector<PrintSegment>& segments)
    {
        static const char* const forms[] = {"T($)",  "NL",    "FEED #", "BACK #", "CUT #", "FCUT #",
                                            "BMP #", "TLOGO", "BLOGO",  "RAW($)", "BAR #"};
        QStringList parts;
        for (const auto& s : segments) {
            QString part = QString::fromLatin1(forms[int(s.kind)]);
            part.replace(u'#', QString::number(s.number)).replace(u'$', s.text);
            if (s.kind == PrintSegment::Kind::Text) {
                const TextStyle& t = s.style;
                const std::pair<bool, QString> flags[] = {
                    {t.bold, u"b"_s},
                    {t.underline != 0, u"u"_s + QString::number(t.underline)},
                    {t.italic, u"i"_s},
                    {t.reverse, u"r"_s},
                    {t.doubleWidth, u"W"_s},
                    {t.doubleHeight, u"H"_s},
                    {t.align == Alignment::Centre, u"C"_s},
                    {t.align == Alignment::Right, u"R"_s},
                    {t.typeface != 0, u"f"_s + QString::number(t.typeface)}};
                for (const auto& [on, flag] : flags)
                    part += on ? flag : QString();
            }
            parts << part;
        }
        return parts.join(u" | ");
    }

private slots:
    void parsesSequences_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("segments");
        const auto row = [](const char* data, const char* segments) {
            QTest::newRow(data) << QString::fromLatin1(data).replace(u'~', QChar(0x1B))
                                << QString::fromLatin1(segments);
        };
        row("plain\n", "T(plain) | NL");
        row("a\r\nb", "T(a) | NL | T(b)");
        row("~|bCbold~|!bCnot", "T(bold)b | T(not)");
        row("~|uCu~|2uCv~|!uC.", "T(u)u1 | T(v)u2 | T(.)");
        row("~|iC~|rvCx~|!iC~|!rvCy", "T(x)ir | T(y)");
        row("~|2Cw~|3Ch~|4Cb~|1Cn", "T(w)W | T(h)H | T(b)WH | T(n)");
        row("~|cAc~|rAr~|lAl", "T(c)C | T(r)R | T(l)");
        row("~|bC~|4C~|cAx~|Ny", "T(x)bWHC | T(y)");
        row("~|P", "CUT 100");
        row("~|75P", "CUT 75");
        row("~|fP", "FCUT 100");
        row("~|50fP", "FCUT 50");
        row("~|3lF~|lF~|2rF", "FEED 3 | FEED 1 | BACK 2");
        row("~|7B~|tL~|bL~|101R", "BMP 7 | TLOGO | BLOGO | BAR 101");
        row("~|3E~|bCx!", "RAW(~|b) | T(Cx!)");
        row("~|99E12", "RAW(12)");
        row("unknown~|99zZ~|xyQ!", "T(unknown!)");
        row("not a sequence ~|12 items", "T(not a sequence 12 items)");
        row("lone ~escape\tand\x07 bell", "T(lone escape\tand bell)");
        row("trailing ~|", "T(trailing )");
        row("~|!P~|!3lF", "");
    }

    void parsesSequences()
    {
        QFETCH(QString, data);
        QFETCH(QString, segments);
        PrintDataParser parser;
        QCOMPARE(describe(parser.parse(data)).replace(QChar(0x1B), u'~'), segments);
    }

    // Each parse() is one print call: its print-line characteristics end with it, the
    // typeface carries over until changed or reset.
    void lineCharacteristicsEndWithEachCall_data()
    {
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("last"); // segments of the last call
        const auto esc = [](const char* text) {
            return QString::fromLatin1(text).replace(u'~', QChar(0x1B));
        };
        QTest::newRow("everything on, next call plain")
            << QStringList{esc("~|bC~|2uC~|iC~|rvC~|4C~|rA"), u"x"_s} << u"T(x)"_s;
        QTest::newRow("text of the first call styled")
            << QStringList{esc("~|bC~|cAx")} << u"T(x)bC"_s;
        QTest::newRow("typeface kept across calls")
            << QStringList{esc("~|2fT~|bCx"), u"y"_s} << u"T(y)f2"_s;
        QTest::newRow("normal keeps the typeface")
            << QStringList{esc("~|3fT"), esc("~|bCx~|Ny")} << u"T(x)bf3 | T(y)f3"_s;
        QTest::newRow("typeface changed again")
            << QStringList{esc("~|2fT"), esc("~|0fTz")} << u"T(z)"_s;
        QTest::newRow("typeface without number ignored")
            << QStringList{esc("~|2fT"), esc("~|fTz")} << u"T(z)f2"_s;
    }

    void lineCharacteristicsEndWithEachCall()
    {
        QFETCH(QStringList, calls);
        QFETCH(QString, last);
        PrintDataParser parser;
        QString segments;
        for (const QString& call : calls)
            segments = describe(parser.parse(call));
        QCOMPARE(segments, last);
        TextStyle between;
        between.typeface = parser.style().typeface;
        QCOMPARE(parser.style(), between);
    }

    void resetForgetsTheTypeface()
    {
        PrintDataParser parser;
        parser.parse(u"\x1b|2fT"_s);
        parser.reset();
        QCOMPARE(describe(parser.parse(u"x"_s)), u"T(x)"_s);
    }

    void controlVersions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("version"); // -1: refused
        QTest::newRow("1.4.0") << u"1.4.0"_s << 1004000;
        QTest::newRow("1.16") << u"1.16"_s << 1016000;
        QTest::newRow("1.14.1") << u" 1.14.1 "_s << 1014001;
        QTest::newRow("plain") << u"1004000"_s << 1004000;
        QTest::newRow("zero") << u"0"_s << 0;
        QTest::newRow("largest") << u"2147483647"_s << 2147483647;
        QTest::newRow("too large") << u"2147483648"_s << -1;
        QTest::newRow("major too large") << u"2148.0.0"_s << -1;
        QTest::newRow("minor 1000") << u"1.1000.0"_s << -1;
        QTest::newRow("empty") << u""_s << -1;
        QTest::newRow("negative") << u"-1"_s << -1;
        QTest::newRow("four parts") << u"1.2.3.4"_s << -1;
        QTest::newRow("empty part") << u"1..0"_s << -1;
        QTest::newRow("letters") << u"v1.4"_s << -1;
    }

    void controlVersions()
    {
        QFETCH(QString, text);
        QFETCH(int, version);
        const auto parsed = parseControlVersion(text);
        QCOMPARE(parsed.value_or(-1), version);
    }

    void propertyTable()
    {
        const auto table = printerProperties();
        QCOMPARE(table.size(), 131u);
        std::set<int32_t> writable;
        int32_t previous = 0;
        for (const auto& info : table) {
            QVERIFY(info.index > previous);
            previous = info.index;
            QCOMPARE(findPrinterProperty(info.index), &info);
            QCOMPARE(findPrinterProperty(QString(info.name)), &info);
            QCOMPARE(findPrinterProperty(QString(info.name).toUpper()), &info);
            if (info.writable())
                writable.insert(info.index);
        }
        const std::set<int32_t> expected{3,    4,    11,   13,   8001, 8002, 8005, 8007, 8008,
                                         8009, 8010, 8013, 8015, 8016, 8017, 8018, 8025, 8026,
                                         8027, 8029, 8036, 8037, 8039, 8041, 8044, 8045};
        QVERIFY(writable == expected);
        for (const int32_t missing :
             {0, 2, 10, 12, 15, 500, 504, 8000, 8046, 8500, 8559, 1000000, 1000005, 1008011})
            QVERIFY(!findPrinterProperty(missing));
        QCOMPARE(findPrinterProperty(11)->kind, PropertyKind::Number);
        QCOMPARE(findPrinterProperty(8558)->kind, PropertyKind::Flag);
        QCOMPARE(findPrinterProperty(8553)->kind, PropertyKind::Number);
        QCOMPARE(findPrinterProperty(1008010)->kind, PropertyKind::Text);
        QCOMPARE(findPrinterProperty(u"PowerNotify"_s)->writability, Writability::WhenOpenDisabled);
        QCOMPARE(findPrinterProperty(u"RecLineChars"_s)->writability, Writability::WhenEnabled);
        QVERIFY(!findPrinterProperty(u"ControlObjectVersion"_s));
    }

    void binaryConversion_data()
    {
        QTest::addColumn<int>("conversion");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("decoded"); // "-" refused
        QTest::newRow("none") << 0 << u"ab"_s << u"ab"_s;
        QTest::newRow("nibble") << 1 << u"41?0"_s << u"A\u00f0"_s;
        QTest::newRow("nibble odd") << 1 << u"414"_s << u"-"_s;
        QTest::newRow("nibble bad") << 1 << u"4G"_s << u"-"_s;
        QTest::newRow("decimal") << 2 << u"065255"_s << u"A\u00ff"_s;
        QTest::newRow("decimal 256") << 2 << u"256"_s << u"-"_s;
        QTest::newRow("unknown") << 3 << u""_s << u"-"_s;
    }

    void binaryConversion()
    {
        QFETCH(int, conversion);
        QFETCH(QString, data);
        QFETCH(QString, decoded);
        QCOMPARE(decodeBinaryConversion(data, conversion).value_or(u"-"_s), decoded);
    }

    void displayWindow_data()
    {
        QTest::addColumn<QStringList>("writes");
        QTest::addColumn<QStringList>("window");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        const QString blank(20, u' ');
        QTest::newRow("short") << QStringList{u"Hi"_s}
                               << QStringList{u"Hi"_s.leftJustified(20), blank} << 0 << 2;
        QTest::newRow("exactly a row")
            << QStringList{QString(20, u'a')} << QStringList{QString(20, u'a'), blank} << 0 << 20;
        QTest::newRow("wraps") << QStringList{QString(20, u'a') + u"bc"_s}
                               << QStringList{QString(20, u'a'), u"bc"_s.leftJustified(20)} << 1
                               << 2;
        QTest::newRow("scrolls") << QStringList{QString(40, u'a'), u"z"_s}
                                 << QStringList{QString(20, u'a'), u"z"_s.leftJustified(20)} << 1
                                 << 1;
        QTest::newRow("cursor carries on")
            << QStringList{u"ab"_s, u"cd"_s} << QStringList{u"abcd"_s.leftJustified(20), blank} << 0
            << 4;
        QTest::newRow("line feed")
            << QStringList{u"ab\r\ncd"_s}
            << QStringList{u"ab"_s.leftJustified(20), u"cd"_s.leftJustified(20)} << 1 << 2;
        QTest::newRow("carriage return")
            << QStringList{u"abc\rX"_s} << QStringList{u"Xbc"_s.leftJustified(20), blank} << 0 << 1;
    }

    void displayWindow()
    {
        QFETCH(QStringList, writes);
        QFETCH(QStringList, window);
        QFETCH(int, row);
        QFETCH(int, column);
        LineDisplayText text(2, 20);
        for (const auto& write : writes)
            text.write(write);
        QCOMPARE(text.window(), window);
        QCOMPARE(text.cursorRow(), row);
        QCOMPARE(text.cursorColumn(), column);
        text.clear();
        QCOMPARE(text.window(), (QStringList{QString(20, u' '), QString(20, u' ')}));
        QCOMPARE(text.cursorColumn(), 0);
    }
};

QTEST_GUILESS_MAIN(TestOposPrintData)
#include "test_opos_printdata.moc"

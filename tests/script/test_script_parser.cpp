#include "script/ScriptError.h"
#include "script/ScriptLexer.h"
#include "script/ScriptParser.h"
#include "script/TextWriter.h"
#include "script/TranscriptText.h"

#include <QtTest>

using script::DeviceClass;
using script::Step;

Q_DECLARE_METATYPE(Step::Kind)
Q_DECLARE_METATYPE(DeviceClass)

namespace {

Step parseOne(const QByteArray& line)
{
    const script::Script parsed = script::parseScript(line, QStringLiteral("t.txt"), QString());
    if (parsed.steps.size() != 1)
        throw std::runtime_error("expected one step");
    return parsed.steps.front();
}

} // namespace

class TestScriptParser : public QObject
{
    Q_OBJECT

private slots:
    void statements_data();
    void statements();
    void stringEscapes_data();
    void stringEscapes();
    void faultsNameFileAndLine_data();
    void faultsNameFileAndLine();
    void commentsAndBlankLinesMakeNoSteps();
    void aMegabyteLineIsReadWhole();
    void numbersOutOfRangeAreRefused();
    void theFirstFaultIsTheOneReported();
    void statementsKeepTheirPlaceAmongWideCharacters();
    void quotedTextsOfAnyLengthAreWrittenWhole();
    void textsShownAsWrittenReadTheSame_data();
    void textsShownAsWrittenReadTheSame();
    void wordsEndWhereTheyShould_data();
    void wordsEndWhereTheyShould();
    void linesWrittenAgainReadAsTheirFirst();
    void linesAlikeButTheirTextReadAsAlone();
};

void TestScriptParser::statements_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<Step::Kind>("kind");
    QTest::addColumn<DeviceClass>("device");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariantList>("arguments");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("timeoutMs");

    const auto P = DeviceClass::Printer;
    const auto D = DeviceClass::Drawer;
    const auto L = DeviceClass::Display;
    using K = Step::Kind;
    // clang-format off
    QTest::newRow("use by name") << QByteArray("use printer \"Counter Printer\"") << K::Use << P << QString() << QVariantList{} << QVariant(QStringLiteral("Counter Printer")) << 0;
    QTest::newRow("use by address") << QByteArray("use display serial:///dev/ttyS0?baud=9600&flow=none") << K::Use << L << QString() << QVariantList{} << QVariant(QStringLiteral("serial:///dev/ttyS0?baud=9600&flow=none")) << 0;
    QTest::newRow("shouted") << QByteArray("PRINTER PRINTNORMAL RECEIPT \"a\"") << K::Call << P << "PrintNormal" << QVariantList{2, QStringLiteral("a")} << QVariant() << 0;
    QTest::newRow("mixed case") << QByteArray("Expect Printer STATE = Opos_S_Idle Within 2 S") << K::ExpectProperty << P << "State" << QVariantList{} << QVariant(2) << 2000;
    QTest::newRow("open default") << QByteArray("printer open") << K::Call << P << "Open" << QVariantList{} << QVariant() << 0;
    QTest::newRow("open name") << QByteArray("drawer Open \"X\"") << K::Call << D << "Open" << QVariantList{QStringLiteral("X")} << QVariant() << 0;
    QTest::newRow("claim device") << QByteArray("printer ClaimDevice -1") << K::Call << P << "ClaimDevice" << QVariantList{-1} << QVariant() << 0;
    QTest::newRow("old claim") << QByteArray("printer Claim 1000") << K::Call << P << "Claim" << QVariantList{1000} << QVariant() << 0;
    QTest::newRow("old release") << QByteArray("printer Release") << K::Call << P << "Release" << QVariantList{} << QVariant() << 0;
    QTest::newRow("release") << QByteArray("display ReleaseDevice") << K::Call << L << "ReleaseDevice" << QVariantList{} << QVariant() << 0;
    QTest::newRow("close") << QByteArray("drawer close") << K::Call << D << "Close" << QVariantList{} << QVariant() << 0;
    QTest::newRow("print normal") << QByteArray("printer PrintNormal receipt \"a\\n\"") << K::Call << P << "PrintNormal" << QVariantList{2, QStringLiteral("a\n")} << QVariant() << 0;
    QTest::newRow("print immediate") << QByteArray("printer PrintImmediate PTR_S_SLIP \"b\"") << K::Call << P << "PrintImmediate" << QVariantList{4, QStringLiteral("b")} << QVariant() << 0;
    QTest::newRow("print file") << QByteArray("printer PrintNormal journal file \"r.txt\"") << K::PrintFile << P << "PrintNormal" << QVariantList{1} << QVariant(QStringLiteral("r.txt")) << 0;
    QTest::newRow("cut default") << QByteArray("printer CutPaper") << K::Call << P << "CutPaper" << QVariantList{100} << QVariant() << 0;
    QTest::newRow("cut") << QByteArray("printer CutPaper 90") << K::Call << P << "CutPaper" << QVariantList{90} << QVariant() << 0;
    QTest::newRow("transaction") << QByteArray("printer TransactionPrint receipt transaction") << K::Call << P << "TransactionPrint" << QVariantList{2, 11} << QVariant() << 0;
    QTest::newRow("transaction end") << QByteArray("printer TransactionPrint 2 PTR_TP_NORMAL") << K::Call << P << "TransactionPrint" << QVariantList{2, 12} << QVariant() << 0;
    QTest::newRow("clear output") << QByteArray("printer ClearOutput") << K::Call << P << "ClearOutput" << QVariantList{} << QVariant() << 0;
    QTest::newRow("directio") << QByteArray("printer DirectIO 7 3 \"s\"") << K::Call << P << "DirectIO" << QVariantList{7, 3, QStringLiteral("s")} << QVariant() << 0;
    QTest::newRow("check health") << QByteArray("printer CheckHealth 1") << K::Call << P << "CheckHealth" << QVariantList{1} << QVariant() << 0;
    QTest::newRow("check health by name") << QByteArray("printer CheckHealth OPOS_CH_INTERACTIVE") << K::Call << P << "CheckHealth" << QVariantList{3} << QVariant() << 0;
    QTest::newRow("claim forever by name") << QByteArray("printer ClaimDevice opos_forever") << K::Call << P << "ClaimDevice" << QVariantList{-1} << QVariant() << 0;
    QTest::newRow("name upper-cased as Unicode does") << QByteArray("printer CheckHealth opos_ch_\xc4\xb1nteractive") << K::Call << P << "CheckHealth" << QVariantList{3} << QVariant() << 0;
    QTest::newRow("map mode by name") << QByteArray("printer MapMode = PTR_MM_METRIC") << K::SetProperty << P << "MapMode" << QVariantList{} << QVariant(4) << 0;
    QTest::newRow("blinking text by name") << QByteArray("display DisplayText \"x\" DISP_DT_BLINK") << K::Call << L << "DisplayText" << QVariantList{QStringLiteral("x"), 1} << QVariant() << 0;
    QTest::newRow("open drawer") << QByteArray("drawer OpenDrawer") << K::Call << D << "OpenDrawer" << QVariantList{} << QVariant() << 0;
    QTest::newRow("clear text") << QByteArray("display ClearText") << K::Call << L << "ClearText" << QVariantList{} << QVariant() << 0;
    QTest::newRow("display text") << QByteArray("display DisplayText \"Hi\" DISP_DT_BLINK") << K::Call << L << "DisplayText" << QVariantList{QStringLiteral("Hi"), 1} << QVariant() << 0;
    QTest::newRow("write flag") << QByteArray("printer asyncmode=yes") << K::SetProperty << P << "AsyncMode" << QVariantList{} << QVariant(true) << 0;
    QTest::newRow("write flag off") << QByteArray("printer FreezeEvents = off") << K::SetProperty << P << "FreezeEvents" << QVariantList{} << QVariant(false) << 0;
    QTest::newRow("write number by name") << QByteArray("printer PowerNotify = OPOS_PN_ENABLED") << K::SetProperty << P << "PowerNotify" << QVariantList{} << QVariant(1) << 0;
    QTest::newRow("write enable drawer") << QByteArray("drawer DeviceEnabled = true") << K::SetProperty << D << "DeviceEnabled" << QVariantList{} << QVariant(true) << 0;
    QTest::newRow("read") << QByteArray("printer RecLineChars") << K::GetProperty << P << "RecLineChars" << QVariantList{} << QVariant() << 0;
    QTest::newRow("read text") << QByteArray("printer DeviceDescription") << K::GetProperty << P << "DeviceDescription" << QVariantList{} << QVariant() << 0;
    QTest::newRow("read display rows") << QByteArray("display DeviceRows") << K::GetProperty << L << "DeviceRows" << QVariantList{} << QVariant() << 0;
    QTest::newRow("expect result") << QByteArray("expect OPOS_E_ILLEGAL") << K::ExpectResult << P << QString() << QVariantList{} << QVariant(106) << 0;
    QTest::newRow("expect extended") << QByteArray("expect opos_eptr_cover_open") << K::ExpectResult << P << QString() << QVariantList{} << QVariant(201) << 0;
    QTest::newRow("expect failure") << QByteArray("expect failure") << K::ExpectFailure << P << QString() << QVariantList{} << QVariant() << 0;
    QTest::newRow("expect property") << QByteArray("expect printer State = OPOS_S_IDLE within 2 s") << K::ExpectProperty << P << "State" << QVariantList{} << QVariant(2) << 2000;
    QTest::newRow("expect status") << QByteArray("expect StatusUpdateEvent PTR_SUE_COVER_OK within 5 s") << K::ExpectEvent << P << "StatusUpdateEvent" << QVariantList{} << QVariant(12) << 5000;
    QTest::newRow("expect any output") << QByteArray("expect OutputCompleteEvent") << K::ExpectEvent << P << "OutputCompleteEvent" << QVariantList{} << QVariant() << 0;
    QTest::newRow("expect error") << QByteArray("expect ErrorEvent OPOS_EPTR_REC_EMPTY within 1.5s") << K::ExpectEvent << P << "ErrorEvent" << QVariantList{} << QVariant(203) << 1500;
    QTest::newRow("expect directio") << QByteArray("expect DirectIOEvent 7 within 250ms") << K::ExpectEvent << P << "DirectIOEvent" << QVariantList{} << QVariant(7) << 250;
    QTest::newRow("expect drawer event") << QByteArray("expect drawer StatusUpdateEvent CASH_SUE_DRAWEROPEN") << K::ExpectEvent << D << "StatusUpdateEvent" << QVariantList{} << QVariant(1) << 0;
    QTest::newRow("expect no event") << QByteArray("expect no ErrorEvent within 2 s") << K::ExpectEvent << P << "ErrorEvent" << QVariantList{} << QVariant() << 2000;
    QTest::newRow("expect sim drawer") << QByteArray("expect sim drawer open within 1 s") << K::ExpectSim << P << "drawer" << QVariantList{} << QVariant(true) << 1000;
    QTest::newRow("expect sim display") << QByteArray("expect sim display \"OK\"") << K::ExpectSim << P << "display" << QVariantList{} << QVariant(QStringLiteral("OK")) << 0;
    QTest::newRow("answer retry") << QByteArray("on ErrorEvent retry") << K::AnswerErrors << P << QString() << QVariantList{} << QVariant(11) << 0;
    QTest::newRow("answer clear") << QByteArray("on ErrorEvent clear 3 times") << K::AnswerErrors << P << QString() << QVariantList{} << QVariant(12) << 0;
    QTest::newRow("wait s") << QByteArray("wait 2 s") << K::Wait << P << QString() << QVariantList{} << QVariant() << 2000;
    QTest::newRow("wait ms") << QByteArray("wait 20ms") << K::Wait << P << QString() << QVariantList{} << QVariant() << 20;
    QTest::newRow("sim cover") << QByteArray("sim printer cover open") << K::Sim << P << "cover" << QVariantList{} << QVariant(QStringLiteral("open")) << 0;
    QTest::newRow("sim paper") << QByteArray("sim printer paper near-end") << K::Sim << P << "paper" << QVariantList{} << QVariant(QStringLiteral("near-end")) << 0;
    QTest::newRow("sim power") << QByteArray("sim printer power off-offline") << K::Sim << P << "power" << QVariantList{} << QVariant(QStringLiteral("off-offline")) << 0;
    QTest::newRow("sim held") << QByteArray("sim printer held-elsewhere yes") << K::Sim << P << "held-elsewhere" << QVariantList{} << QVariant(true) << 0;
    QTest::newRow("sim fail code") << QByteArray("sim printer fail-next-call OPOS_E_EXTENDED OPOS_EPTR_REC_EMPTY") << K::Sim << P << "fail-next-call" << QVariantList{114, 203} << QVariant() << 0;
    QTest::newRow("sim fail run-time") << QByteArray("sim printer fail-next-call run-time-failure") << K::Sim << P << "fail-next-call" << QVariantList{} << QVariant(QStringLiteral("run-time-failure")) << 0;
    QTest::newRow("sim drawer close") << QByteArray("sim drawer close") << K::Sim << D << "close" << QVariantList{} << QVariant() << 0;
    // clang-format on
}

void TestScriptParser::statements()
{
    QFETCH(QByteArray, line);
    const script::Script parsed =
        script::parseScript(line + "   # a comment", QStringLiteral("t.txt"), QString());
    QCOMPARE(parsed.steps.size(), size_t(1));
    const Step& step = parsed.steps.front();
    QTEST(step.kind, "kind");
    QTEST(step.device, "device");
    QTEST(step.name(), "name");
    QTEST(parsed.argumentList(step), "arguments");
    QFETCH(QVariant, value);
    QCOMPARE(step.value().isValid(), value.isValid());
    if (value.isValid())
        QCOMPARE(step.value().toString(), value.toString());
    QTEST(step.timeoutMs(), "timeoutMs");
    QCOMPARE(step.line, 1);
    QCOMPARE(parsed.statement(step), QString::fromUtf8(line));
}

void TestScriptParser::stringEscapes_data()
{
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QString>("data");
    QTest::newRow("escape sequence")
        << QByteArray(R"("\e|bCBold\e|N")") << QStringLiteral("\x1B|bCBold\x1B|N");
    QTest::newRow("line ends") << QByteArray(R"("a\r\n\tb")") << QStringLiteral("a\r\n\tb");
    QTest::newRow("quote backslash")
        << QByteArray(R"("say \"hi\" \\")") << QStringLiteral("say \"hi\" \\");
    QTest::newRow("hex and nul") << QByteArray(R"("\x41\x1b\0")")
                                 << QString(QStringLiteral("A\x1B") + QChar(0));
    QTest::newRow("bell and delete") << QByteArray(R"("a\x07b\x7F")")
                                     << QStringLiteral("a\x07"
                                                       "b\x7F");
    QTest::newRow("hash inside") << QByteArray(R"("#1 item")") << QStringLiteral("#1 item");
    QTest::newRow("utf-8") << QByteArray("\"caf\xC3\xA9 \xE2\x82\xAC\"")
                           << QStringLiteral("caf\u00E9 \u20AC");
}

void TestScriptParser::stringEscapes()
{
    QFETCH(QByteArray, written);
    const auto textOf = [](const QByteArray& line) {
        const script::Script parsed = script::parseScript(line, QStringLiteral("t.txt"), QString());
        return parsed.argumentText(parsed.steps.front(), 1).toString();
    };
    const QString text = textOf("printer PrintNormal receipt " + written);
    QTEST(text, "data");
    // The transcript writes the text back as the script would: it reads the same again.
    const QString quoted = script::quotedString(text, 200);
    QTEST(textOf("printer PrintNormal receipt " + quoted.toUtf8()), "data");
}

void TestScriptParser::faultsNameFileAndLine_data()
{
    QTest::addColumn<QByteArray>("bad");
    QTest::addColumn<QString>("message");
    // clang-format off
    QTest::newRow("unknown statement") << QByteArray("pirnter Open") << "unknown statement";
    QTest::newRow("unknown member") << QByteArray("printer Foo") << "no member or property";
    QTest::newRow("member of another device") << QByteArray("drawer PrintNormal 2 \"x\"") << "no member PrintNormal";
    QTest::newRow("missing argument") << QByteArray("printer PrintNormal receipt") << "needs 2 argument";
    QTest::newRow("bad station") << QByteArray("printer PrintNormal roll \"x\"") << "the station";
    QTest::newRow("unterminated string") << QByteArray("printer PrintNormal 2 \"open") << "no closing quote";
    QTest::newRow("backslash at end") << QByteArray("printer PrintNormal 2 \"open\\") << "no closing quote";
    QTest::newRow("unknown escape") << QByteArray("printer PrintNormal 2 \"\\q\"") << "unknown escape";
    QTest::newRow("short hex") << QByteArray("printer PrintNormal 2 \"\\x4\"") << "two hexadecimal";
    QTest::newRow("extra words") << QByteArray("printer Close now") << "unexpected \"now\"";
    QTest::newRow("bad flag") << QByteArray("printer AsyncMode = maybe") << "not true or false";
    QTest::newRow("unknown result") << QByteArray("expect OPOS_E_ILEGAL") << "not a result code";
    QTest::newRow("bad status name") << QByteArray("expect StatusUpdateEvent COVER") << "not a value of StatusUpdateEvent";
    QTest::newRow("display events") << QByteArray("expect display StatusUpdateEvent 1") << "raises no";
    QTest::newRow("expect no property") << QByteArray("expect no printer State") << "takes an event";
    QTest::newRow("time without unit") << QByteArray("wait 5") << "unit";
    QTest::newRow("negative time") << QByteArray("wait -1 s") << "not a time";
    QTest::newRow("huge time") << QByteArray("wait 1e300 s") << "not a time";
    QTest::newRow("answer what") << QByteArray("on ErrorEvent ignore") << "retry or clear";
    QTest::newRow("answer count") << QByteArray("on ErrorEvent retry 0") << "from 1";
    QTest::newRow("sim unknown") << QByteArray("sim printer smoke on") << "unknown printer control";
    QTest::newRow("sim setting") << QByteArray("sim printer paper wet") << "one of ok";
    QTest::newRow("sim display") << QByteArray("sim display text") << "no controls";
    QTest::newRow("read-only companion") << QByteArray("drawer DrawerOpened = true") << "cannot be written";
    QTest::newRow("nul byte") << QByteArray("printer Open\0x", 14) << "NUL byte";
    QTest::newRow("not utf-8") << QByteArray("printer Open \"\xFF\"") << "not UTF-8";
    QTest::newRow("overlong utf-8") << QByteArray("printer Open \"\xC0\xAF\"") << "not UTF-8";
    QTest::newRow("utf-8 surrogate") << QByteArray("printer Open \"\xED\xA0\x80\"") << "not UTF-8";
    QTest::newRow("cut utf-8") << QByteArray("printer Open \"\xE2\x82\"") << "not UTF-8";
    // clang-format on
}

void TestScriptParser::faultsNameFileAndLine()
{
    QFETCH(QByteArray, bad);
    QFETCH(QString, message);
    const QByteArray text = "# first\nprinter Open\r\n\n" + bad + "\nprinter Close\n";
    try {
        script::parseScript(text, QStringLiteral("acceptance.txt"), QString());
        QFAIL("the script was accepted");
    } catch (const script::ScriptError& error) {
        const QString what = QString::fromUtf8(error.what());
        QVERIFY2(what.startsWith(u"acceptance.txt:4: "), qPrintable(what));
        QVERIFY2(what.contains(message), qPrintable(what));
        QCOMPARE(error.line(), 4);
    }
}

void TestScriptParser::commentsAndBlankLinesMakeNoSteps()
{
    const script::Script parsed =
        script::parseScript("\xEF\xBB\xBF# only comments\n\n   \t\n# printer Open\n  # x\n",
                            QStringLiteral("c.txt"), QString());
    QVERIFY(parsed.steps.empty());
}

void TestScriptParser::aMegabyteLineIsReadWhole()
{
    const QByteArray data(1024 * 1024, 'x');
    const script::Script parsed = script::parseScript(
        "printer Open\nprinter PrintNormal receipt \"" + data + "\"\nprinter Close",
        QStringLiteral("big.txt"), QString());
    QCOMPARE(parsed.steps.size(), size_t(3));
    QCOMPARE(parsed.argumentText(parsed.steps[1], 1).size(), data.size());
    QCOMPARE(parsed.steps[2].line, 3);

    // The same line without its closing quote is refused, naming its line.
    QVERIFY_THROWS_EXCEPTION(script::ScriptError,
                             script::parseScript("printer PrintNormal 2 \"" + data,
                                                 QStringLiteral("big.txt"), QString()));
}

void TestScriptParser::numbersOutOfRangeAreRefused()
{
    for (const QByteArray& number : {QByteArray("2147483648"), QByteArray("-2147483649"),
                                     QByteArray(400, '9'), QByteArray("12abc")}) {
        QVERIFY_THROWS_EXCEPTION(script::ScriptError,
                                 script::parseScript("printer ClaimDevice " + number,
                                                     QStringLiteral("n.txt"), QString()));
    }
    QCOMPARE(parseOne("printer ClaimDevice 2147483647").arguments.number(0, 0), 2147483647);
    QCOMPARE(parseOne("printer ClaimDevice -2147483648").arguments.number(0, 0), INT32_MIN);
}

void TestScriptParser::theFirstFaultIsTheOneReported()
{
    // Text that is not UTF-8 is found before the statements are read, yet a fault on an earlier
    // line is still the one reported, and the other way round.
    const auto faultOf = [](const QByteArray& text) -> std::pair<int, QString> {
        try {
            script::parseScript(text, QStringLiteral("f.txt"), QString());
        } catch (const script::ScriptError& error) {
            return {error.line(), QString::fromUtf8(error.what())};
        }
        return {0, QString()};
    };
    auto [line, what] =
        faultOf("printer Open\nprinter Foo\nprinter Close\nprinter Open \"\xFF\"\n");
    QCOMPARE(line, 2);
    QVERIFY2(what.contains(u"no member or property"), qPrintable(what));
    std::tie(line, what) =
        faultOf(QByteArray("printer Open\nprinter Open \"\0\"\nprinter Foo\n", 42));
    QCOMPARE(line, 2);
    QVERIFY2(what.contains(u"NUL byte"), qPrintable(what));
    std::tie(line, what) = faultOf("\xEF\xBB\xBFprinter Open\r\n\xC3\xA9\xFF\n");
    QCOMPARE(line, 2);
    QVERIFY2(what.contains(u"not UTF-8"), qPrintable(what));
}

void TestScriptParser::statementsKeepTheirPlaceAmongWideCharacters()
{
    // Characters of two and four bytes, and one outside the basic plane (two UTF-16 units), before
    // and inside the statements; a byte-order mark, CR LF line ends, comments and blank lines.
    const QByteArray text = "\xEF\xBB\xBF# caf\xC3\xA9 \xF0\x9D\x84\x9E\r\n"
                            "printer PrintNormal receipt \"\xE2\x82\xAC 1\"  # \xE2\x82\xAC\r\n"
                            "\r\n"
                            "  use display \"\xF0\x9D\x84\x9E\"\t# x\n"
                            "printer Close";
    const script::Script parsed = script::parseScript(text, QStringLiteral("w.txt"), QString());
    QCOMPARE(parsed.steps.size(), size_t(3));
    QCOMPARE(parsed.statement(parsed.steps[0]),
             QStringLiteral("printer PrintNormal receipt \"\u20AC 1\""));
    QCOMPARE(parsed.argumentText(parsed.steps[0], 1).toString(), QStringLiteral("\u20AC 1"));
    QCOMPARE(parsed.statement(parsed.steps[1]),
             QString(QStringLiteral("use display \"") + QString::fromUcs4(U"\U0001D11E") + u'"'));
    QCOMPARE(parsed.statement(parsed.steps[2]), QStringLiteral("printer Close"));
    QCOMPARE(parsed.steps[2].line, 5);
}

void TestScriptParser::quotedTextsOfAnyLengthAreWrittenWhole()
{
    // Every character needing its longest form, past the length shown, after text already there,
    // into a string whose text another string shares.
    const QString controls(300, QChar(0x01));
    QString shared = QStringLiteral("PrintNormal(");
    QString out = shared;
    script::appendQuotedString(out, controls, 200);
    QCOMPARE(shared, QStringLiteral("PrintNormal("));
    QString expected = QStringLiteral("PrintNormal(\"");
    for (int i = 0; i < 200; ++i)
        expected += QStringLiteral("\\x01");
    expected += QStringLiteral("\"…");
    QCOMPARE(out, expected);
    QCOMPARE(script::quotedString(QStringLiteral("a\x1B\n\"\\"), 200),
             QStringLiteral(R"("a\e\n\"\\")"));
    QCOMPARE(script::quotedString(QString(), 200), QStringLiteral("\"\""));
}

void TestScriptParser::textsShownAsWrittenReadTheSame_data()
{
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<bool>("copied");
    // clang-format off
    QTest::newRow("plain") << QByteArray(R"("TOTAL  12.34")") << true;
    QTest::newRow("named escapes") << QByteArray(R"("\e|bC\r\n\t\0\\\"")") << true;
    QTest::newRow("hex as shown") << QByteArray(R"("\x07\x7f\x1f")") << true;
    QTest::newRow("hex in capitals") << QByteArray(R"("\x7F")") << false;
    QTest::newRow("hex of a named escape") << QByteArray(R"("\x1b")") << false;
    QTest::newRow("hex of a letter") << QByteArray(R"("\x41")") << false;
    QTest::newRow("hex above ASCII") << QByteArray(R"("\xe9")") << false;
    QTest::newRow("raw tab") << QByteArray("\"a\tb\"") << false;
    QTest::newRow("wide characters") << QByteArray("\"caf\xC3\xA9 \xF0\x9D\x84\x9E\"") << true;
    QTest::newRow("empty") << QByteArray(R"("")") << true;
    QTest::newRow("as long as shown") << QByteArray("\"" + QByteArray(200, 'x') + "\"") << true;
    QTest::newRow("longer than shown") << QByteArray("\"" + QByteArray(201, 'x') + "\"") << false;
    // clang-format on
}

void TestScriptParser::textsShownAsWrittenReadTheSame()
{
    // The transcript copies a text as the script wrote it only where writing the text again
    // would give the very same characters.
    QFETCH(QByteArray, written);
    const script::Script parsed =
        script::parseScript("printer   PrintNormal receipt " + written + "  # note",
                            QStringLiteral("s.txt"), QString());
    const Step& step = parsed.steps.front();
    QString asWritten;
    QString again;
    {
        script::TextWriter copy(asWritten);
        script::putCallText(copy, step, parsed.argumentText(step, 1), parsed.statementBytes(step));
        script::TextWriter anew(again);
        script::putCallText(anew, step, parsed.argumentText(step, 1));
    }
    QCOMPARE(asWritten, again);
    QTEST(!step.arguments.writtenText(parsed.statementBytes(step)).isEmpty() &&
              parsed.argumentText(step, 1).size() <= script::kShownDataLength,
          "copied");
}

QTEST_GUILESS_MAIN(TestScriptParser)
#include "test_script_parser.moc"

void TestScriptParser::wordsEndWhereTheyShould_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("words"); // a string as written, quotes included
    QTest::addColumn<QString>("text");      // the one string's text, if any
    // clang-format off
    QTest::newRow("blanks of all kinds") << QStringLiteral("\tprinter \t PrintNormal\r\nreceipt ")
        << QStringList{u"printer"_qs, u"PrintNormal"_qs, u"receipt"_qs} << QString();
    QTest::newRow("a name before =") << QStringLiteral("printer AsyncMode=true")
        << QStringList{u"printer"_qs, u"AsyncMode"_qs, u"="_qs, u"true"_qs} << QString();
    QTest::newRow("a name before !=") << QStringLiteral("expect printer State!=OPOS_S_IDLE")
        << QStringList{u"expect"_qs, u"printer"_qs, u"State"_qs, u"!="_qs, u"OPOS_S_IDLE"_qs} << QString();
    QTest::newRow("a wide name before =") << QStringLiteral("Größe=1")
        << QStringList{u"Größe"_qs, u"="_qs, u"1"_qs} << QString();
    QTest::newRow("= inside an address") << QStringLiteral("use printer tcp://h:9100?x=1&y!=2")
        << QStringList{u"use"_qs, u"printer"_qs, u"tcp://h:9100?x=1&y!=2"_qs} << QString();
    QTest::newRow("! alone stays in the word") << QStringLiteral("a!b c!")
        << QStringList{u"a!b"_qs, u"c!"_qs} << QString();
    QTest::newRow("a word runs into a string") << QStringLiteral("abc\"d e\"f")
        << QStringList{u"abc"_qs, u"\"d e\""_qs, u"f"_qs} << QStringLiteral("d e");
    QTest::newRow("control character inside a word") << QStringLiteral("a\x01b c")
        << QStringList{QStringLiteral("a\x01b"), u"c"_qs} << QString();
    QTest::newRow("comment after a word") << QStringLiteral("wait 5s\t# soon")
        << QStringList{u"wait"_qs, u"5s"_qs} << QString();
    QTest::newRow("string of plain, wide and escaped") << QStringLiteral("\"ab\\e€\\x41z\\\\\"")
        << QStringList{QStringLiteral("\"ab\\e€\\x41z\\\\\"")} << QStringLiteral("ab\x1B€Az\\");
    QTest::newRow("raw control characters in a string") << QStringLiteral("\"a\tb\x7F\"")
        << QStringList{QStringLiteral("\"a\tb\x7F\"")} << QStringLiteral("a\tb\x7F");
    // What ends or interrupts a run of plain characters, at every place of the steps of eight
    // in which such runs are read.
    for (int k = 0; k < 18; ++k) {
        const QString run(k, u'a');
        const auto row = [k](const char* what) -> QTestData& {
            return QTest::newRow(qPrintable(QStringLiteral("%1 after %2").arg(QLatin1String(what)).arg(k)));
        };
        const auto string = [&run](const QString& middle) { return QString(u'"' + run + middle + QString(9, u'b') + u'"'); };
        const auto text = [&run](const QString& middle) { return QString(run + middle + QString(9, u'b')); };
        row("blank") << QString(run + u"b c") << QStringList{run + u'b', u"c"_qs} << QString();
        row("quote") << QString(run + u"b\"q\"") << QStringList{run + u'b', u"\"q\""_qs} << u"q"_qs;
        row("=") << QString(run + u"b=1") << QStringList{run + u'b', u"="_qs, u"1"_qs} << QString();
        row("wide in a word") << QString(run + u"\u00E9b c") << QStringList{run + u"\u00E9b", u"c"_qs} << QString();
        row("escape") << string(u"\\e"_qs) << QStringList{string(u"\\e"_qs)} << text(QString(QChar(0x1B)));
        row("wide in a string") << string(u"\u20AC"_qs) << QStringList{string(u"\u20AC"_qs)} << text(u"\u20AC"_qs);
        row("DEL") << string(QString(QChar(0x7F))) << QStringList{string(QString(QChar(0x7F)))} << text(QString(QChar(0x7F)));
    }
    // clang-format on
}

void TestScriptParser::wordsEndWhereTheyShould()
{
    // Words and strings end at the first character that ends them, wherever it stands among
    // plain, wide and control characters.
    QFETCH(QString, line);
    std::vector<script::Token> tokens;
    std::u16string strings;
    script::tokenizeLine(line, tokens, strings);
    QStringList words;
    QString text;
    for (const script::Token& token : tokens) {
        words << token.word.toString();
        if (token.kind == script::Token::Kind::String)
            text = token.string.toString();
    }
    QTEST(words, "words");
    QTEST(text, "text");
}

namespace {

// Every line of `lines`, read in a script, must read as it does alone, at its own place.
void compareWithLinesReadAlone(const QList<QByteArray>& lines)
{
    const script::Script parsed =
        script::parseScript(lines.join("\r\n"), QStringLiteral("t.txt"), QString());
    size_t at = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].trimmed().isEmpty() || lines[i].trimmed().startsWith('#'))
            continue;
        QVERIFY(at < parsed.steps.size());
        const Step& step = parsed.steps[at++];
        const script::Script alone =
            script::parseScript(lines[i], QStringLiteral("t.txt"), QString());
        const Step& first = alone.steps.front();
        QCOMPARE(step.line, i + 1);
        QCOMPARE(parsed.statement(step), alone.statement(first));
        QCOMPARE(step.kind, first.kind);
        QCOMPARE(step.device, first.device);
        QCOMPARE(step.name(), first.name());
        QCOMPARE(step.value(), first.value());
        QCOMPARE(step.timeoutMs(), first.timeoutMs());
        QCOMPARE(parsed.argumentList(step), alone.argumentList(first));
        QCOMPARE(step.arguments.writtenText(parsed.statementBytes(step)),
                 first.arguments.writtenText(alone.statementBytes(first)));
    }
    QCOMPARE(at, parsed.steps.size());
}

} // namespace

void TestScriptParser::linesWrittenAgainReadAsTheirFirst()
{
    // A line written as one of the last lines is read as that one was, yet at its own place:
    // among wide characters, comments, CR LF ends and lines alike only in part.
    const QByteArray print = "printer PrintNormal receipt \"caf\xC3\xA9 \xF0\x9D\x84\x9E\"";
    compareWithLinesReadAlone({
        print + "  # a",
        "expect OPOS_SUCCESS",
        print + "  # a",
        "",
        print + "  # b",
        "expect OPOS_SUCCESS",
        "  " + print + "  # a",
        "printer CutPaper 90",
        "printer CutPaper 50",
        "printer CutPaper 90",
        "expect printer CoverOpen = false within 2 s",
        "expect printer CoverOpen = false within 2 s",
        print + "  # a",
    });
}

void TestScriptParser::linesAlikeButTheirTextReadAsAlone()
{
    // A line written as a recent one as far as its text is read from that one: its own text,
    // shown as written or not, its own comment and blanks; and every end that is not one quoted
    // text of plain characters is read as a line of its own, faults included.
    const QByteArray print = "  printer PrintNormal receipt ";
    compareWithLinesReadAlone({
        print + "\"Item 1\\n\"",
        print + "\"Item 2\\n\"   # a comment",
        "expect OPOS_SUCCESS",
        print + "\"\\e|bCItem 3\\e|N\"\t ",
        "expect OPOS_SUCCESS",
        print + "\"\\x41\\x0A\"",
        print + "\"\"",
        print + "\"caf\xC3\xA9\"",
        print + "\"Item 4\"",
        print + "\"Item 4a\"#a comment at once",
        print + "\t\"Item 4b\"",
        print + "word",
        print + "\"Item 5\"",
        print + "\"Item 6\"",
        "  printer PrintNormal journal \"Item 7\"",
        "  printer PrintNormal receipt  \"Item 8\"",
        "display DisplayText \"Hello\"",
        "display DisplayText \"World\"",
        "display DisplayText \"Hello\" 1",
        "display DisplayText \"World\" 1",
    });
    for (const QByteArray& wrong :
         {QByteArray("\"Item 9\" extra"), QByteArray("\"Item 9"), QByteArray("\"Item \\q\""),
          QByteArray("\"a\" \"b\""), QByteArray("\"a\"\"b\""), QByteArray("\"a\"=")}) {
        const QByteArray script = print + "\"Item 1\"\n" + print + wrong + "\n";
        QString message;
        try {
            script::parseScript(script, QStringLiteral("t.txt"), QString());
        } catch (const script::ScriptError& error) {
            message = QString::fromStdString(error.what());
        }
        QString alone;
        try {
            script::parseScript("\n" + print + wrong + "\n", QStringLiteral("t.txt"), QString());
        } catch (const script::ScriptError& error) {
            alone = QString::fromStdString(error.what());
        }
        QVERIFY2(!message.isEmpty(), wrong.constData());
        QCOMPARE(message, alone);
    }
}

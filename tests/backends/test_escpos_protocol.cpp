#include "backends/escpos/ConfiguredDevices.h"
#include "backends/escpos/DeviceStatus.h"
#include "backends/escpos/DisplayCommands.h"
#include "backends/escpos/EscPosTranslator.h"
#include "backends/escpos/Resolvers.h"
#include "opos/DeviceRegistry.h"
#include "opos/OposConstants.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using namespace escpos;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(escpos::DeviceStatus)

// The byte-level parts of the ESC/POS backend: print data to ESC/POS, text encoding, status
// replies, display commands, device addresses and the device file.
class TestEscPosProtocol : public QObject
{
    Q_OBJECT

private slots:
    void translatesPrintData_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<int>("characterSet");
        QTest::addColumn<QByteArray>("expected");
        const auto esc = [](const char* rest) -> QString {
            return QStringLiteral("\x1b|") + QLatin1String(rest);
        };

        const auto hex = [](const char* text) { return QByteArray::fromHex(text); };
        QTest::newRow("text and line feed")
            << QStringLiteral("Hello\n") << 437 << hex("48656c6c6f0a");
        QTest::newRow("CR dropped") << QStringLiteral("A\r\nB\r") << 437 << hex("410a42");
        QTest::newRow("bold on and off")
            << esc("bCX") + esc("!bCY") << 437 << hex("1b4501 58 1b4500 59");
        QTest::newRow("only changes are sent")
            << esc("bCX") + esc("bCY") << 437 << hex("1b4501 58 59 1b4500");
        QTest::newRow("mode without text waits") << esc("bC") << 437 << hex("");
        QTest::newRow("underline thick") << esc("2uCX") << 437 << hex("1b2d02 58 1b2d00");
        QTest::newRow("reverse video") << esc("rvCX") << 437 << hex("1d4201 58 1d4200");
        QTest::newRow("double both") << esc("4CX") << 437 << hex("1d2111 58 1d2100");
        QTest::newRow("double high") << esc("3CX") << 437 << hex("1d2101 58 1d2100");
        QTest::newRow("centred line") << esc("cAX\n") << 437 << hex("1b6101 58 0a 1b6100");
        QTest::newRow("normal resets all")
            << esc("bC") + esc("uC") + esc("2C") + esc("rAX") + esc("NY") << 437
            << hex("1b4501 1b2d01 1d2110 1b6102 58 1b4500 1b2d00 1d2100 1b6100 59");
        QTest::newRow("cut without feed, partial") << esc("75P") << 437 << hex("1d5601");
        QTest::newRow("cut without number is full") << esc("P") << 437 << hex("1d5600");
        QTest::newRow("feed and full cut") << esc("100fP") << 437 << hex("1d564100");
        QTest::newRow("feed and partial cut") << esc("50fP") << 437 << hex("1d564200");
        QTest::newRow("feed lines") << esc("3lF") << 437 << hex("1b6403");
        QTest::newRow("raw bytes keep NUL")
            << esc("3E") + QStringLiteral("A") + QChar(0) + QStringLiteral("BC") << 437
            << hex("41004243");
        QTest::newRow("raw count beyond the end")
            << esc("9E") + QStringLiteral("AB") << 437 << hex("4142");
        QTest::newRow("italic left out") << esc("iCx") << 437 << hex("78");
        QTest::newRow("bitmap and logo left out") << esc("1B") + esc("tL") << 437 << hex("");
        QTest::newRow("not a sequence") << esc("!@x") << 437 << hex("21 40 78");
        QTest::newRow("huge number clamped") << esc("99999lF") << 437 << hex("1b64ff");
        QTest::newRow("control characters dropped")
            << QStringLiteral("\x1b-\x01\tA") << 437 << hex("2d 09 41");
        QTest::newRow("437 e acute") << QStringLiteral("\u00e9") << 437 << QByteArray("\x82");
        QTest::newRow("850 e acute") << QStringLiteral("\u00e9") << 850 << QByteArray("\x82");
        QTest::newRow("858 euro") << QStringLiteral("\u20ac") << 858 << QByteArray("\xd5");
        QTest::newRow("866 zhe") << QStringLiteral("\u0436") << 866 << QByteArray("\xa6");
        QTest::newRow("1252 euro") << QStringLiteral("\u20ac") << 1252 << QByteArray("\x80");
        QTest::newRow("437 has no euro") << QStringLiteral("a\u20acb") << 437 << QByteArray("a?b");
        QTest::newRow("a character the set lacks spoils none after it")
            << QStringLiteral("\u0436\u20ac\u0436\u00e9\u0436") << 858 << QByteArray("?\xd5?\x82?");
        QTest::newRow("ASCII replaces")
            << QStringLiteral("\u00e9t\u00e9") << 998 << QByteArray("?t?");
        QTest::newRow("surrogate pair is one character")
            << QStringLiteral("x\U0001F600y") << 1252 << QByteArray("x?y");
    }

    void translatesPrintData()
    {
        QFETCH(QString, data);
        QFETCH(int, characterSet);
        QFETCH(QByteArray, expected);
        opos::TextEncoder encoder(characterSet);
        EscPosTranslator translator(0);
        QCOMPARE(translator.translate(data, encoder).toHex(' '), expected.toHex(' '));
    }

    // The second call's bytes: it starts with the printer normal again, and nothing already in
    // force is sent twice.
    void nextCallStartsNormal_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QByteArray>("expected");
        const auto esc = [](const char* text) {
            return QString::fromLatin1(text).replace(u'~', QChar(0x1B));
        };
        const auto hex = [](const char* text) { return QByteArray::fromHex(text); };
        QTest::newRow("plain after styled") << esc("~|bC~|cA~|4Cx\n") << u"y\n"_s << hex("79 0a");
        QTest::newRow("same style again is sent again")
            << esc("~|bCx") << esc("~|bCy") << hex("1b4501 79 1b4500");
        QTest::newRow("mode without text leaves nothing to undo")
            << esc("~|bC~|2C") << u"y"_s << hex("79");
        QTest::newRow("switched off within the call")
            << esc("~|uCx~|!uC") << esc("~|3Cy") << hex("1d2101 79 1d2100");
    }

    void nextCallStartsNormal()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QByteArray, expected);
        opos::TextEncoder encoder(437);
        EscPosTranslator translator(0);
        const QByteArray firstBytes = translator.translate(first, encoder);
        QVERIFY(!firstBytes.contains(cmd::initialise()));
        QCOMPARE(translator.translate(second, encoder).toHex(' '), expected.toHex(' '));
    }

    void decodesRealTimeStatus_data()
    {
        QTest::addColumn<QByteArray>("replies");
        QTest::addColumn<DeviceStatus>("expected");
        const auto make = [](bool drawer, bool offline, bool cover, bool stop, bool near,
                             bool end) {
            DeviceStatus s;
            s.answered = true;
            s.drawerHigh = drawer;
            s.offline = offline;
            s.coverOpen = cover;
            s.paperEndStop = stop;
            s.paperNearEnd = near;
            s.paperEnd = end;
            return s;
        };
        QTest::newRow("idle") << QByteArray("\x12\x12\x12")
                              << make(false, false, false, false, false, false);
        QTest::newRow("cover open")
            << QByteArray("\x1a\x16\x12") << make(false, true, true, false, false, false);
        QTest::newRow("paper out")
            << QByteArray("\x1a\x32\x7e") << make(false, true, false, true, true, true);
        QTest::newRow("near end, drawer")
            << QByteArray("\x16\x12\x1e") << make(true, false, false, false, true, false);
    }

    void decodesRealTimeStatus()
    {
        QFETCH(QByteArray, replies);
        QFETCH(DeviceStatus, expected);
        const auto byte = [&](int i) { return static_cast<uint8_t>(replies[i]); };
        QVERIFY(decodeRealTime(byte(0), byte(1), byte(2)) == expected);
    }

    void sortsIncomingBytes()
    {
        ReplySorter sorter;
        // XON, a real-time reply, half an automatic status frame, XOFF, the rest of the frame,
        // a transmit reply, then another real-time reply.
        sorter.feed(QByteArray("\x11\x16\x38\x00", 4));
        sorter.feed(QByteArray("\x13\x0c\x00\x03\x12", 5));
        QCOMPARE(sorter.available(ReplyKind::RealTime), 2);
        QCOMPARE(sorter.take(ReplyKind::RealTime, 2), QByteArray("\x16\x12"));
        QCOMPARE(sorter.take(ReplyKind::Transmit, 1), QByteArray("\x03"));
        const auto frames = sorter.takeFrames();
        QCOMPARE(frames.size(), size_t(1));
        const DeviceStatus status = decodeAutoStatus(frames[0]);
        QVERIFY(status.coverOpen && status.offline && status.paperEnd && !status.drawerHigh);
        // Taken in parts, oldest first; asking for more than there is takes what there is.
        sorter.feed(QByteArray("\x12\x16\x1a", 3));
        QCOMPARE(sorter.take(ReplyKind::RealTime, 1), QByteArray("\x12"));
        QCOMPARE(sorter.take(ReplyKind::RealTime, 5), QByteArray("\x16\x1a"));
        QVERIFY(sorter.idle());
        sorter.feed(QByteArray("\x12", 1));
        sorter.discard(ReplyKind::RealTime);
        QCOMPARE(sorter.available(ReplyKind::RealTime), 0);
    }

    void buildsDisplayCommands_data()
    {
        QTest::addColumn<QString>("commandSet");
        QTest::addColumn<QByteArray>("init");
        QTest::addColumn<QByteArray>("window");
        QTest::newRow("epson") << QStringLiteral("epson")
                               << QByteArray("\x1b@\x1f\x01\x1bt\x02\x1fX\x03", 10)
                               << QByteArray::fromHex("1f4500 1f240101 41822020 1f240102 421f2020");
        QTest::newRow("cd5220") << QStringLiteral("cd5220")
                                << QByteArray("\x1b@\x1b\x11\x1b\x66\x02\x1b*\x03", 10)
                                << QByteArray::fromHex("1b6c0101 41822020 1b6c0102 421f2020");
    }

    void buildsDisplayCommands()
    {
        QFETCH(QString, commandSet);
        QFETCH(QByteArray, init);
        QFETCH(QByteArray, window);
        DeviceSettings settings = parseAddress(
            QStringLiteral(
                "serial:///dev/ttyS0?commandSet=%1&columns=4&characterSet=850&brightness=3")
                .arg(commandSet));
        DisplayCommands commands(settings.display);
        QCOMPARE(commands.initialise().toHex(' '), init.toHex(' '));
        // The second row is longer than the display: it is cut at the width.
        const QStringList rows{QStringLiteral("A\u00e9"), QStringLiteral("B\x1f  xyz")};
        QCOMPARE(commands.showWindow(rows, opos::DISP_DT_NORMAL).toHex(' '), window.toHex(' '));
    }

    void parsesAddresses_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("error"); // part of the reason, empty when valid
        QTest::newRow("tcp default port") << "tcp://Printer.local"
                                          << "tcp://printer.local:9100"
                                          << "";
        QTest::newRow("tcp port") << "tcp://10.0.0.5:9101?jobTimeout=500"
                                  << "tcp://10.0.0.5:9101"
                                  << "";
        QTest::newRow("usb file") << "file:///dev/usb/lp0"
                                  << "file:///dev/usb/lp0"
                                  << "";
        QTest::newRow("serial")
            << "serial:///dev/ttyUSB0?baud=38400&flow=xonxoff&parity=even&data=7&stop=2"
            << "serial:///dev/ttyUSB0"
            << "";
        QTest::newRow("no host") << "tcp://"
                                 << ""
                                 << "names no host";
        QTest::newRow("port 0") << "tcp://h:0"
                                << ""
                                << "port";
        QTest::newRow("port too big") << "tcp://h:70000"
                                      << ""
                                      << "port must be a number from 1 to 65535, not \"70000\"";
        QTest::newRow("port not a number") << "tcp://h:lp"
                                           << ""
                                           << "not \"lp\"";
        QTest::newRow("space in a path") << "file:///dev/usb lp0"
                                         << ""
                                         << "the character ' ' must be written %20";
        QTest::newRow("NUL in a file path") << "file:///dev/usb/lp0%00.txt"
                                            << ""
                                            << "its device path holds a NUL character";
        QTest::newRow("NUL in a serial path") << "serial:///dev/tty%00S0"
                                              << ""
                                              << "its device path holds a NUL character";
        QTest::newRow("NUL in a setting") << "serial:///dev/ttyS0?baud=9600%00"
                                          << ""
                                          << "Setting \"baud\" holds a NUL character";
        QTest::newRow("escape in a setting") << "tcp://h?status=poll%1b"
                                             << ""
                                             << "holds the control character 0x1B";
        QTest::newRow("raw control character")
            << "tcp://h\x7f"
            << ""
            << "\"tcp://h%7F\" is not a usable device address: it holds the control character 0x7F";
        QTest::newRow("setting twice") << "tcp://h?jobTimeout=1&jobTimeout=2"
                                       << ""
                                       << "setting \"jobTimeout\" is given twice";
        QTest::newRow("user name") << "tcp://me@h"
                                   << ""
                                   << "no user name";
        QTest::newRow("tcp path") << "tcp://h/x"
                                  << ""
                                  << "no path";
        QTest::newRow("serial host") << "serial://ttyS0"
                                     << ""
                                     << "local device";
        QTest::newRow("bad baud") << "serial:///dev/ttyS0?baud=fast"
                                  << ""
                                  << "\"baud\"";
        QTest::newRow("bad flow") << "serial:///dev/ttyS0?flow=dtrdsr"
                                  << ""
                                  << "rtscts";
        QTest::newRow("serial setting on tcp") << "tcp://h?baud=9600"
                                               << ""
                                               << "serial ports only";
        QTest::newRow("unknown setting") << "tcp://h?colour=red"
                                         << ""
                                         << "Unknown setting \"colour\"";
        QTest::newRow("set without encoder") << "tcp://h?codeTables=852:18&characterSet=852"
                                             << ""
                                             << "cannot be encoded";
        QTest::newRow("set without table") << "tcp://h?characterSet=1250"
                                           << ""
                                           << "no code table";
        QTest::newRow("bad drawer pin") << "tcp://h?drawerPin=3"
                                        << ""
                                        << "drawerPin";
        QTest::newRow("bad pairs") << "tcp://h?codeTables=437"
                                   << ""
                                   << "CHARACTERSET:TABLE";
    }

    void parsesAddresses()
    {
        QFETCH(QString, name);
        QFETCH(QString, key);
        QFETCH(QString, error);
        QVERIFY(isAddress(name));
        try {
            const DeviceSettings settings = parseAddress(name);
            QVERIFY2(key.size() > 0, "a bad address was accepted");
            QCOMPARE(settings.address.key(), key);
        } catch (const SettingsError& e) {
            QVERIFY2(key.isEmpty(), e.what());
            QVERIFY2(QString::fromUtf8(e.what()).contains(error), e.what());
            QVERIFY2(!QString::fromUtf8(e.what()).contains(QLatin1String("source was")), e.what());
        }
    }

    void serialSettingsApply()
    {
        const DeviceSettings s = parseAddress(QStringLiteral(
            "serial:///dev/ttyUSB0?baud=38400&flow=rtscts&parity=odd&data=7&stop=2"));
        QCOMPARE(s.address.serial.baud, 38400);
        QCOMPARE(s.address.serial.flow, QSerialPort::HardwareControl);
        QCOMPARE(s.address.serial.parity, QSerialPort::OddParity);
        QCOMPARE(s.address.serial.dataBits, QSerialPort::Data7);
        QCOMPARE(s.address.serial.stopBits, QSerialPort::TwoStop);
    }

    void readsTheDeviceFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("extra"); // an entry added to a good file
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("reason");
        const auto row = [](const char* tag, const char* kind, const char* name, const char* extra,
                            int code, const char* reason) {
            QTest::newRow(tag) << QString::fromLatin1(kind) << QString::fromLatin1(name)
                               << QByteArray(extra) << code << QString::fromLatin1(reason);
        };
        const int noService = opos::OPOS_E_NOSERVICE;
        row("printer", "printer", "Front Printer", "", 0, "");
        row("name ignoring case", "printer", "front printer", "", 0, "");
        row("display", "display", "Pole", "", 0, "");
        row("drawer entry", "drawer", "Till", "", 0, "");
        row("drawer on a printer entry", "drawer", "Front Printer", "", 0, "");
        row("printer name used for a display", "display", "Front Printer", "", opos::OPOS_E_NOEXIST,
            "not a line display");
        row("unknown name", "printer", "Back Printer", "", opos::OPOS_E_NOEXIST, "");
        row("address typed", "printer", "tcp://127.0.0.1:1", "", 0, "");
        row("broken address typed", "printer", "tcp://127.0.0.1:0", "", noService, "port");
        // A broken entry makes the whole file unusable, whichever name is asked for.
        row("no address", "printer", "Front Printer", "[X]\nclass=PosPrinter\n", noService,
            "line 11, device \"X\": no address");
        row("bad class", "printer", "X", "[X]\nclass=Scale\naddress=tcp://h\n", noService,
            "\"class\"");
        row("bad time-out", "printer", "X",
            "[X]\nclass=PosPrinter\naddress=tcp://h\nstatusTimeout=soon\n", noService,
            "\"statusTimeout\"");
        // A value's fault names the line of the value, not the section's header.
        row("value fault names its line", "printer", "X",
            "[X]\nclass=PosPrinter\naddress=tcp://h\n\nlineChars=48\nstatusTimeout=soon\n",
            noService, "line 16, device \"X\": Setting \"statusTimeout\"");
        row("class fault names its line", "printer", "X", "[X]\naddress=tcp://h\nclass=Scale\n",
            noService, "line 13, device \"X\"");
        row("address fault names its line", "printer", "X",
            "[X]\nclass=PosPrinter\naddress=tcp://h:0\n", noService, "line 13, device \"X\"");
        row("not an address", "printer", "X", "[X]\nclass=PosPrinter\naddress=lpt1\n", noService,
            "not a tcp://");
        row("unknown key", "printer", "X",
            "[X]\nclass=PosPrinter\naddress=tcp://h\npollIntervall=100\n", noService,
            "Unknown setting \"pollIntervall\"");
        row("value not whole", "printer", "X",
            "[X]\nclass=PosPrinter\naddress=tcp://h\nlineChars=48;64\n", noService, "\"48;64\"");
        row("trailing comma", "printer", "X",
            "[X]\nclass=PosPrinter\naddress=tcp://h\nlineChars=48,\n", noService, "\"lineChars\"");
        row("group path as a key", "printer", "X",
            "[X]\nclass=PosPrinter\naddress=tcp://h\nsub\\key=1\n", noService,
            "Unknown setting \"sub\\key\"");
        row("serialised value", "printer", "X",
            "[X]\nclass=PosPrinter\naddress=tcp://h\nlineWidth=@Variant(\\0\\0\\0\\x7f)\n",
            noService, "\"lineWidth\"");
        row("section named General is a device", "printer", "General",
            "[General]\nclass=PosPrinter\naddress=tcp://h\n", 0, "");
        row("address with a NUL", "printer", "X",
            "[X]\nclass=PosPrinter\naddress=file:///dev/usb/lp0%00.txt\n", noService,
            "device path holds a NUL character");
        row("percent text in a value", "printer", "X",
            "[X]\nclass=PosPrinter\naddress=tcp://h\nstatusTimeout=9600%00\n", noService,
            "\"statusTimeout\"");
        row("control character in a value", "printer", "X",
            "[X]\nclass=PosPrinter\naddress=tcp://h\nstatusTimeout=1\x1b\n", noService,
            "line 14: the line holds the control character 0x1B");
        row("duplicated key", "printer", "X",
            "[X]\nclass=PosPrinter\naddress=tcp://h\naddress=tcp://g\n", noService,
            "line 14: \"address\" is given twice for device \"X\" (first on line 13)");
        row("duplicated section ignoring case", "printer", "Pole", "[POLE]\n", noService,
            "line 11: device \"POLE\" is already defined on line 5");
        row("syntax error", "printer", "Front Printer", "[X]\nnot a setting\n", noService,
            "line 12: syntax error");
        row("unclosed section", "printer", "Front Printer", "[Broken\n", noService,
            "line 11: syntax error");
        row("text after a section", "printer", "Front Printer", "[X] y\n", noService,
            "line 11: syntax error");
        row("indented lines are no continuation", "printer", "X",
            "[X]\n  class=PosPrinter\n  address=tcp://h\n", 0, "");
        row("not UTF-8", "printer", "X", "[X\xe9]\n", noService, "line 11: the text is not UTF-8");
    }

    void readsTheDeviceFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, name);
        QFETCH(QByteArray, extra);
        QFETCH(int, code);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("devices.ini"));
        writeFile(path,
                  "; real devices\n[Front Printer]\nclass=PosPrinter\naddress=tcp://127.0.0.1:9\n"
                  "[Pole]\nclass=LineDisplay\naddress=serial:///dev/ttyS0?baud=9600\n"
                  "[Till]\nclass=CashDrawer\naddress=tcp://127.0.0.1:9\n" +
                      extra);
        opos::DeviceRegistry registry;
        addResolvers(registry, path);
        int found = 0;
        QString why;
        if (kind == QLatin1String("printer")) {
            const auto lookup = registry.findPrinter(name);
            found = lookup.code;
            why = lookup.reason;
            QCOMPARE(bool(lookup.backend), code == 0);
        } else if (kind == QLatin1String("drawer")) {
            const auto lookup = registry.findCashDrawer(name);
            found = lookup.code;
            why = lookup.reason;
            QCOMPARE(bool(lookup.backend), code == 0);
        } else {
            const auto lookup = registry.findLineDisplay(name);
            found = lookup.code;
            why = lookup.reason;
            QCOMPARE(bool(lookup.backend), code == 0);
        }
        QVERIFY2(found == code, qPrintable(why));
        QVERIFY2(why.contains(reason), qPrintable(why));
        if (code == opos::OPOS_E_NOSERVICE && !name.startsWith(QLatin1String("tcp:")))
            QVERIFY2(why.startsWith(path), qPrintable(why));
    }

    void entryValuesReachTheBackend()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("devices.ini"));
        writeFile(path, "[P]\nclass=PosPrinter\naddress=tcp://127.0.0.1:9 ; the counter\n"
                        "lineChars=42,56\n# code tables\ncodeTables=437:0,1252:16\n"
                        "characterSet=1252\n");
        opos::DeviceRegistry registry;
        addResolvers(registry, path);
        const auto lookup = registry.findPrinter(QStringLiteral("P"));
        QVERIFY2(lookup.backend, qPrintable(lookup.reason));
        const QVariantMap properties = lookup.backend->deviceProperties();
        QCOMPARE(properties.value(QStringLiteral("RecLineCharsList")).toString(),
                 QStringLiteral("42,56"));
        QCOMPARE(properties.value(QStringLiteral("RecLineChars")).toInt(), 42);
        QCOMPARE(properties.value(QStringLiteral("CharacterSet")).toInt(), 1252);
        QCOMPARE(properties.value(QStringLiteral("CharacterSetList")).toString(),
                 QStringLiteral("437,850,858,866,998,1252"));
    }

    // The file is read afresh on every look-up: the same file gives the same answer each time,
    // and an edit counts at the next look-up.
    void sameFileSameAnswer()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("devices.ini"));
        writeFile(path, "[Front]\nclass=PosPrinter\naddress=tcp://h\n[Broken\n");
        opos::DeviceRegistry registry;
        addResolvers(registry, path);
        for (int attempt = 0; attempt < 3; ++attempt) {
            const auto lookup = registry.findPrinter(QStringLiteral("Front"));
            QCOMPARE(lookup.code, opos::OPOS_E_NOSERVICE);
            QCOMPARE(lookup.reason, path + QStringLiteral(", line 4: syntax error: a section "
                                                          "header is [device name] alone on its "
                                                          "line"));
        }
        writeFile(path, "[Front]\nclass=PosPrinter\naddress=tcp://h\n");
        QVERIFY(registry.findPrinter(QStringLiteral("Front")).backend);
    }

    void unusableFiles_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("reason");
        QTest::newRow("folder") << "folder"
                                << "is a folder, not a file";
        QTest::newRow("FIFO") << "fifo"
                              << "is not a regular file";
        QTest::newRow("unreadable") << "unreadable"
                                    << "cannot be read: ";
        QTest::newRow("absent") << "absent"
                                << "";
        QTest::newRow("link to itself")
            << "self-link"
            << QStringLiteral("cannot be read: ") + QString::fromLocal8Bit(std::strerror(ELOOP));
        QTest::newRow("link loop")
            << "link-loop"
            << QStringLiteral("cannot be read: ") + QString::fromLocal8Bit(std::strerror(ELOOP));
        QTest::newRow("link to nothing") << "dangling-link"
                                         << "is a link to ";
    }

    void unusableFiles()
    {
        QFETCH(QString, what);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("devices.ini"));
        if (what == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path));
        } else if (what == QLatin1String("fifo")) {
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (what == QLatin1String("self-link")) {
            QVERIFY(QFile::link(path, path));
        } else if (what == QLatin1String("link-loop")) {
            QVERIFY(QFile::link(dir.filePath(QStringLiteral("other.ini")), path));
            QVERIFY(QFile::link(path, dir.filePath(QStringLiteral("other.ini"))));
        } else if (what == QLatin1String("dangling-link")) {
            QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone.ini")), path));
        } else if (what == QLatin1String("unreadable")) {
            if (geteuid() == 0)
                QSKIP("root reads every file");
            writeFile(path, "[P]\nclass=PosPrinter\naddress=tcp://h\n");
            QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        }
        opos::DeviceRegistry registry;
        addResolvers(registry, path);
        const auto lookup = registry.findPrinter(QStringLiteral("P"));
        QCOMPARE(lookup.code, reason.isEmpty() ? opos::OPOS_E_NOEXIST : opos::OPOS_E_NOSERVICE);
        QVERIFY2(lookup.reason.contains(reason), qPrintable(lookup.reason));
        const ConfiguredDeviceList listed = listConfiguredDevices(path);
        QVERIFY(listed.devices.isEmpty());
        QCOMPARE(listed.error, reason.isEmpty() ? QString() : lookup.reason);
    }

    void listsConfiguredDevices()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("devices.ini"));
        writeFile(path,
                  "[Counter]\nclass=posprinter\naddress=tcp://h\n[Till]\nclass=CashDrawer\n"
                  "address=tcp://h\n[Pole]\nclass=LineDisplay\naddress=serial:///dev/ttyS0\n");
        ConfiguredDeviceList listed = listConfiguredDevices(path);
        QCOMPARE(listed.error, QString());
        QStringList seen;
        for (const ConfiguredDevice& device : listed.devices)
            seen << device.logicalName + u'=' + deviceClassName(device.deviceClass);
        QCOMPARE(seen, (QStringList{QStringLiteral("Counter=PosPrinter"),
                                    QStringLiteral("Till=CashDrawer"),
                                    QStringLiteral("Pole=LineDisplay")}));

        writeFile(path, "[Counter]\nclass=PosPrinter\naddress=tcp://h\nlineChars=x\n");
        listed = listConfiguredDevices(path);
        QVERIFY(listed.devices.isEmpty());
        QVERIFY2(listed.error.startsWith(path + QStringLiteral(", line 4, device \"Counter\": ")),
                 qPrintable(listed.error));

        writeFile(path,
                  "[Counter]\nclass=PosPrinter\naddress=tcp://" + QByteArray(300, 'h') + '\n');
        QVERIFY(listConfiguredDevices(path).error.startsWith(
            path + QStringLiteral(", line 3: the line is longer than")));

        writeFile(path, "address=tcp://h\n[Counter]\nclass=PosPrinter\n");
        QCOMPARE(listConfiguredDevices(path).error,
                 path + QStringLiteral(", line 1: \"address\" comes before the first [device "
                                       "name] section"));
    }

private:
    static void writeFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
};

QTEST_GUILESS_MAIN(TestEscPosProtocol)
#include "test_escpos_protocol.moc"

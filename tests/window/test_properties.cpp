#include "app/window/frmMain.h"
#include "opos/OposConstants.h"
#include "opos/PosPrinter.h"
#include "opos/PrinterPropertyTable.h"
#include "properties/PrinterPropertyReader.h"
#include "properties/PropertyListing.h"
#include "properties/WritableProperties.h"
#include "services/Colours.h"
#include "services/FlexGridModel.h"
#include "services/FormState.h"
#include "support/WindowFixture.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QLabel>
#include <QSet>
#include <QTest>
#include <stdexcept>

using Property = QString;
using namespace Qt::StringLiterals;

namespace {

// The "Properties" page of a real window over the simulated printer, and the user's gestures
// on it: the two buttons, clicks on the grid's cells and keys released in the grid.
class PropertyPage
{
public:
    explicit PropertyPage(int32_t version = opos::kDefaultControlObjectVersion)
        : m_fixture(opos::ControlOptions{version}),
          m_view(m_fixture.widget<QAbstractItemView>("MSFlexGrid2"))
    {}

    WindowFixture& fixture() { return m_fixture; }
    opos::PosPrinter& printer() { return m_fixture.printer(); }
    ScriptedDialogs& dialogs() { return m_fixture.dialogs(); }
    FlexGridModel& grid() { return m_fixture.window().propertyGrid(); }
    const FormState& state() { return m_fixture.form(); }
    QAbstractButton& cmdWriteProp() { return m_fixture.widget<QAbstractButton>("cmdWriteProp"); }
    QLabel& Label15() { return m_fixture.widget<QLabel>("Label15"); }
    QString label() { return Label15().text(); }

    void list()
    {
        m_fixture.click("cmdReadProp");
        m_fixture.flushViews();
    }
    void clickWrite() { m_fixture.click("cmdWriteProp"); }

    void clickCell(int row, int col)
    {
        const QModelIndex index = m_view.model()->index(row - 1, col);
        QCoreApplication::processEvents(); // lets the view lay out rows the grid just published
        m_view.scrollTo(index);
        const QPoint centre = m_view.visualRect(index).center();
        QVERIFY2(m_view.viewport()->rect().contains(centre), "the cell is out of sight");
        QTest::mouseClick(m_view.viewport(), Qt::LeftButton, {}, centre);
    }
    void clickCell(const QString& property, int col) { clickCell(rowOf(property), col); }

    // Keys released in the grid: '\b' Backspace, '\x1b' Escape, '\r' Enter, others as typed.
    void type(const QString& keys)
    {
        for (const QChar key : keys) {
            if (key == u'\b')
                QTest::keyClick(&m_view, Qt::Key_Backspace);
            else if (key == u'\x1b')
                QTest::keyClick(&m_view, Qt::Key_Escape);
            else if (key == u'\r')
                QTest::keyClick(&m_view, Qt::Key_Return);
            else
                QTest::keyClick(&m_view, key.toLatin1());
        }
    }

    int rowOf(const QString& property)
    {
        for (int row = 1; row < grid().Rows(); ++row)
            if (grid().TextMatrix(row, 0) == property)
                return row;
        return -1;
    }
    QString valueOf(const QString& property) { return grid().TextMatrix(rowOf(property), 1); }

    // Opened, claimed and enabled: every writable property can then be written.
    bool enablePrinter() { return m_fixture.openPrinter(true, true); }

private:
    WindowFixture m_fixture;
    QAbstractItemView& m_view;
};

// Reads the printer, except that one property's read fails as a broken control would.
class FailingReader : public properties::PrinterPropertyReader
{
public:
    FailingReader(const opos::PosPrinter& printer, Dialogs& dialogs, int32_t failing)
        : PrinterPropertyReader(printer, dialogs), m_failing(failing)
    {}

protected:
    QString readValue(const opos::PrinterPropertyInfo& info) const override
    {
        if (info.index == m_failing)
            throw std::runtime_error("Automation error");
        return PrinterPropertyReader::readValue(info);
    }

private:
    int32_t m_failing;
};

} // namespace

// The property inspector driven as a user drives it: Get Properties, clicks on cells, keys
// released in the grid, Change Property; checked on the grid, the buttons and the printer.
class TestProperties : public QObject
{
    Q_OBJECT

private slots:
    void unknownIndicesReadAsUnknownSilently_data();
    void unknownIndicesReadAsUnknownSilently();
    void writableSetMatchesTheDeviceTable();
    void listingFollowsTheControlVersion_data();
    void listingFollowsTheControlVersion();
    void secondListingResetsColoursAndSelection();
    void clickSelectsOnlyWritableRows();
    void clickingAnotherCellRestoresOrKeepsTypedText_data();
    void clickingAnotherCellRestoresOrKeepsTypedText();
    void typing_data();
    void typing();
    void writeSendsTheTypedValue_data();
    void writeSendsTheTypedValue();
    void writeKeepsTheGridAsTyped();
    void refusedWriteShowsInTheNextListing();
    void writeSaysAtOnceWhatBecameOfIt();
    void refusedTextIsNotWritten_data();
    void refusedTextIsNotWritten();
    void clickOnASpareRowFails();
    void failingReadGivesNameAndUnknown();
};

void TestProperties::unknownIndicesReadAsUnknownSilently_data()
{
    QTest::addColumn<int>("index");
    for (int index : {0, 2, 10, 12, 15, 500, 504, 505, 8000, 8046, 8500, 8559, 1000000, 1000005,
                      1008000, 1008011, -1})
        QTest::addRow("%d", index) << index;
}

void TestProperties::unknownIndicesReadAsUnknownSilently()
{
    QFETCH(int, index);
    PropertyPage page;
    const properties::PrinterPropertyReader reader(page.printer(), page.dialogs());
    const properties::PropertyText text = reader.GetPrinterProperty(index);
    QCOMPARE(text.name, QStringLiteral("UNKNOWN!"));
    QCOMPARE(text.value, QStringLiteral("UNKNOWN!"));
    QVERIFY(page.dialogs().boxes().isEmpty());
}

// The inspector's writable set is the device's: whatever it offers to edit, the device can take.
void TestProperties::writableSetMatchesTheDeviceTable()
{
    QSet<int32_t> device;
    for (const opos::PrinterPropertyInfo& info : opos::printerProperties())
        if (info.writable())
            device.insert(info.index);
    const auto writable = properties::WritableProperties();
    QCOMPARE(QSet<int32_t>(writable.begin(), writable.end()), device);
    QCOMPARE(writable.size(), std::size_t(26));
}

void TestProperties::listingFollowsTheControlVersion_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("count");
    QTest::addColumn<Property>("row13");
    QTest::addColumn<Property>("lastRow");
    QTest::newRow("current") << int(opos::kDefaultControlObjectVersion) << 131
                             << u"CapStatisticsReporting"_s << u"SlpBitmapRotationList"_s;
    QTest::newRow("1.5.0") << 1005000 << 131 << u"CapStatisticsReporting"_s
                           << u"SlpBitmapRotationList"_s;
    QTest::newRow("1.4.999") << 1004999 << 109 << u"CheckHealthText"_s
                             << u"SlpBarCodeRotationList"_s;
    QTest::newRow("1.4.0") << 1004000 << 109 << u"CheckHealthText"_s << u"SlpBarCodeRotationList"_s;
}

void TestProperties::listingFollowsTheControlVersion()
{
    QFETCH(int, version);
    QFETCH(int, count);
    QFETCH(Property, row13);
    QFETCH(Property, lastRow);
    PropertyPage page(version);
    page.list();

    QCOMPARE(page.label(), QStringLiteral("N.Properties: %1").arg(count));
    QCOMPARE(page.grid().TextMatrix(13, 0), row13);
    QCOMPARE(page.grid().TextMatrix(count, 0), lastRow);
    QVERIFY(page.grid().TextMatrix(count + 1, 0).isEmpty());
    QVERIFY(page.grid().TextMatrix(count + 1, 2).isEmpty());
    QCOMPARE(page.grid().Rows(), count + 2); // the growth rule leaves one spare row
    QCOMPARE(page.grid().TextMatrix(0, 0), QStringLiteral("PROPERTY"));
    QCOMPARE(page.grid().TextMatrix(0, 1), QStringLiteral("VALUE"));

    const QSet<int32_t> gated = {502,  503,  8037, 8038, 8039,    8040,   8041, 8042,
                                 8043, 8044, 8045, 8550, 8551,    8552,   8553, 8554,
                                 8555, 8556, 8557, 8558, 1008009, 1008010};
    QSet<int32_t> listed;
    for (int row = 1; row <= count; ++row) {
        const int32_t index = page.grid().TextMatrix(row, 2).toInt();
        const opos::PrinterPropertyInfo* info = opos::findPrinterProperty(index);
        QVERIFY2(info, qPrintable(page.grid().TextMatrix(row, 2)));
        QCOMPARE(page.grid().TextMatrix(row, 0), QString(info->name));
        QVERIFY(page.grid().TextMatrix(row, 1) != QStringLiteral("UNKNOWN!"));
        listed.insert(index);
        const bool writable = properties::isWritableProperty(index);
        for (int col = 0; col < 3; ++col)
            QCOMPARE(page.grid().CellForeColor(row, col), writable ? colours::Green : QColor());
    }
    QCOMPARE(listed.size(), count);
    if (count == 109)
        QVERIFY(!listed.intersects(gated));
    QVERIFY(page.dialogs().boxes().isEmpty());
    QVERIFY(!page.cmdWriteProp().isEnabled());
}

void TestProperties::secondListingResetsColoursAndSelection()
{
    PropertyPage page;
    page.list();
    const int rows = page.grid().Rows();
    page.clickCell(QStringLiteral("RecLineChars"), 1);
    page.type(QStringLiteral("12"));
    QVERIFY(page.cmdWriteProp().isEnabled());

    page.list();
    QCOMPARE(page.grid().Rows(), rows);
    QVERIFY(!page.cmdWriteProp().isEnabled());
    QCOMPARE(page.state().PropSelRow, -1);
    QCOMPARE(page.state().PropSelCol, -1);
    for (int row = 1; row < rows; ++row) {
        const bool writable =
            properties::isWritableProperty(page.grid().TextMatrix(row, 2).toInt());
        for (int col = 0; col < 3; ++col) {
            QCOMPARE(page.grid().CellBackColor(row, col), QColor());
            QCOMPARE(page.grid().CellForeColor(row, col), writable ? colours::Green : QColor());
        }
    }
    // Typing with nothing selected changes nothing.
    page.type(QStringLiteral("7"));
    QVERIFY(!page.grid().TextMatrix(page.rowOf(QStringLiteral("RecLineChars")), 1).contains(u'7'));
}

void TestProperties::clickSelectsOnlyWritableRows()
{
    PropertyPage page;
    page.list();
    const int enabledRow = page.rowOf(QStringLiteral("DeviceEnabled"));
    page.clickCell(QStringLiteral("DeviceEnabled"), 1);
    QCOMPARE(page.grid().CellBackColor(enabledRow, 1), colours::Blue);
    QCOMPARE(page.grid().CellBackColor(enabledRow, 0), QColor());
    QVERIFY(page.cmdWriteProp().isEnabled());
    QCOMPARE(page.state().PropSelRow, enabledRow);
    QCOMPARE(page.state().PropSelCol, 1);

    page.clickCell(QStringLiteral("Claimed"), 1);
    QCOMPARE(page.grid().CellBackColor(enabledRow, 1), QColor());
    QCOMPARE(page.grid().CellBackColor(page.rowOf(QStringLiteral("Claimed")), 1), QColor());
    QVERIFY(!page.cmdWriteProp().isEnabled());
    QCOMPARE(page.state().PropSelRow, -1);

    // The name cell of a writable row is selectable too.
    page.clickCell(QStringLiteral("AsyncMode"), 0);
    QCOMPARE(page.grid().CellBackColor(page.rowOf(QStringLiteral("AsyncMode")), 0), colours::Blue);
    QVERIFY(page.cmdWriteProp().isEnabled());
    QVERIFY(page.dialogs().boxes().isEmpty());
}

void TestProperties::clickingAnotherCellRestoresOrKeepsTypedText_data()
{
    QTest::addColumn<Property>("next");
    QTest::addColumn<bool>("restored");
    QTest::newRow("another writable row") << u"RecLineSpacing"_s << true;
    QTest::newRow("the same cell again") << u"RecLineChars"_s << true;
    QTest::newRow("a read-only row") << u"RecLineWidth"_s << false;
}

void TestProperties::clickingAnotherCellRestoresOrKeepsTypedText()
{
    QFETCH(Property, next);
    QFETCH(bool, restored);
    PropertyPage page;
    page.list();
    const int row = page.rowOf(QStringLiteral("RecLineChars"));
    const QString listed = page.grid().TextMatrix(row, 1);
    page.clickCell(QStringLiteral("RecLineChars"), 1);
    page.type(QStringLiteral("12"));
    page.clickCell(next, 1);

    QCOMPARE(page.grid().TextMatrix(row, 1), restored ? listed : QStringLiteral("12"));
    const bool selectedAgain = next == QStringLiteral("RecLineChars");
    QCOMPARE(page.grid().CellBackColor(row, 1), selectedAgain ? colours::Blue : QColor());
    QCOMPARE(page.state().PropEdited, !restored); // leaving for a read-only row keeps it
    if (selectedAgain) {
        page.type(QStringLiteral("3"));
        QCOMPARE(page.grid().TextMatrix(row, 1), QStringLiteral("3"));
    }
}

void TestProperties::typing_data()
{
    // Keys: '\b' Backspace, '\x1b' Escape, '\r' Enter; "*" in the expectation is the value
    // the listing showed.
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("edited");
    QTest::newRow("digits") << u"42"_s << u"42"_s << true;
    QTest::newRow("backspace") << u"42\b"_s << u"4"_s << true;
    QTest::newRow("escape") << u"42\x1b"_s << u"*"_s << false;
    QTest::newRow("minus goes in front") << u"5-"_s << u"-5"_s << true;
    QTest::newRow("letters keep their case") << u"aB"_s << u"aB"_s << true;
    QTest::newRow("backspace on nothing typed") << u"\b"_s << u"*"_s << false;
    QTest::newRow("backspace keeps edited") << u"4\b"_s << u""_s << true;
    QTest::newRow("other keys do nothing") << u"\r.+ "_s << u"*"_s << false;
    QTest::newRow("typing after escape starts again") << u"9\x1b"
                                                         "1"_s
                                                      << u"1"_s << true;
}

void TestProperties::typing()
{
    QFETCH(QString, keys);
    QFETCH(QString, shown);
    QFETCH(bool, edited);
    PropertyPage page;
    page.list();
    const int row = page.rowOf(QStringLiteral("RecLineChars"));
    const QString listed = page.grid().TextMatrix(row, 1);
    page.clickCell(QStringLiteral("RecLineChars"), 1);
    page.type(keys);
    QCOMPARE(page.grid().TextMatrix(row, 1), shown == u'*' ? listed : shown);
    QCOMPARE(page.state().PropEdited, edited);
    QCOMPARE(page.grid().Row(), row); // keys never move the current cell
    QVERIFY(page.dialogs().boxes().isEmpty());
}

void TestProperties::writeSendsTheTypedValue_data()
{
    QTest::addColumn<Property>("property");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("listed"); // what the next listing shows
    QTest::newRow("number") << u"RecLineChars"_s << u"42"_s << u"42"_s;
    QTest::newRow("exponent") << u"RecLineChars"_s << u"1E1"_s << u"10"_s;
    QTest::newRow("flag 0 is false") << u"AsyncMode"_s << u"0"_s << u"0"_s;
    QTest::newRow("flag 5 is true") << u"AsyncMode"_s << u"5"_s << u"1"_s;
    QTest::newRow("flag -1 is true") << u"AsyncMode"_s << u"1-"_s << u"1"_s;
    QTest::newRow("flag 0 from true") << u"FreezeEvents"_s << u"0"_s << u"0"_s;
    QTest::newRow("number writable while open") << u"BinaryConversion"_s << u"2"_s << u"2"_s;
}

void TestProperties::writeSendsTheTypedValue()
{
    QFETCH(Property, property);
    QFETCH(QString, keys);
    QFETCH(QString, listed);
    PropertyPage page;
    QVERIFY(page.enablePrinter());
    if (property == QStringLiteral("FreezeEvents"))
        page.printer().SetFreezeEvents(true);
    if (property == QStringLiteral("AsyncMode") && listed == u'0')
        page.printer().SetAsyncMode(true);
    page.list();
    page.clickCell(property, 1);
    page.type(keys);
    page.clickWrite();
    QVERIFY2(page.dialogs().boxes().isEmpty(), qPrintable(page.dialogs().prompts().join(u'|')));
    QCOMPARE(page.printer().ResultCode(), opos::OPOS_SUCCESS);

    page.list();
    QCOMPARE(page.valueOf(property), listed);
}

void TestProperties::writeKeepsTheGridAsTyped()
{
    PropertyPage page;
    QVERIFY(page.enablePrinter());
    page.list();
    const int row = page.rowOf(QStringLiteral("RecLineChars"));
    const QString listed = page.grid().TextMatrix(row, 1);
    page.clickCell(QStringLiteral("RecLineChars"), 1);
    page.type(QStringLiteral("64"));
    page.clickWrite();

    QCOMPARE(page.printer().GetPropertyNumber(QStringLiteral("RecLineChars")), 64);
    QCOMPARE(page.grid().TextMatrix(row, 1), QStringLiteral("64"));
    QCOMPARE(page.grid().CellBackColor(row, 1), colours::Blue);
    QVERIFY(page.cmdWriteProp().isEnabled());
    QCOMPARE(page.state().PropEdited, false);
    QCOMPARE(page.state().PropEditText, QStringLiteral("64"));
    // The old text is not updated by a write.
    page.type(QStringLiteral("\x1b"));
    QCOMPARE(page.grid().TextMatrix(row, 1), listed);
}

// A value the device refuses is no run-time failure: no box, and the next listing shows the
// printer's value and the refusal in ResultCode.
void TestProperties::refusedWriteShowsInTheNextListing()
{
    PropertyPage page;
    QVERIFY(page.enablePrinter());
    page.list();
    const QString listed = page.valueOf(QStringLiteral("RecLineChars"));
    page.clickCell(QStringLiteral("RecLineChars"), 1);
    page.type(QStringLiteral("999"));
    page.clickWrite();
    QVERIFY(page.dialogs().boxes().isEmpty());
    QCOMPARE(page.state().PropEdited, false);

    page.list();
    QCOMPARE(page.valueOf(QStringLiteral("RecLineChars")), listed);
    QCOMPARE(page.valueOf(QStringLiteral("ResultCode")), QString::number(opos::OPOS_E_ILLEGAL));
}

// The grid keeps the typed text either way; the status bar says at once whether the printer
// took the value, and why not.
void TestProperties::writeSaysAtOnceWhatBecameOfIt()
{
    PropertyPage page;
    QVERIFY(page.fixture().openPrinter(true)); // claimed, not enabled
    page.list();
    auto& status = page.fixture().widget<QLabel>("lblJobStatus");
    page.clickCell(QStringLiteral("RecLineChars"), 1);
    page.type(QStringLiteral("42"));
    page.clickWrite();
    QCOMPARE(page.valueOf(QStringLiteral("RecLineChars")), QStringLiteral("42"));
    QCOMPARE(page.printer().ResultCode(), opos::OPOS_E_DISABLED);
    QCOMPARE(status.text(), QStringLiteral("RecLineChars = 42 not written: OPOS_E_DISABLED"));
    QVERIFY(page.dialogs().boxes().isEmpty());

    page.printer().SetDeviceEnabled(true);
    page.clickCell(QStringLiteral("AsyncMode"), 1);
    page.type(QStringLiteral("1"));
    page.clickWrite();
    QCOMPARE(status.text(), QStringLiteral("AsyncMode = True written"));
}

void TestProperties::refusedTextIsNotWritten_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("prompt");
    const QString numeric = u"Property Value MUST BE Numeric!"_s;
    QTest::newRow("letters") << u"ABC"_s << numeric;
    QTest::newRow("typed text removed again") << u"1\b"_s << numeric;
    QTest::newRow("minus alone") << u"-"_s << numeric;
    QTest::newRow("exponent without digits") << u"1E"_s << numeric;
    // A value that does not fit the property's type fails with the failure's text.
    QTest::newRow("beyond 32 bits") << u"9999999999"_s << u"Overflow"_s;
    QTest::newRow("negative beyond 32 bits") << u"99999999999-"_s << u"Overflow"_s;
}

// The write ends with one box; the printer keeps its value, the cell its typed text and state.
void TestProperties::refusedTextIsNotWritten()
{
    QFETCH(QString, keys);
    QFETCH(QString, prompt);
    PropertyPage page;
    QVERIFY(page.enablePrinter());
    page.list();
    const int32_t before = page.printer().GetPropertyNumber(QStringLiteral("RecLineChars"));
    page.clickCell(QStringLiteral("RecLineChars"), 1);
    page.type(keys);
    const bool edited = page.state().PropEdited;
    page.clickWrite();

    QCOMPARE(page.dialogs().prompts(), QStringList{prompt});
    QCOMPARE(page.dialogs().boxes().front().title, QStringLiteral("ERROR MESSAGE"));
    QCOMPARE(page.printer().GetPropertyNumber(QStringLiteral("RecLineChars")), before);
    QCOMPARE(page.state().PropEdited, edited);
    QVERIFY(page.cmdWriteProp().isEnabled());
}

// A spare row after the last property holds no index: the click fails, the selection stays.
void TestProperties::clickOnASpareRowFails()
{
    PropertyPage page;
    page.list();
    page.clickCell(QStringLiteral("RecLineChars"), 1);
    page.clickCell(page.grid().Rows() - 1, 0);
    QCOMPARE(page.dialogs().boxes().size(), 1);
    QCOMPARE(page.dialogs().boxes().front().title, QStringLiteral("ERROR MESSAGE"));
    QVERIFY(page.cmdWriteProp().isEnabled());
    QCOMPARE(page.state().PropSelRow, page.rowOf(QStringLiteral("RecLineChars")));
}

// A read that fails shows its text once and leaves the row with the catalogue name and
// "UNKNOWN!"; the listing goes on with the next property.
void TestProperties::failingReadGivesNameAndUnknown()
{
    PropertyPage page;
    QVERIFY(page.enablePrinter());
    const FailingReader reader(page.printer(), page.dialogs(), 8016);
    properties::PropertyListing listing(page.printer(), reader, page.grid(), page.fixture().form(),
                                        page.cmdWriteProp(), page.Label15(), page.dialogs());
    listing.cmdReadProp_Click();

    QCOMPARE(page.dialogs().prompts(), QStringList{QStringLiteral("Automation error")});
    QCOMPARE(page.dialogs().boxes().front().title, QStringLiteral("ERROR MESSAGE"));
    QCOMPARE(page.label(), QStringLiteral("N.Properties: 131"));
    const int row = page.rowOf(QStringLiteral("RecLineChars"));
    QVERIFY(row > 0);
    QCOMPARE(page.grid().TextMatrix(row, 1), QStringLiteral("UNKNOWN!"));
    QCOMPARE(page.grid().TextMatrix(row, 2), QStringLiteral("8016"));
    QCOMPARE(page.grid().CellForeColor(row, 0), colours::Green);
    QCOMPARE(page.valueOf(QStringLiteral("RecLineHeight")), QStringLiteral("24"));
}

QTEST_MAIN(TestProperties)
#include "test_properties.moc"

#include "services/Numbers.h"

#include <QLocale>
#include <QTest>
#include <stdexcept>

class TestNumbers : public QObject
{
    Q_OBJECT

private slots:
    void isNumeric_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::newRow("integer") << "12" << true;
        QTest::newRow("blanks and sign") << " -3.5 " << true;
        QTest::newRow("tab around") << "\t7\t" << true;
        QTest::newRow("leading point") << "+.5" << true;
        QTest::newRow("exponent") << "1e3" << true;
        QTest::newRow("point then exponent") << "2.E-1" << true;
        QTest::newRow("trailing point") << "5." << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blank") << " " << false;
        QTest::newRow("comma decimal") << "1,5" << false;
        QTest::newRow("hex") << "0x10" << false;
        QTest::newRow("exponent without digits") << "1e" << false;
        QTest::newRow("double sign") << "--1" << false;
        QTest::newRow("point alone") << "." << false;
        QTest::newRow("blank inside") << "1 2" << false;
        QTest::newRow("letters") << "abc" << false;
        QTest::newRow("arabic-indic digits") << QStringLiteral("\u0661\u0662") << false;
        QTest::newRow("infinity word") << "inf" << false;
        QTest::newRow("trailing line feed") << "12\n" << false;
        QTest::newRow("leading line feed") << "\n12" << false;
        QTest::newRow("carriage return") << "12\r" << false;
    }
    void isNumeric()
    {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QCOMPARE(numbers::IsNumeric(text), numeric);
    }

    void toDouble_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("blanks and sign") << " -3.5 " << -3.5;
        QTest::newRow("leading point") << "+.5" << 0.5;
        QTest::newRow("point then exponent") << "2.E-1" << 0.2;
        QTest::newRow("trailing point") << "5." << 5.0;
        QTest::newRow("exponent") << "1e3" << 1000.0;
    }
    void toDouble()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(numbers::toDouble(text), value);
    }

    void toDoubleIgnoresTheUserLocale()
    {
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const double value = numbers::toDouble(QStringLiteral("1.5"));
        QLocale::setDefault(previous);
        QCOMPARE(value, 1.5);
    }

    void toLong_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("whole");
        QTest::newRow("half up") << 2.5 << 3;
        QTest::newRow("half down negative") << -2.5 << -3;
        QTest::newRow("below half") << 2.49 << 2;
        QTest::newRow("50.5") << 50.5 << 51;
        QTest::newRow("largest") << 2147483647.0 << 2147483647;
        QTest::newRow("smallest") << -2147483648.0 << int(-2147483647 - 1);
        QTest::newRow("rounds down into range") << 2147483647.4 << 2147483647;
    }
    void toLong()
    {
        QFETCH(double, value);
        QFETCH(int, whole);
        QCOMPARE(numbers::toLong(value), whole);
    }

    void toLongOverflow_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("rounds past the top") << "2147483647.5";
        QTest::newRow("below the bottom") << "-2147483649";
        QTest::newRow("huge exponent") << "1e999";
        QTest::newRow("huge negative exponent") << "-1e999";
    }
    void toLongOverflow()
    {
        QFETCH(QString, text);
        QVERIFY(numbers::IsNumeric(text));
        try {
            numbers::toLong(numbers::toDouble(text));
            QFAIL("no overflow");
        } catch (const std::overflow_error& error) {
            QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("Overflow"));
        }
    }

    void tinyExponentIsZero()
    {
        QCOMPARE(numbers::toLong(numbers::toDouble(QStringLiteral("1e-999"))), 0);
    }
};

QTEST_APPLESS_MAIN(TestNumbers)
#include "test_numbers.moc"

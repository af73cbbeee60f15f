#include "base/ErrorReport.h"
#include "protocol/Conversions.h"

#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <clocale>
#include <cstdlib>

// Replies are converted the same way whatever the user's locale says; the last test
// proves it under a locale whose decimal separator is a comma.
class tst_conversions : public QObject
{
    Q_OBJECT
private slots:
    void integers_data();
    void integers();
    void counts_data();
    void counts();
    void floats_data();
    void floats();
    void trimming();
    void underDecimalCommaLocale();

private:
    void checkFloats();
};

namespace {
QString errorOf(const std::function<void()> &conversion)
{
    try {
        conversion();
    } catch (const EConvertError &error) {
        return error.Message;
    }
    return QString();
}
} // namespace

void tst_conversions::integers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");
    QTest::newRow("zero") << "0" << true << 0;
    QTest::newRow("negative") << "-12" << true << -12;
    QTest::newRow("plus sign") << "+7" << true << 7;
    QTest::newRow("largest") << "2147483647" << true << 2147483647;
    QTest::newRow("smallest") << "-2147483648" << true << int(-2147483648LL);
    QTest::newRow("above 32 bits") << "2147483648" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("sign only") << "-" << false << 0;
    QTest::newRow("leading blank") << " 1" << false << 0;
    QTest::newRow("fraction") << "1.5" << false << 0;
    QTest::newRow("hex") << "0x10" << false << 0;
    QTest::newRow("trailing letter") << "12a" << false << 0;
    QTest::newRow("two fields") << "10 X" << false << 0;
}

void tst_conversions::integers()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);
    QCOMPARE(TryStrToInt(text).has_value(), valid);
    if (valid) {
        QCOMPARE(StrToInt(text), value);
    } else {
        QCOMPARE(errorOf([&] { StrToInt(text); }), "'" + text + "' is not a valid integer value");
    }
}

void tst_conversions::counts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<quint32>("value");
    QTest::newRow("above signed 32 bits") << "4000000000" << true << 4000000000u;
    QTest::newRow("largest unsigned") << "4294967295" << true << 4294967295u;
    QTest::newRow("wraps at 2^32") << "4294967297" << true << 1u;
    QTest::newRow("negative wraps") << "-1" << true << 4294967295u;
    QTest::newRow("above 64 bits") << "9223372036854775808" << false << 0u;
    QTest::newRow("empty") << "" << false << 0u;
}

void tst_conversions::counts()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    if (valid) {
        QTEST(StrToCount32(text), "value");
    } else {
        QCOMPARE(errorOf([&] { StrToCount32(text); }),
                 "'" + text + "' is not a valid integer value");
    }
}

void tst_conversions::floats_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("value");
    QTest::newRow("decimal point") << "0.001" << true << 0.001;
    QTest::newRow("delay with 11 decimals") << "0.00000100025" << true << 1.00025e-6;
    QTest::newRow("exponent") << "5E-9" << true << 5e-9;
    QTest::newRow("signed") << "-2.5" << true << -2.5;
    QTest::newRow("plus and integer") << "+3" << true << 3.0;
    QTest::newRow("no leading digit") << ".5" << true << 0.5;
    QTest::newRow("no fraction digit") << "5." << true << 5.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("decimal comma") << "1,5" << false << 0.0;
    QTest::newRow("thousands separator") << "1,000.5" << false << 0.0;
    QTest::newRow("two points") << "1.5.1" << false << 0.0;
    QTest::newRow("bare exponent") << "1e" << false << 0.0;
    QTest::newRow("no mantissa") << "e5" << false << 0.0;
    QTest::newRow("infinity") << "inf" << false << 0.0;
    QTest::newRow("not a number") << "nan" << false << 0.0;
    QTest::newRow("overflow") << "1e999" << false << 0.0;
    QTest::newRow("leading blank") << " 1" << false << 0.0;
}

void tst_conversions::floats()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    if (valid) {
        QTEST(StrToFloat(text), "value");
    } else {
        QCOMPARE(errorOf([&] { StrToFloat(text); }),
                 "'" + text + "' is not a valid floating point value");
    }
}

void tst_conversions::trimming()
{
    QCOMPARE(TrimRight(QStringLiteral(" a b \t\r\n\x01 ")), QStringLiteral(" a b"));
    QCOMPARE(TrimBoth(QStringLiteral("\r 42 \r")), QStringLiteral("42"));
    QCOMPARE(TrimRight(QStringLiteral(" \r\n")), QString());
}

void tst_conversions::checkFloats()
{
    QCOMPARE(StrToFloat(QStringLiteral("0.001")), 0.001);
    QCOMPARE(StrToFloat(QStringLiteral("1234.5")), 1234.5);
    QCOMPARE(errorOf([] { StrToFloat(QStringLiteral("1,5")); }),
             QStringLiteral("'1,5' is not a valid floating point value"));
}

void tst_conversions::underDecimalCommaLocale()
{
    // The C library's German locale: the installed one, or one built for this test.
    QTemporaryDir localeDir;
    const char *name = "de_DE.UTF-8";
    const QByteArray savedLocale = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, name) && localeDir.isValid()) {
        const int rc = QProcess::execute(
            QStringLiteral("localedef"),
            {"-i", "de_DE", "-f", "UTF-8", localeDir.filePath(QString::fromLatin1(name))});
        if (rc == 0) {
            qputenv("LOCPATH", QFile::encodeName(localeDir.path()));
            std::setlocale(LC_ALL, name);
        }
    }
    const QLocale savedDefault;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));

    QCOMPARE(QLocale().decimalPoint(), QStringLiteral(","));
    const bool cLocaleIsGerman = QByteArray(std::localeconv()->decimal_point) == ",";
    if (cLocaleIsGerman) {
        // The environment really parses with a comma now: strtod stops at the ".".
        char *end = nullptr;
        std::strtod("0.5", &end);
        QCOMPARE(*end, '.');
    } else {
        qWarning("no German C locale available; only Qt's default locale is German");
    }
    checkFloats();
    QCOMPARE(StrToInt(QStringLiteral("-1000")), -1000);

    QLocale::setDefault(savedDefault);
    std::setlocale(LC_ALL, savedLocale.constData());
    qunsetenv("LOCPATH");
}

QTEST_APPLESS_MAIN(tst_conversions)
#include "tst_conversions.moc"

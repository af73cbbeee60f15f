#include "protocol/ModelTable.h"
#include "protocol/TIdentityRecord.h"

#include <QtTest>

class tst_identity : public QObject
{
    Q_OBJECT
private slots:
    void parseReply_data();
    void parseReply();
    void modelTable_data();
    void modelTable();
    void companyName_data();
    void companyName();
};

void tst_identity::parseReply_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("serial");
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<QString>("fpga");

    // Every row starts from the identity "OLD,OLD-1,99,0.1-0.2".
    QTest::newRow("complete") << "KT,7310-12,1234,1.00-1.25"
                              << "KT"
                              << "7310-12" << 1234 << "1.00"
                              << "1.25";
    QTest::newRow("empty clears") << ""
                                  << ""
                                  << "" << 0 << ""
                                  << "";
    QTest::newRow("10 characters clear") << "KT,410-12,"
                                         << ""
                                         << "" << 0 << ""
                                         << "";
    QTest::newRow("11 characters are parsed") << "KT,410-6,1,"
                                              << "KT"
                                              << "410-6" << 1 << ""
                                              << "";
    QTest::newRow("trailing blanks go") << "MRD ,7310-12 ,77 ,2.0 -3.1"
                                        << "MRD"
                                        << "7310-12" << 77 << "2.0"
                                        << "3.1";
    QTest::newRow("leading blank stays") << "KT, 7310-12,5,1.0-2.0"
                                         << "KT"
                                         << " 7310-12" << 5 << "1.0"
                                         << "2.0";
    QTest::newRow("non-numeric serial keeps the rest") << "KT,7310-36,A12,9.9-9.9"
                                                       << "KT"
                                                       << "7310-36" << 99 << "0.1"
                                                       << "0.2";
    QTest::newRow("serial out of 32-bit range") << "KT,7310-36,2147483648,9.9-9.9"
                                                << "KT"
                                                << "7310-36" << 99 << "0.1"
                                                << "0.2";
    QTest::newRow("firmware without dash") << "MRD,462K-24,42,FW200"
                                           << "MRD"
                                           << "462K-24" << 42 << ""
                                           << "FW200";
    QTest::newRow("only the first dash splits") << "KT,7310-6,-7,1.0-2.0-b"
                                                << "KT"
                                                << "7310-6" << -7 << "1.0"
                                                << "2.0-b";
}

void tst_identity::parseReply()
{
    QFETCH(QString, reply);
    TIdentityRecord identity;
    identity.ParseReply(QStringLiteral("OLD,OLD-1,99,0.1-0.2"));
    identity.ParseReply(reply);
    QTEST(identity.Company, "company");
    QTEST(identity.ModelNumber, "model");
    QTEST(int(identity.SerialNumber), "serial");
    QTEST(identity.FirmwareVersion, "firmware");
    QTEST(identity.FPGAVersion, "fpga");
}

void tst_identity::modelTable_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("channels");

    const char *accepted[] = {"7310-6",  "7310-12", "7310-24", "7310-36", "462K-6", "462K-12",
                              "462K-24", "462K-36", "410-12",  "410-24",  "410-36"};
    for (const char *model : accepted)
        QTest::newRow(model) << model << true << QString(model).section('-', 1).toInt();
    QTest::newRow("410-6 is known but never found") << "410-6" << false << 6;
    QTest::newRow("letter case counts") << "462k-6" << false << 12;
    QTest::newRow("trailing blank") << "7310-6 " << false << 12;
    QTest::newRow("unknown") << "9999-48" << false << 12;
    QTest::newRow("none (manual port choice)") << "" << false << 12;
}

void tst_identity::modelTable()
{
    QFETCH(QString, model);
    QTEST(ModelAccepted(model), "accepted");
    QTEST(ModelChannelCount(model), "channels");
}

void tst_identity::companyName_data()
{
    QTest::addColumn<QString>("badge");
    QTest::addColumn<QString>("name");
    QTest::newRow("KT") << "KT"
                        << "Kalteron";
    QTest::newRow("MRD") << "MRD"
                         << "Marendale";
    QTest::newRow("lower case") << "kt"
                                << "Unknown";
    QTest::newRow("empty") << ""
                           << "Unknown";
}

void tst_identity::companyName()
{
    QFETCH(QString, badge);
    QTEST(CompanyName(badge), "name");
}

QTEST_APPLESS_MAIN(tst_identity)
#include "tst_identity.moc"

// The IP settings dialog: which entries may be sent, and what a closed dialog leaves.
#include "devices/ipsetting.h"
#include "widgets/prompts.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class TestIpSetting : public QObject {
    Q_OBJECT
private slots:
    void okOnlyForValidEntries_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("gateway");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("all set") << "192.168.0.20"
                                 << "255.255.255.0"
                                 << "192.168.0.1" << true;
        QTest::newRow("no gateway") << "10.1.2.3"
                                    << "255.0.0.0"
                                    << "" << true;
        QTest::newRow("spaces around") << " 10.1.2.3 "
                                       << "255.255.0.0 "
                                       << "" << true;
        QTest::newRow("empty address") << ""
                                       << "255.255.255.0"
                                       << "" << false;
        QTest::newRow("empty mask") << "192.168.0.20"
                                    << ""
                                    << "" << false;
        QTest::newRow("octet 256") << "192.168.0.256"
                                   << "255.255.255.0"
                                   << "" << false;
        QTest::newRow("three octets") << "192.168.20"
                                      << "255.255.255.0"
                                      << "" << false;
        QTest::newRow("ipv6") << "::1"
                              << "255.255.255.0"
                              << "" << false;
        QTest::newRow("zero address") << "0.0.0.0"
                                      << "255.255.255.0"
                                      << "" << false;
        QTest::newRow("broadcast") << "255.255.255.255"
                                   << "255.255.255.0"
                                   << "" << false;
        QTest::newRow("multicast") << "224.0.0.1"
                                   << "255.255.255.0"
                                   << "" << false;
        QTest::newRow("holey mask") << "192.168.0.20"
                                    << "255.0.255.0"
                                    << "" << false;
        QTest::newRow("subnet's own address") << "192.168.0.0"
                                              << "255.255.255.0"
                                              << "" << false;
        QTest::newRow("subnet broadcast") << "10.1.255.255"
                                          << "255.255.0.0"
                                          << "" << false;
        QTest::newRow("host in a /31") << "10.0.0.0"
                                       << "255.255.255.254"
                                       << "" << true;
        QTest::newRow("zero mask") << "192.168.0.20"
                                   << "0.0.0.0"
                                   << "" << false;
        QTest::newRow("bad gateway") << "192.168.0.20"
                                     << "255.255.255.0"
                                     << "gw" << false;
        QTest::newRow("zero gateway: none") << "192.168.0.20"
                                            << "255.255.255.0"
                                            << "0.0.0.0" << true;
        QTest::newRow("address 0.x.x.x") << "0.1.2.3"
                                         << "255.0.0.0"
                                         << "" << false;
        QTest::newRow("gateway outside the subnet") << "192.168.0.20"
                                                    << "255.255.255.0"
                                                    << "192.168.1.1" << false;
        QTest::newRow("gateway the subnet's broadcast") << "192.168.0.20"
                                                        << "255.255.255.0"
                                                        << "192.168.0.255" << false;
        QTest::newRow("gateway in a wider subnet") << "10.1.2.3"
                                                   << "255.0.0.0"
                                                   << "10.200.0.1" << true;
    }
    void okOnlyForValidEntries()
    {
        QFETCH(QString, address);
        QFETCH(QString, mask);
        QFETCH(QString, gateway);
        QFETCH(bool, enabled);
        QIpSetting dialog;
        dialog.addressEdit()->setText(address);
        dialog.maskEdit()->setText(mask);
        dialog.gatewayEdit()->setText(gateway);
        QCOMPARE(dialog.buttonBox()->button(QDialogButtonBox::Ok)->isEnabled(), enabled);
        // A refused entry says why.
        QCOMPARE(dialog.problemLabel()->text().isEmpty(),
                 enabled || address.isEmpty() || mask.isEmpty());
        // Enter on a field cannot get past a disabled OK.
        dialog.Accept();
        QCOMPARE(dialog.result() == QDialog::Accepted, enabled);
    }

    void acceptedValues()
    {
        QIpSetting dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("ip Settings"));
        QCOMPARE(dialog.size(), QSize(200, 180));
        QTimer::singleShot(0, &dialog, [&dialog] {
            dialog.addressEdit()->setText("192.168.0.20");
            dialog.maskEdit()->setText("255.255.255.0");
            dialog.buttonBox()->button(QDialogButtonBox::Ok)->click();
        });
        QCOMPARE(dialog.exec(), 1);
        QCOMPARE(dialog.address(), 0xC0A80014u);
        QCOMPARE(dialog.mask(), 0xFFFFFF00u);
        QCOMPARE(dialog.gateway(), 0u);
        QVERIFY(dialog.addressEdit()->text().isEmpty());
        QVERIFY(dialog.maskEdit()->text().isEmpty());
    }

    // An address another known processor has: named under the fields, and OK asks first.
    void addressOfAnotherProcessorIsWarned()
    {
        broadcastMsg self;
        self.machineid = 11;
        self.ipaddress = 0xC0A80014; // 192.168.0.20: its own address is no conflict
        broadcastMsg other;
        other.machineid = 12;
        other.ipaddress = 0xC0A80015; // 192.168.0.21
        devices::setField(other.model, "DAP408");
        QIpSetting dialog;
        dialog.setKnownProcessors(11, {self, other});
        dialog.maskEdit()->setText("255.255.255.0");
        dialog.addressEdit()->setText("192.168.0.20");
        QCOMPARE(dialog.problemLabel()->text(), QString());
        dialog.addressEdit()->setText("192.168.0.21");
        QCOMPARE(dialog.problemLabel()->text(),
                 QString("192.168.0.21 is the address of another processor (machine id 12, "
                         "DAP408)."));
        QVERIFY(dialog.buttonBox()->button(QDialogButtonBox::Ok)->isEnabled());

        QStringList asked;
        bool answer = false;
        prompts::setConfirmHook([&](const QString &text) {
            asked << text;
            return answer;
        });
        dialog.Accept();
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked[0].contains("machine id 12"));
        QCOMPARE(dialog.result(), int(QDialog::Rejected)); // still open, nothing accepted
        QCOMPARE(dialog.addressEdit()->text(), QString("192.168.0.21"));
        answer = true;
        dialog.Accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.address(), 0xC0A80015u);
        prompts::setConfirmHook({});
    }

    void everyWayOutClearsTheFields_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("Cancel") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("window closed") << 2;
    }
    void everyWayOutClearsTheFields()
    {
        QFETCH(int, way);
        QIpSetting dialog;
        QTimer::singleShot(0, &dialog, [&dialog, way] {
            dialog.addressEdit()->setText("192.168.0.20");
            dialog.maskEdit()->setText("255.255.255.0");
            dialog.gatewayEdit()->setText("192.168.0.1");
            if (way == 0)
                dialog.buttonBox()->button(QDialogButtonBox::Cancel)->click();
            else if (way == 1)
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                dialog.close();
        });
        QCOMPARE(dialog.exec(), 0);
        QCOMPARE(dialog.address(), 0u);
        QCOMPARE(dialog.mask(), 0u);
        QCOMPARE(dialog.gateway(), 0u);
        QVERIFY(dialog.addressEdit()->text().isEmpty());
        QVERIFY(dialog.maskEdit()->text().isEmpty());
        QVERIFY(dialog.gatewayEdit()->text().isEmpty());
    }
};

QTEST_MAIN(TestIpSetting)
#include "tst_ipsetting.moc"

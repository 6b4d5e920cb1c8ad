#include "app/login.h"
#include "app/stylesheet.h"
#include "widgets/passwordcheck.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class TestDialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void styleSheetFromResource()
    {
        auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
        applyStyleSheet(*app);
        const QString sheet = app->styleSheet();
        for (const char *rule : {"QFrame#logoFrame", "url(image/logo.bmp)", "QWidget#funcWidget",
                                 "QPushButton#normalButton2:checked", "#E04345", "QLineEdit"})
            QVERIFY2(sheet.contains(QLatin1String(rule)), rule);
        app->setStyleSheet(QString());
    }

    void loginAcceptStoresAndClears()
    {
        QLogin login;
        QSignalSpy entered(&login, &QLogin::EnterPassword);
        login.show();
        QTest::keyClicks(login.passwordEdit(), "abcdefghij"); // ninth character refused
        QCOMPARE(login.passwordEdit()->text(), QString("abcdefgh"));
        QCOMPARE(login.passwordEdit()->echoMode(), QLineEdit::Password);
        login.buttonBox()->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(entered.count(), 1);
        QCOMPARE(login.password(), QString("abcdefgh"));
        QVERIFY(login.passwordEdit()->text().isEmpty());
        QCOMPARE(login.result(), int(QDialog::Accepted));
        QVERIFY(!login.isVisible());
    }

    void loginCancelSendsNothing()
    {
        QLogin login;
        QSignalSpy entered(&login, &QLogin::EnterPassword);
        login.show();
        QTest::keyClicks(login.passwordEdit(), "1234");
        login.buttonBox()->button(QDialogButtonBox::Cancel)->click();
        QCOMPARE(entered.count(), 0);
        QVERIFY(login.passwordEdit()->text().isEmpty());
        QCOMPARE(login.result(), int(QDialog::Rejected));
    }

    void passwordChangeValidation()
    {
        QPwdModDialog dialog;
        auto *box = dialog.buttonBox();
        QVERIFY(!box->isEnabled());
        QCOMPARE(dialog.newEdit()->maxLength(), 8);
        QCOMPARE(dialog.confirmEdit()->echoMode(), QLineEdit::PasswordEchoOnEdit);
        dialog.newEdit()->setText("secret");
        dialog.confirmEdit()->setText("secreT");
        QVERIFY(!box->isEnabled());
        dialog.confirmEdit()->setText("secret");
        QVERIFY(box->isEnabled());
        dialog.newEdit()->clear();
        QVERIFY(!box->isEnabled());
        dialog.newEdit()->setText("secret");
        QVERIFY(box->isEnabled());

        box->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.newPassword(), QString("secret"));
        QVERIFY(dialog.newEdit()->text().isEmpty() && dialog.confirmEdit()->text().isEmpty());
        QVERIFY(!box->isEnabled()); // reopening starts disabled again
    }

    void lockPasswordValidation_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("fresh");
        QTest::addColumn<QString>("verify");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("all filled, equal") << "old"
                                           << "new1"
                                           << "new1" << true;
        QTest::newRow("current empty") << ""
                                       << "new1"
                                       << "new1" << false;
        QTest::newRow("new empty") << "old"
                                   << ""
                                   << "" << false;
        QTest::newRow("verify differs") << "old"
                                        << "new1"
                                        << "new2" << false;
    }

    void lockPasswordValidation()
    {
        QFETCH(QString, current);
        QFETCH(QString, fresh);
        QFETCH(QString, verify);
        QFETCH(bool, enabled);
        QlockPwdModDialog dialog;
        QVERIFY(!dialog.buttonBox()->isEnabled());
        // Filled in every order, the last edit decides with its own new text.
        dialog.verifyEdit()->setText(verify);
        dialog.newEdit()->setText(fresh);
        dialog.oldEdit()->setText(current);
        QCOMPARE(dialog.buttonBox()->isEnabled(), enabled);
        dialog.oldEdit()->clear();
        dialog.oldEdit()->setText(current);
        dialog.verifyEdit()->setText(verify);
        QCOMPARE(dialog.buttonBox()->isEnabled(), enabled);
    }

    // A character outside Latin-1 would reach the processor as '?': every password dialog
    // refuses it and says why; Latin-1 beyond ASCII passes and travels as its own byte.
    void nonLatin1PasswordsRefused()
    {
        const QString euro = QString::fromUtf8("ab\u20AC1");
        const QString latin = QString::fromUtf8("caf\u00E9");
        QCOMPARE(passwordcheck::bytes(latin), QByteArray("caf\xE9"));

        QLogin login;
        QSignalSpy entered(&login, &QLogin::EnterPassword);
        login.show();
        login.passwordEdit()->setText(euro);
        login.buttonBox()->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(entered.count(), 0);
        QVERIFY(login.isVisible());
        QCOMPARE(login.refusalLabel()->text(), passwordcheck::refusalMessage());
        login.passwordEdit()->setText(latin);
        QVERIFY(login.refusalLabel()->text().isEmpty());
        login.buttonBox()->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(entered.count(), 1);
        QCOMPARE(login.password(), latin);

        QPwdModDialog change;
        change.newEdit()->setText(euro);
        change.confirmEdit()->setText(euro);
        QVERIFY(!change.buttonBox()->isEnabled());
        QVERIFY(!change.refusalLabel()->text().isEmpty());
        change.newEdit()->setText(latin);
        change.confirmEdit()->setText(latin);
        QVERIFY(change.buttonBox()->isEnabled());
        QVERIFY(change.refusalLabel()->text().isEmpty());

        QlockPwdModDialog lock;
        lock.oldEdit()->setText(euro);
        lock.newEdit()->setText("abcd");
        lock.verifyEdit()->setText("abcd");
        QVERIFY(!lock.buttonBox()->isEnabled());
        QVERIFY(!lock.refusalLabel()->text().isEmpty());
        lock.oldEdit()->setText(latin);
        QVERIFY(lock.buttonBox()->isEnabled());
    }

    void lockPasswordAcceptAndReject()
    {
        QlockPwdModDialog dialog;
        dialog.oldEdit()->setText("1234");
        dialog.newEdit()->setText("abcd");
        dialog.verifyEdit()->setText("abcd");
        dialog.buttonBox()->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.lockPassword(), QString("1234"));
        QCOMPARE(dialog.newPassword(), QString("abcd"));
        QVERIFY(dialog.oldEdit()->text().isEmpty() && dialog.verifyEdit()->text().isEmpty());

        // With Ok disabled the whole box is; Escape closes and clears all the same.
        dialog.show();
        dialog.oldEdit()->setText("x");
        QVERIFY(!dialog.buttonBox()->isEnabled());
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(dialog.oldEdit()->text().isEmpty());
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"

#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QLineEdit;

// Asks for the processor's login password; shown whenever the processor reports that it
// wants one.
class QLogin : public QDialog {
    Q_OBJECT
public:
    explicit QLogin(QWidget *parent = nullptr);

    QString password() const { return m_password; }
    QLineEdit *passwordEdit() const { return m_edit; }
    QDialogButtonBox *buttonBox() const { return m_buttonBox; }
    QLabel *refusalLabel() const { return m_refusal; }

Q_SIGNALS:
    void EnterPassword();

public Q_SLOTS:
    void Accept();
    void Reject();

public:
    // Escape and the window's close button clear the edits like Cancel.
    void reject() override;

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();

    QString m_password;
    QLabel *m_label;
    QLineEdit *m_edit;
    QDialogButtonBox *m_buttonBox;
    QLabel *m_refusal;
};

// New login password, typed twice.
class QPwdModDialog : public QDialog {
    Q_OBJECT
public:
    explicit QPwdModDialog(QWidget *parent = nullptr);

    QString newPassword() const { return m_newPassword; }
    QLineEdit *newEdit() const { return m_newEdit; }
    QLineEdit *confirmEdit() const { return m_confirmEdit; }
    QDialogButtonBox *buttonBox() const { return m_buttonBox; }
    QLabel *refusalLabel() const { return m_refusal; }

public Q_SLOTS:
    void NewPSWEditChanged(QString string);
    void VerifyPSWEditChanged(QString string);
    void Accept();
    void Reject();

public:
    // Escape and the window's close button clear the edits like Cancel.
    void reject() override;

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void updateOk(const QString &newText, const QString &confirmText);

    QString m_newPassword;
    QLabel *m_newLabel;
    QLabel *m_confirmLabel;
    QLineEdit *m_newEdit;
    QLineEdit *m_confirmEdit;
    QDialogButtonBox *m_buttonBox;
    QLabel *m_refusal;
};

// Security lock password change: the current lock password and the new one, typed twice.
// Its texts are fixed.
class QlockPwdModDialog : public QDialog {
    Q_OBJECT
public:
    explicit QlockPwdModDialog(QWidget *parent = nullptr);

    QString lockPassword() const { return m_lockPassword; }
    QString newPassword() const { return m_newPassword; }
    QLineEdit *oldEdit() const { return m_oldEdit; }
    QLineEdit *newEdit() const { return m_newEdit; }
    QLineEdit *verifyEdit() const { return m_verifyEdit; }
    QDialogButtonBox *buttonBox() const { return m_buttonBox; }
    QLabel *refusalLabel() const { return m_refusal; }

public Q_SLOTS:
    void OldPSWEditChanged(QString string);
    void NewPSWEditChanged(QString string);
    void VerifyPSWEditChanged(QString string);
    void Accept();
    void Reject();

public:
    // Escape and the window's close button clear the edits like Cancel.
    void reject() override;

private:
    void updateOk(const QString &oldText, const QString &newText, const QString &verifyText);

    QString m_lockPassword;
    QString m_newPassword;
    QLineEdit *m_oldEdit;
    QLineEdit *m_newEdit;
    QLineEdit *m_verifyEdit;
    QDialogButtonBox *m_buttonBox;
    QLabel *m_refusal;
};

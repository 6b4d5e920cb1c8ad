#include "login.h"

#include "widgets/language.h"
#include "widgets/passwordcheck.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>

namespace {

constexpr int kMaxPassword = 8;

QLineEdit *newPasswordEdit(QWidget *parent, const QRect &geometry, QLineEdit::EchoMode echo)
{
    auto *edit = new QLineEdit(parent);
    edit->setGeometry(geometry);
    edit->setMaxLength(kMaxPassword);
    edit->setEchoMode(echo);
    return edit;
}

QDialogButtonBox *okCancelBox(QWidget *parent, const QRect &geometry)
{
    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel,
                                     Qt::Horizontal, parent);
    box->setObjectName(QStringLiteral("buttonBox"));
    box->setGeometry(geometry);
    return box;
}

// Where a dialog says why it refuses a password; empty while nothing is refused.
QLabel *newRefusalLabel(QWidget *parent, const QRect &geometry)
{
    auto *label = new QLabel(parent);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(QFont(QStringLiteral("Arial"), 8));
    label->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
    return label;
}

// Shows the refusal when any of texts cannot travel; true when all of them can.
bool checkPasswords(QLabel *refusal, std::initializer_list<QString> texts)
{
    bool fits = true;
    for (const QString &text : texts)
        fits = fits && passwordcheck::fitsProcessor(text);
    refusal->setText(fits ? QString() : passwordcheck::refusalMessage());
    return fits;
}

} // namespace

QLogin::QLogin(QWidget *parent) : QDialog(parent)
{
    resize(200, 110);
    m_buttonBox = okCancelBox(this, QRect(25, 70, 151, 32));
    m_buttonBox->setFont(QFont(QStringLiteral("Arial"), 9));
    m_label = new QLabel(this);
    m_label->setGeometry(0, 10, 200, 12);
    m_label->setAlignment(Qt::AlignCenter);
    m_edit = newPasswordEdit(this, QRect(45, 30, 110, 20), QLineEdit::Password);
    m_refusal = newRefusalLabel(this, QRect(0, 52, 200, 16));
    connect(m_edit, &QLineEdit::textChanged, m_refusal, &QLabel::clear);
    connect(m_buttonBox, &QDialogButtonBox::accepted, this, &QLogin::Accept);
    connect(m_buttonBox, &QDialogButtonBox::rejected, this, &QLogin::Reject);
    retranslate();
}

void QLogin::Accept()
{
    if (!checkPasswords(m_refusal, {m_edit->text()}))
        return;
    m_password = m_edit->text();
    m_edit->clear();
    accept();
    emit EnterPassword();
}

void QLogin::Reject()
{
    reject();
}

void QLogin::reject()
{
    m_edit->clear();
    m_refusal->clear();
    QDialog::reject();
}

void QLogin::retranslate()
{
    setWindowTitle(tr("Login"));
    m_label->setText(tr("Password"));
    m_label->setFont(languageFont(9));
}

void QLogin::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslate();
}

QPwdModDialog::QPwdModDialog(QWidget *parent) : QDialog(parent)
{
    setFont(QFont(QStringLiteral("Arial")));
    setFixedSize(240, 148);
    m_buttonBox = okCancelBox(this, QRect(40, 100, 160, 32));
    m_buttonBox->setEnabled(false);
    m_newLabel = new QLabel(this);
    m_newLabel->setGeometry(0, 20, 105, 20);
    m_newLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_newEdit = newPasswordEdit(this, QRect(110, 20, 100, 20), QLineEdit::PasswordEchoOnEdit);
    m_confirmLabel = new QLabel(this);
    m_confirmLabel->setGeometry(0, 60, 105, 20);
    m_confirmLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_confirmEdit = newPasswordEdit(this, QRect(110, 60, 100, 20), QLineEdit::PasswordEchoOnEdit);
    m_refusal = newRefusalLabel(this, QRect(0, 82, 240, 16));
    connect(m_newEdit, &QLineEdit::textChanged, this, &QPwdModDialog::NewPSWEditChanged);
    connect(m_confirmEdit, &QLineEdit::textChanged, this, &QPwdModDialog::VerifyPSWEditChanged);
    connect(m_buttonBox, &QDialogButtonBox::accepted, this, &QPwdModDialog::Accept);
    connect(m_buttonBox, &QDialogButtonBox::rejected, this, &QPwdModDialog::Reject);
    retranslate();
}

void QPwdModDialog::updateOk(const QString &newText, const QString &confirmText)
{
    const bool fits = checkPasswords(m_refusal, {newText, confirmText});
    m_buttonBox->setEnabled(fits && !newText.isEmpty() && newText == confirmText);
}

void QPwdModDialog::NewPSWEditChanged(QString string)
{
    updateOk(string, m_confirmEdit->text());
}

void QPwdModDialog::VerifyPSWEditChanged(QString string)
{
    updateOk(m_newEdit->text(), string);
}

void QPwdModDialog::Accept()
{
    m_newPassword = m_confirmEdit->text();
    m_newEdit->clear();
    m_confirmEdit->clear();
    accept();
}

void QPwdModDialog::Reject()
{
    reject();
}

void QPwdModDialog::reject()
{
    m_newEdit->clear();
    m_confirmEdit->clear();
    QDialog::reject();
}

void QPwdModDialog::retranslate()
{
    const QFont font = languageFont(9);
    setFont(font);
    m_newLabel->setFont(font);
    m_confirmLabel->setFont(font);
    setWindowTitle(tr("Modify password"));
    m_newLabel->setText(tr("New password :"));
    m_confirmLabel->setText(tr("Confirm :"));
}

void QPwdModDialog::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslate();
}

QlockPwdModDialog::QlockPwdModDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Modify lock password"));
    setFont(QFont(QStringLiteral("Arial")));
    setFixedSize(220, 188);
    m_buttonBox = okCancelBox(this, QRect(36, 140, 151, 32));
    m_buttonBox->setEnabled(false);
    const char *captions[] = {"Lock password:", "New password:", "Verify password:"};
    QLineEdit **edits[] = {&m_oldEdit, &m_newEdit, &m_verifyEdit};
    for (int i = 0; i < 3; ++i) {
        const int y = 20 + 40 * i;
        auto *label = new QLabel(QLatin1String(captions[i]), this);
        label->setGeometry(12, y, 110, 20);
        *edits[i] = newPasswordEdit(this, QRect(130, y, 80, 20), QLineEdit::PasswordEchoOnEdit);
    }
    m_refusal = newRefusalLabel(this, QRect(0, 122, 220, 16));
    connect(m_oldEdit, &QLineEdit::textChanged, this, &QlockPwdModDialog::OldPSWEditChanged);
    connect(m_newEdit, &QLineEdit::textChanged, this, &QlockPwdModDialog::NewPSWEditChanged);
    connect(m_verifyEdit, &QLineEdit::textChanged, this, &QlockPwdModDialog::VerifyPSWEditChanged);
    connect(m_buttonBox, &QDialogButtonBox::accepted, this, &QlockPwdModDialog::Accept);
    connect(m_buttonBox, &QDialogButtonBox::rejected, this, &QlockPwdModDialog::Reject);
}

void QlockPwdModDialog::updateOk(const QString &oldText, const QString &newText,
                                 const QString &verifyText)
{
    const bool fits = checkPasswords(m_refusal, {oldText, newText, verifyText});
    m_buttonBox->setEnabled(fits && !oldText.isEmpty() && !newText.isEmpty() &&
                            newText == verifyText);
}

void QlockPwdModDialog::OldPSWEditChanged(QString string)
{
    updateOk(string, m_newEdit->text(), m_verifyEdit->text());
}

void QlockPwdModDialog::NewPSWEditChanged(QString string)
{
    updateOk(m_oldEdit->text(), string, m_verifyEdit->text());
}

void QlockPwdModDialog::VerifyPSWEditChanged(QString string)
{
    updateOk(m_oldEdit->text(), m_newEdit->text(), string);
}

void QlockPwdModDialog::Accept()
{
    m_lockPassword = m_oldEdit->text();
    m_newPassword = m_verifyEdit->text();
    m_oldEdit->clear();
    m_newEdit->clear();
    m_verifyEdit->clear();
    accept();
}

void QlockPwdModDialog::Reject()
{
    reject();
}

void QlockPwdModDialog::reject()
{
    m_oldEdit->clear();
    m_newEdit->clear();
    m_verifyEdit->clear();
    QDialog::reject();
}

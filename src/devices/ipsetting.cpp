#include "ipsetting.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

namespace {
constexpr int kAlignRightVCenter = Qt::AlignRight | Qt::AlignVCenter; // 130
const char *const kInvalidStyle = "color: rgb(200, 0, 0);";
} // namespace

QIpSetting::QIpSetting(QWidget *parent) : QDialog(parent)
{
    setFixedSize(200, 150);
    setFont(QFont(QStringLiteral("Arial")));

    m_addressLabel = new QLabel(this);
    m_maskLabel = new QLabel(this);
    m_gatewayLabel = new QLabel(this);
    m_addressEdit = new QLineEdit(this);
    m_maskEdit = new QLineEdit(this);
    m_gatewayEdit = new QLineEdit(this);
    const QList<QLabel *> labels{m_addressLabel, m_maskLabel, m_gatewayLabel};
    const QList<QLineEdit *> edits{m_addressEdit, m_maskEdit, m_gatewayEdit};
    for (int i = 0; i < 3; ++i) {
        labels[i]->setGeometry(0, 20 + 30 * i, 65, 20);
        labels[i]->setAlignment(Qt::Alignment(kAlignRightVCenter));
        edits[i]->setGeometry(70, 20 + 30 * i, 100, 20);
        connect(edits[i], &QLineEdit::textChanged, this, &QIpSetting::validate);
    }

    m_buttonBox =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Horizontal, this);
    m_buttonBox->setGeometry(20, 110, 151, 32);
    connect(m_buttonBox, &QDialogButtonBox::accepted, this, &QIpSetting::Accept);
    connect(m_buttonBox, &QDialogButtonBox::rejected, this, &QIpSetting::Reject);

    retranslateUi();
    validate();
}

std::optional<quint32> QIpSetting::parseDotted(const QString &text)
{
    static const QRegularExpression dotted(
        QStringLiteral("^(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})$"));
    const QRegularExpressionMatch m = dotted.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    quint32 value = 0;
    for (int i = 1; i <= 4; ++i) {
        const uint octet = m.captured(i).toUInt();
        if (octet > 255)
            return std::nullopt;
        value = (value << 8) | octet;
    }
    return value;
}

bool QIpSetting::isHostAddress(const QString &text)
{
    const std::optional<quint32> v = parseDotted(text);
    // 0.0.0.0 is no address, and multicast, reserved and broadcast addresses cannot be a
    // processor's own.
    return v && *v != 0 && (*v >> 28) < 0xE;
}

bool QIpSetting::isSubnetMask(const QString &text)
{
    const std::optional<quint32> v = parseDotted(text);
    if (!v || *v == 0)
        return false;
    const quint32 hostBits = ~*v;
    return (hostBits & (hostBits + 1)) == 0; // ones followed by zeros only
}

void QIpSetting::validate()
{
    bool addressOk = isHostAddress(m_addressEdit->text());
    const bool maskOk = isSubnetMask(m_maskEdit->text());
    if (addressOk && maskOk) {
        // The subnet's own network and broadcast addresses cannot be given to a host
        // (a /31 or /32 has neither).
        const quint32 host = ~*parseDotted(m_maskEdit->text());
        const quint32 hostPart = *parseDotted(m_addressEdit->text()) & host;
        addressOk = host < 2 || (hostPart != 0 && hostPart != host);
    }
    const QString gateway = m_gatewayEdit->text().trimmed();
    const bool gatewayOk = gateway.isEmpty() || isHostAddress(gateway);

    // A field is marked only once something was typed into it.
    const auto mark = [](QLineEdit *edit, bool ok) {
        edit->setStyleSheet(ok || edit->text().trimmed().isEmpty() ? QString()
                                                                   : QString(kInvalidStyle));
    };
    mark(m_addressEdit, addressOk);
    mark(m_maskEdit, maskOk);
    mark(m_gatewayEdit, gatewayOk);

    m_buttonBox->button(QDialogButtonBox::Ok)->setEnabled(addressOk && maskOk && gatewayOk);
}

void QIpSetting::clearFields()
{
    m_addressEdit->clear();
    m_maskEdit->clear();
    m_gatewayEdit->clear();
}

void QIpSetting::Accept()
{
    // Enter on a field reaches here too; an incomplete entry never closes the dialog.
    if (!m_buttonBox->button(QDialogButtonBox::Ok)->isEnabled())
        return;
    m_address = parseDotted(m_addressEdit->text()).value_or(0);
    m_mask = parseDotted(m_maskEdit->text()).value_or(0);
    m_gateway = parseDotted(m_gatewayEdit->text()).value_or(0);
    clearFields();
    accept();
}

void QIpSetting::Reject()
{
    reject();
}

void QIpSetting::reject()
{
    // Escape and the window's close button end here as well, so every opening starts empty.
    m_address = 0;
    m_mask = 0;
    m_gateway = 0;
    clearFields();
    QDialog::reject();
}

void QIpSetting::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QDialog::changeEvent(event);
}

void QIpSetting::retranslateUi()
{
    setWindowTitle(tr("ip Settings"));
    m_addressLabel->setText(tr("IP addr :"));
    m_maskLabel->setText(tr("Subnet :"));
    m_gatewayLabel->setText(tr("Gateway :"));
    const QString hint = tr("Four numbers 0-255 separated by dots, e.g. 192.168.1.100");
    m_addressEdit->setToolTip(hint);
    m_maskEdit->setToolTip(tr("A subnet mask, e.g. 255.255.255.0"));
    m_gatewayEdit->setToolTip(tr("Leave empty for no gateway (0.0.0.0)"));
}

#include "ipsetting.h"

#include "addressuse.h"
#include "protocol/ipv4.h"
#include "widgets/prompts.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr int kAlignRightVCenter = Qt::AlignRight | Qt::AlignVCenter; // 130
const char *const kInvalidStyle = "color: rgb(200, 0, 0);";
} // namespace

QIpSetting::QIpSetting(QWidget *parent) : QDialog(parent)
{
    setFixedSize(200, 180);
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
    m_buttonBox->setGeometry(20, 140, 151, 32);
    m_problemLabel = new QLabel(this);
    m_problemLabel->setGeometry(8, 102, 186, 36);
    m_problemLabel->setWordWrap(true);
    m_problemLabel->setStyleSheet(QString::fromLatin1(kInvalidStyle));
    m_problemLabel->setFont(QFont(QStringLiteral("Arial"), 7));
    connect(m_buttonBox, &QDialogButtonBox::accepted, this, &QIpSetting::Accept);
    connect(m_buttonBox, &QDialogButtonBox::rejected, this, &QIpSetting::Reject);

    retranslateUi();
    validate();
}

void QIpSetting::validate()
{
    const QList<QLineEdit *> edits{m_addressEdit, m_maskEdit, m_gatewayEdit};
    const proto::ipv4::Verdict verdict =
        proto::ipv4::check(m_addressEdit->text(), m_maskEdit->text(), m_gatewayEdit->text());
    QLineEdit *refused = verdict.ok() ? nullptr : edits[int(verdict.field)];
    // A field is marked, and the reason shown, only once something was typed into it.
    if (refused && refused->text().trimmed().isEmpty())
        refused = nullptr;
    for (QLineEdit *edit : edits)
        edit->setStyleSheet(edit == refused ? QString(kInvalidStyle) : QString());
    const QString inUse = verdict.ok() ? addressInUse() : QString();
    if (!inUse.isEmpty())
        m_addressEdit->setStyleSheet(QString(kInvalidStyle));
    m_problemLabel->setText(refused ? proto::ipv4::explain(verdict.problem) : inUse);
    m_buttonBox->button(QDialogButtonBox::Ok)->setEnabled(verdict.ok());
}

void QIpSetting::setKnownProcessors(quint32 machineId, QList<broadcastMsg> known)
{
    m_machineId = machineId;
    m_known = std::move(known);
    validate();
}

QString QIpSetting::addressInUse() const
{
    const std::optional<quint32> address = proto::ipv4::parse(m_addressEdit->text());
    if (!address)
        return {};
    const std::optional<broadcastMsg> other = devices::processorAt(*address, m_machineId, m_known);
    return other ? devices::addressInUseText(*other) : QString();
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
    // Two processors at one address answer neither reliably: only on the user's word.
    if (const QString inUse = addressInUse();
        !inUse.isEmpty() && !prompts::confirm(this, tr("warning"),
                                              inUse.toHtmlEscaped() + QStringLiteral("<br>") +
                                                  tr("Give this processor the address all "
                                                     "the same?")))
        return;
    m_address = proto::ipv4::parse(m_addressEdit->text()).value_or(0);
    m_mask = proto::ipv4::parse(m_maskEdit->text()).value_or(0);
    m_gateway = proto::ipv4::parse(m_gatewayEdit->text()).value_or(0);
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

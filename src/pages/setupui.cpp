// Layout and texts of the settings page.
#include "setup.h"

#include "widgets/language.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

constexpr auto kCaptionAlign = Qt::AlignRight | Qt::AlignVCenter;

const char *const kAddressPattern =
    R"((\d{1,2}|1\d\d|2[0-1]\d|22[0-3])\.(\d{1,2}|1\d\d|2[0-4]\d|25[0-5])\.)"
    R"((\d{1,2}|1\d\d|2[0-4]\d|25[0-5])\.(\d{1,2}|1\d\d|2[0-4]\d|25[0-5]))";
const char *const kMaskPattern =
    R"((\d{1,2}|1\d\d|2[0-4]\d|25[0-5])\.(\d{1,2}|1\d\d|2[0-4]\d|25[0-5])\.)"
    R"((\d{1,2}|1\d\d|2[0-4]\d|25[0-5])\.(\d{1,2}|1\d\d|2[0-4]\d|25[0-5]))";

// Device information captions, in grid order: column 0 rows 0-6, then column 2.
const char *const kInfoCaptions[] = {
    QT_TRANSLATE_NOOP("QSetup", "Model :"),       QT_TRANSLATE_NOOP("QSetup", "ARM Ver :"),
    QT_TRANSLATE_NOOP("QSetup", "DSP Ver :"),     QT_TRANSLATE_NOOP("QSetup", "SN :"),
    QT_TRANSLATE_NOOP("QSetup", "Code :"),        QT_TRANSLATE_NOOP("QSetup", "Panel Lock :"),
    QT_TRANSLATE_NOOP("QSetup", "Location :"),    QT_TRANSLATE_NOOP("QSetup", "Channel Cfg :"),
    QT_TRANSLATE_NOOP("QSetup", "Boot counts :"), QT_TRANSLATE_NOOP("QSetup", "CPU Temp :"),
    QT_TRANSLATE_NOOP("QSetup", "Run time :"),    QT_TRANSLATE_NOOP("QSetup", "Total time :"),
    QT_TRANSLATE_NOOP("QSetup", "Description :"),
};
constexpr int kTempCaption = 9;
const char *const kNetCaptions[] = {
    QT_TRANSLATE_NOOP("QSetup", "IP address :"),
    QT_TRANSLATE_NOOP("QSetup", "Subnet mask :"),
    QT_TRANSLATE_NOOP("QSetup", "Gateway :"),
};
const char *const kFaultCaptions[] = {
    QT_TRANSLATE_NOOP("QSetup", "DSP :"),
    QT_TRANSLATE_NOOP("QSetup", "DAC :"),
    QT_TRANSLATE_NOOP("QSetup", "Flash :"),
    QT_TRANSLATE_NOOP("QSetup", "Temp :"),
};

QFont pointFont(int points, QFont::Weight weight = QFont::Normal)
{
    QFont font;
    font.setPointSize(points);
    font.setWeight(weight);
    return font;
}

QLabel *titleLabel(int points, QFont::Weight weight, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QStringLiteral("titleLabel"));
    label->setFont(pointFont(points, weight));
    return label;
}

QLabel *valueLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setFont(pointFont(9));
    return label;
}

QLineEdit *lineEdit(int maxLength, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setMaxLength(maxLength);
    edit->setFont(pointFont(9));
    return edit;
}

} // namespace

void QSetup::buildUi()
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(2);
    layout->addWidget(
        buildLabelColumn(m_inTitle, m_inCaptions.data(), m_inEdits.data(), kInputs, 210));
    layout->addWidget(
        buildLabelColumn(m_outTitle, m_outCaptions.data(), m_outEdits.data(), kOutputs, 220));
    layout->addWidget(buildInfoColumn());
    auto *column = new QVBoxLayout;
    column->setSpacing(2);
    column->addWidget(buildNetworkWidget(), 1);
    column->addWidget(buildFaultWidget(), 1);
    layout->addLayout(column);

    for (QLineEdit *edit : m_inEdits)
        connect(edit, &QLineEdit::editingFinished, this, &QSetup::InChannelLabelChanged);
    for (QLineEdit *edit : m_outEdits)
        connect(edit, &QLineEdit::editingFinished, this, &QSetup::OutChannelLabelChanged);
    connect(m_locationEdit, &QLineEdit::editingFinished, this, &QSetup::locationChanged);
    connect(m_descriptionEdit, &QLineEdit::editingFinished, this, &QSetup::descriptionChanged);
    connect(m_ipEdit, &QLineEdit::editingFinished, this, &QSetup::ipaddressChanged);
    connect(m_maskEdit, &QLineEdit::editingFinished, this, &QSetup::netmaskChanged);
    connect(m_gatewayEdit, &QLineEdit::editingFinished, this, &QSetup::gatewayChanged);
    connect(m_panelLockBox, &QComboBox::currentIndexChanged, this, &QSetup::panelLockChanged);

    // Texts before the first language change: the usual ones, except for these six.
    retranslateUi();
    m_inTitle->setText(QStringLiteral("Input label"));
    m_outTitle->setText(QStringLiteral("Output label"));
    m_infoTitle->setText(QStringLiteral("About"));
    m_infoCaptions[kTempCaption]->setText(QStringLiteral("Temperature :"));
    for (int i = 0; i < kInputs; ++i)
        m_inCaptions[i]->setText(QString::asprintf("Input %d :", i + 1));
    for (int i = 0; i < kOutputs; ++i)
        m_outCaptions[i]->setText(QString::asprintf("Output %d :", i + 1));
}

QWidget *QSetup::buildLabelColumn(QLabel *&title, QLabel **captions, QLineEdit **edits, int count,
                                  int maxWidth)
{
    auto *widget = new QWidget(this);
    widget->setObjectName(QStringLiteral("devLabelInLabelWidget"));
    widget->setAttribute(Qt::WA_StyledBackground);
    widget->setMaximumWidth(maxWidth);
    auto *box = new QVBoxLayout(widget);
    box->setSpacing(24);
    box->setContentsMargins(4, 6, 4, 6); // the 135-pixel edits fit beside their captions
    title = titleLabel(10, QFont::Bold, widget);
    box->addWidget(title);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    for (int i = 0; i < count; ++i) {
        captions[i] = titleLabel(10, QFont::Normal, widget);
        captions[i]->setAlignment(kCaptionAlign);
        edits[i] = lineEdit(kLabelField, widget);
        edits[i]->setFixedWidth(135);
        edits[i]->setObjectName(
            QStringLiteral("%1LabelEdit%2")
                .arg(count == kInputs ? QLatin1String("in") : QLatin1String("out"))
                .arg(i + 1));
        grid->addWidget(captions[i], i, 0);
        grid->addWidget(edits[i], i, 1);
    }
    box->addLayout(grid);
    box->addStretch(1);
    return widget;
}

QWidget *QSetup::buildInfoColumn()
{
    auto *widget = new QWidget(this);
    widget->setObjectName(QStringLiteral("devInfoCtrlBgWidget"));
    widget->setAttribute(Qt::WA_StyledBackground);
    widget->setMinimumWidth(450);
    auto *box = new QVBoxLayout(widget);
    m_infoTitle = titleLabel(10, QFont::Bold, widget);
    box->addWidget(m_infoTitle);
    auto *grid = new QGridLayout;
    for (int i = 0; i < int(std::size(kInfoCaptions)); ++i) {
        auto *caption = titleLabel(10, QFont::Normal, widget);
        caption->setAlignment(kCaptionAlign);
        m_infoCaptions.append(caption);
        // Column 0 holds rows 0-6, column 2 rows 0-4 and the description in row 6.
        const int row = i < 7 ? i : (i == 12 ? 6 : i - 7);
        grid->addWidget(caption, row, i < 7 ? 0 : 2);
    }
    m_modelValue = valueLabel(widget);
    m_armValue = valueLabel(widget);
    m_dspValue = valueLabel(widget);
    m_snValue = valueLabel(widget);
    m_codeValue = valueLabel(widget);
    m_cfgValue = valueLabel(widget);
    m_bootValue = valueLabel(widget);
    m_tempValue = valueLabel(widget);
    m_runValue = valueLabel(widget);
    m_totalValue = valueLabel(widget);
    m_panelLockBox = new QComboBox(widget);
    m_panelLockBox->setFixedWidth(56);
    m_panelLockBox->setFont(pointFont(9));
    m_panelLockBox->addItems({QStringLiteral("NO"), QStringLiteral("YES")});
    m_locationEdit = lineEdit(16, widget);
    m_locationEdit->setObjectName(QStringLiteral("locationEdit"));
    m_descriptionEdit = lineEdit(16, widget);
    m_descriptionEdit->setObjectName(QStringLiteral("descriptionEdit"));
    const QList<QWidget *> left = {m_modelValue, m_armValue,     m_dspValue,    m_snValue,
                                   m_codeValue,  m_panelLockBox, m_locationEdit};
    for (int row = 0; row < left.size(); ++row)
        grid->addWidget(left[row], row, 1);
    const QList<QWidget *> right = {m_cfgValue, m_bootValue, m_tempValue, m_runValue, m_totalValue};
    for (int row = 0; row < right.size(); ++row)
        grid->addWidget(right[row], row, 3);
    grid->addWidget(m_descriptionEdit, 6, 3);
    for (int col = 0; col < 4; ++col)
        grid->setColumnStretch(col, col % 2 == 0 ? 2 : 3);
    box->addLayout(grid);
    box->addStretch(1);
    return widget;
}

QWidget *QSetup::buildNetworkWidget()
{
    auto *widget = new QWidget(this);
    widget->setObjectName(QStringLiteral("networkCtrlBgWidget"));
    widget->setAttribute(Qt::WA_StyledBackground);
    auto *box = new QVBoxLayout(widget);
    m_netTitle = titleLabel(10, QFont::Bold, widget);
    box->addWidget(m_netTitle);
    auto *grid = new QGridLayout;
    const QRegularExpression address(QString::fromLatin1(kAddressPattern));
    const QRegularExpression mask(QString::fromLatin1(kMaskPattern));
    m_ipEdit = lineEdit(15, widget);
    m_ipEdit->setValidator(new QRegularExpressionValidator(address, m_ipEdit));
    m_maskEdit = lineEdit(15, widget);
    m_maskEdit->setValidator(new QRegularExpressionValidator(mask, m_maskEdit));
    m_gatewayEdit = lineEdit(15, widget);
    // An empty gateway is none.
    const QRegularExpression gateway(QStringLiteral("(?:%1)?").arg(QLatin1String(kAddressPattern)));
    m_gatewayEdit->setValidator(new QRegularExpressionValidator(gateway, m_gatewayEdit));
    QLineEdit *const edits[] = {m_ipEdit, m_maskEdit, m_gatewayEdit};
    for (int i = 0; i < 3; ++i) {
        m_netCaptions[i] = titleLabel(10, QFont::Normal, widget);
        m_netCaptions[i]->setAlignment(kCaptionAlign);
        grid->addWidget(m_netCaptions[i], i, 0);
        grid->addWidget(edits[i], i, 1);
    }
    box->addLayout(grid);
    m_netProblem = new QLabel(widget);
    m_netProblem->setObjectName(QStringLiteral("networkProblemLabel"));
    m_netProblem->setWordWrap(true);
    m_netProblem->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
    box->addWidget(m_netProblem);
    box->addStretch(1);
    return widget;
}

QWidget *QSetup::buildFaultWidget()
{
    auto *widget = new QWidget(this);
    widget->setObjectName(QStringLiteral("errorCtrlBgWidget"));
    widget->setAttribute(Qt::WA_StyledBackground);
    auto *box = new QVBoxLayout(widget);
    m_faultTitle = titleLabel(10, QFont::Bold, widget);
    box->addWidget(m_faultTitle);
    auto *grid = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        m_faultCaptions[i] = titleLabel(10, QFont::Normal, widget);
        m_faultCaptions[i]->setAlignment(kCaptionAlign);
        m_faultValues[i] = valueLabel(widget);
        m_faultValues[i]->setText(QStringLiteral("Normal"));
        grid->addWidget(m_faultCaptions[i], i, 0);
        grid->addWidget(m_faultValues[i], i, 1);
    }
    box->addLayout(grid);
    box->addStretch(1);
    return widget;
}

void QSetup::retranslateUi()
{
    const QString family = currentLanguageFont();
    auto styled = [&family](QWidget *w) {
        if (family.isEmpty())
            return;
        QFont font = w->font();
        font.setFamily(family);
        w->setFont(font);
    };
    auto set = [&styled](QLabel *label, const QString &text) {
        label->setText(text);
        styled(label);
    };
    set(m_inTitle, tr("Input Label"));
    set(m_outTitle, tr("Output Label"));
    set(m_infoTitle, tr("Device Infomation"));
    set(m_netTitle, tr("Network"));
    set(m_faultTitle, tr("Fault"));
    for (int i = 0; i < kInputs; ++i)
        set(m_inCaptions[i], tr("Input") + QString::asprintf(" %d :", i + 1));
    for (int i = 0; i < kOutputs; ++i)
        set(m_outCaptions[i], tr("Output") + QString::asprintf(" %d :", i + 1));
    for (int i = 0; i < m_infoCaptions.size(); ++i)
        set(m_infoCaptions[i], tr(kInfoCaptions[i]));
    for (int i = 0; i < 3; ++i)
        set(m_netCaptions[i], tr(kNetCaptions[i]));
    for (int i = 0; i < 4; ++i) {
        set(m_faultCaptions[i], tr(kFaultCaptions[i]));
        styled(m_faultValues[i]);
    }
    applyFaults(m_faults);
    for (QLabel *label : {m_modelValue, m_armValue, m_dspValue, m_snValue, m_codeValue, m_cfgValue,
                          m_bootValue, m_tempValue, m_runValue, m_totalValue})
        styled(label);
    for (QLineEdit *edit : m_inEdits)
        styled(edit);
    for (QLineEdit *edit : m_outEdits)
        styled(edit);
    for (QWidget *w : std::initializer_list<QWidget *>{m_locationEdit, m_descriptionEdit, m_ipEdit,
                                                       m_maskEdit, m_gatewayEdit, m_panelLockBox})
        styled(w);
}

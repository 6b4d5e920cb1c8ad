// Widgets, texts, connections and lock states of the filter panels.
#include "modules/filterpanel.h"

#include "modules/filtergraph.h"
#include "pages/channelselect.h"
#include "widgets/knob.h"
#include "widgets/language.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyleOption>
#include <QVBoxLayout>

namespace {

const char *const kFreqPattern = "20000|(1?[0-9]{0,4})";
const char *const kGainPattern = "^-?(20|[0-1]?\\d(\\.\\d{1,1})?)$";
const char *const kSlopeTexts[] = {"-6dBu/oct",  "-12dBu/oct", "-18dBu/oct",
                                   "-24dBu/oct", "-36dBu/oct", "-48dBu/oct"};
// Small enough that the page fits the tab container beside the device list column.
constexpr int kGraphWidth = 480;
constexpr int kGraphHeight = 200;

QValidator *validator(const char *pattern, QObject *parent)
{
    return new QRegularExpressionValidator(
        QRegularExpression(QRegularExpression::anchoredPattern(QLatin1String(pattern))), parent);
}

QPushButton *normalButton(QWidget *parent, bool checkable)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(QStringLiteral("normalButton"));
    b->setCheckable(checkable);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

QLabel *captionLabel(QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QStringLiteral("titleLabel"));
    return l;
}

Knob *middleKnob(QWidget *parent, float minimum, float maximum, float value)
{
    auto *k = new Knob(parent);
    k->setKnobSize(Knob::Middle);
    k->setMinimum(minimum);
    k->setMaximum(maximum);
    k->setValue(value);
    return k;
}

QLineEdit *valueEdit(QWidget *parent, const char *pattern, const QString &text)
{
    auto *e = new QLineEdit(text, parent);
    e->setFixedWidth(50);
    if (pattern)
        e->setValidator(validator(pattern, e));
    return e;
}

} // namespace

void QFilterPanel::buildUi()
{
    auto *channelArea = new QWidget(this);
    channelArea->setObjectName(QStringLiteral("channelWidget"));
    auto *channelGrid = new QGridLayout(channelArea);
    channelGrid->setContentsMargins(6, 6, 6, 6);
    channelGrid->setSpacing(4);
    m_channelCaption = captionLabel(channelArea);
    channelGrid->addWidget(m_channelCaption, 0, 0, 1, 2, Qt::AlignHCenter);
    for (int ch = 0; ch < channelCount(); ++ch) {
        QPushButton *b = normalButton(channelArea, true);
        b->setFixedSize(110, 35);
        b->setChecked(ch == 0);
        m_channelNames[size_t(ch)] = QString::asprintf("%s%d", m_side.prefix, ch + 1);
        b->setText(m_channelNames[size_t(ch)]);
        channelGrid->addWidget(b, 1 + ch / 2, ch % 2);
        m_channelButtons[size_t(ch)] = b;
    }
    channelGrid->setRowStretch(1 + (channelCount() + 1) / 2, 1);

    m_graphArea = new QWidget(this);
    m_graphArea->setObjectName(QStringLiteral("GraphWidget"));
    auto *graphLayout = new QVBoxLayout(m_graphArea);
    graphLayout->setContentsMargins(2, 2, 2, 2);
    m_graph = new FilterGraph(m_graphArea);
    m_graph->setMinimumSize(kGraphWidth, kGraphHeight);
    m_graph->setBandCount(kBands);
    m_graph->setGainRange(20, -20);
    graphLayout->addWidget(m_graph);

    buildPassGroup(m_hpw, true);
    buildPassGroup(m_lpw, false);

    auto *bandBar = new QWidget(this);
    bandBar->setObjectName(QStringLiteral("LPFWidget"));
    bandBar->setFixedSize(700, 30);
    for (int b = 0; b < kBands; ++b) {
        QPushButton *button = normalButton(bandBar, true);
        button->setGeometry(30 + 40 * b, 2, 40, 26);
        button->setText(QString::asprintf("%d", b + 1));
        button->setChecked(b == 0);
        m_bandButtons[size_t(b)] = button;
    }
    buildBandGroup();

    auto *top = new QHBoxLayout;
    top->setSpacing(4);
    top->addWidget(channelArea);
    top->addWidget(m_graphArea, 1);
    auto *passColumn = new QVBoxLayout;
    passColumn->setSpacing(4);
    passColumn->addWidget(m_hpw.group);
    passColumn->addWidget(m_lpw.group);
    top->addLayout(passColumn);
    auto *bottom = new QVBoxLayout;
    bottom->setSpacing(4);
    bottom->addWidget(bandBar, 0, Qt::AlignHCenter);
    bottom->addWidget(m_bw.group);
    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(4, 4, 4, 4);
    main->setSpacing(4);
    main->addLayout(top, 1);
    main->addLayout(bottom);

    m_chooser = new QChannelSelect(this);
    retranslate();
}

void QFilterPanel::buildPassGroup(PassWidgets &w, bool high)
{
    w.group = new QWidget(this);
    w.group->setObjectName(high ? QStringLiteral("HPFWidget") : QStringLiteral("LPFWidget"));
    auto *grid = new QGridLayout(w.group);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    w.caption = captionLabel(w.group);
    w.typeLabel = new QLabel(w.group);
    w.slopeLabel = new QLabel(w.group);
    w.freqLabel = new QLabel(w.group);
    w.type = new QComboBox(w.group);
    w.type->addItems({QString(), QString(), QString()});
    w.slope = new QComboBox(w.group);
    for (const char *t : kSlopeTexts)
        w.slope->addItem(QLatin1String(t));
    const int freq = high ? 20 : 20000;
    w.freqEdit = valueEdit(w.group, kFreqPattern, QString::number(freq));
    w.freqKnob = middleKnob(w.group, 20, 20000, float(freq));
    w.enable = normalButton(w.group, true);
    w.enable->setMinimumSize(70, 30);
    // The knob stands beside the three value rows and the button beside the caption, so the
    // two groups stack within the graph's height.
    grid->addWidget(w.caption, 0, 0, 1, 2);
    grid->addWidget(w.enable, 0, 2, Qt::AlignCenter);
    grid->addWidget(w.typeLabel, 1, 0);
    grid->addWidget(w.type, 1, 1);
    grid->addWidget(w.slopeLabel, 2, 0);
    grid->addWidget(w.slope, 2, 1);
    grid->addWidget(w.freqLabel, 3, 0);
    grid->addWidget(w.freqEdit, 3, 1, Qt::AlignLeft);
    grid->addWidget(w.freqKnob, 1, 2, 3, 1, Qt::AlignCenter);
    grid->setRowStretch(4, 1);
}

void QFilterPanel::buildBandGroup()
{
    BandWidgets &w = m_bw;
    w.group = new QWidget(this);
    w.group->setObjectName(QStringLiteral("PEQWidget"));
    auto *row = new QHBoxLayout(w.group);
    row->setContentsMargins(6, 4, 6, 4);
    auto *buttons = new QGridLayout;
    w.enable = normalButton(w.group, true);
    w.enable->setFixedSize(75, 30);
    w.type = new QComboBox(w.group);
    w.type->addItems({QString(), QString(), QString(), QStringLiteral("AllPass")});
    w.copy = normalButton(w.group, false);
    w.copy->setFixedSize(75, 30);
    w.reset = normalButton(w.group, false);
    w.reset->setFixedSize(75, 30);
    buttons->addWidget(w.enable, 0, 0);
    buttons->addWidget(w.type, 0, 1);
    buttons->addWidget(w.copy, 1, 0);
    buttons->addWidget(w.reset, 1, 1);
    row->addLayout(buttons);

    auto addValue = [&](QLabel *&label, QLineEdit *edit, Knob *knob) {
        label = new QLabel(w.group);
        auto *box = new QGridLayout;
        box->addWidget(label, 0, 0);
        box->addWidget(edit, 1, 0);
        box->addWidget(knob, 0, 1, 2, 1);
        row->addLayout(box);
    };
    w.freqEdit = valueEdit(w.group, kFreqPattern, QStringLiteral("40"));
    w.freqKnob = middleKnob(w.group, 20, 20000, 40);
    addValue(w.freqLabel, w.freqEdit, w.freqKnob);
    w.gainEdit = valueEdit(w.group, kGainPattern, QStringLiteral("0.0"));
    w.gainKnob = middleKnob(w.group, -200, 200, 0);
    addValue(w.gainLabel, w.gainEdit, w.gainKnob);
    w.qEdit = valueEdit(w.group, nullptr, QStringLiteral("6.00"));
    w.qEdit->setReadOnly(true);
    w.qKnob = middleKnob(w.group, 0, 64, 43);
    addValue(w.qLabel, w.qEdit, w.qKnob);
    w.qLabel->setText(QStringLiteral("Q"));
    row->addStretch(1);
}

void QFilterPanel::retranslate()
{
    QFont font(currentLanguageFont(), 9);
    setFont(font);
    QFont bold(currentLanguageFont(), 10);
    bold.setBold(true);
    m_channelCaption->setFont(bold);
    m_channelCaption->setText(tr(m_side.caption));
    for (PassWidgets *w : {&m_hpw, &m_lpw}) {
        w->caption->setFont(bold);
        w->caption->setText(w == &m_hpw ? tr("High-Pass") : tr("Low-Pass"));
        w->typeLabel->setText(tr("Type"));
        w->slopeLabel->setText(tr("Slope"));
        w->freqLabel->setText(tr("Freq.(Hz)"));
        w->enable->setText(tr("Enable"));
        w->type->setItemText(0, tr("Bessel"));
        w->type->setItemText(1, tr("Butterworth"));
        w->type->setItemText(2, tr("Link-Riley"));
    }
    m_bw.enable->setText(tr("Enable"));
    m_bw.copy->setText(tr("Copy to"));
    m_bw.reset->setText(tr("Reset"));
    m_bw.freqLabel->setText(tr("Freq.(Hz)"));
    m_bw.gainLabel->setText(tr("Gain(dBu)"));
    m_bw.type->setItemText(0, tr("PEQ"));
    m_bw.type->setItemText(1, tr("LowShelf"));
    m_bw.type->setItemText(2, tr("HighShelf"));
    if (m_translated) // the fourth entry reads "AllPass" until the first language change
        m_bw.type->setItemText(3, tr("Allpass"));
}

void QFilterPanel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_translated = true;
        retranslate();
    }
    QModulePanel::changeEvent(event);
}

void QFilterPanel::paintEvent(QPaintEvent *)
{
    QStyleOption opt;
    opt.initFrom(this);
    QPainter p(this);
    style()->drawPrimitive(QStyle::PE_Widget, &opt, &p, this);
}

void QFilterPanel::setChannelName(uchar channel, const QString &name)
{
    if (channel >= channelCount())
        return;
    // Devices that report no name keep the default one on the button.
    m_channelNames[channel] =
        name.isEmpty() ? QString::asprintf("%s%d", m_side.prefix, channel + 1) : name;
    m_channelButtons[channel]->setText(m_channelNames[channel]);
}

void QFilterPanel::connectWidgets()
{
    for (int ch = 0; ch < channelCount(); ++ch)
        connect(m_channelButtons[size_t(ch)], &QPushButton::clicked, this,
                [this, ch] { channelChanged(ch); });
    for (int b = 0; b < kBands; ++b)
        connect(m_bandButtons[size_t(b)], &QPushButton::clicked, this,
                [this, b] { bandBtnClicked(b); });

    connect(m_hpw.enable, &QPushButton::clicked, this, &QFilterPanel::HPassEnableClicked);
    connect(m_hpw.type, &QComboBox::currentIndexChanged, this, &QFilterPanel::HPassTypeChanged);
    connect(m_hpw.slope, &QComboBox::currentIndexChanged, this,
            &QFilterPanel::HPassSlopeChanged);
    connect(m_hpw.freqKnob, &Knob::valueChanged, this, &QFilterPanel::HPassFreqChanged);
    connect(m_hpw.freqEdit, &QLineEdit::editingFinished, this,
            &QFilterPanel::HPassFreqEditingFinished);
    connect(m_lpw.enable, &QPushButton::clicked, this, &QFilterPanel::LPassEnableClicked);
    connect(m_lpw.type, &QComboBox::currentIndexChanged, this, &QFilterPanel::LPassTypeChanged);
    connect(m_lpw.slope, &QComboBox::currentIndexChanged, this,
            &QFilterPanel::LPassSlopeChanged);
    connect(m_lpw.freqKnob, &Knob::valueChanged, this, &QFilterPanel::LPassFreqChanged);
    connect(m_lpw.freqEdit, &QLineEdit::editingFinished, this,
            &QFilterPanel::LPassFreqEditingFinished);

    connect(m_bw.enable, &QPushButton::clicked, this, &QFilterPanel::PEQEnableClicked);
    connect(m_bw.type, &QComboBox::currentIndexChanged, this, &QFilterPanel::PEQTypeChanged);
    connect(m_bw.freqKnob, &Knob::valueChanged, this, &QFilterPanel::PEQFreqChanged);
    connect(m_bw.freqEdit, &QLineEdit::editingFinished, this,
            &QFilterPanel::PEQFreqEditingFinished);
    connect(m_bw.gainKnob, &Knob::valueChanged, this, &QFilterPanel::PEQGainChanged);
    connect(m_bw.gainEdit, &QLineEdit::editingFinished, this,
            &QFilterPanel::PEQGainEditingFinished);
    connect(m_bw.qKnob, &Knob::valueChanged, this, &QFilterPanel::PEQQChanged);
    connect(m_bw.copy, &QPushButton::clicked, this, &QFilterPanel::copyToClicked);
    connect(m_bw.reset, &QPushButton::clicked, this, &QFilterPanel::ResetClicked);

    connect(m_graph, &FilterGraph::HPFilterChanged, this, &QFilterPanel::HPFilterGraphChanged);
    connect(m_graph, &FilterGraph::LPFilterChanged, this, &QFilterPanel::LPFilterGraphChanged);
    connect(m_graph, &FilterGraph::peqChanged, this, &QFilterPanel::peqGraphChanged);
}

// ---- lock states ----------------------------------------------------------------------------

uchar QFilterPanel::lockState(int element) const
{
    return m_lockLookup ? m_lockLookup(uchar(m_channel), element) : uchar(0);
}

void QFilterPanel::setFilterGraphSecurityState(uchar channel)
{
    if (channel != m_channel)
        return;
    const uchar state = lockState(LockGraph);
    m_graph->setEnabled(state == 0);
    m_graph->setVisible(state <= 1);
}

void QFilterPanel::setHPFilterSecurityState(uchar channel)
{
    if (channel != m_channel)
        return;
    const uchar state = lockState(LockHighPass);
    applyLockState(m_hpw.group,
                   {m_hpw.caption, m_hpw.typeLabel, m_hpw.type, m_hpw.slopeLabel, m_hpw.slope,
                    m_hpw.freqLabel, m_hpw.freqEdit, m_hpw.freqKnob, m_hpw.enable},
                   state);
    m_graph->setHighPassDraggable(state == 0);
    m_graph->setHighPassVisible(state <= 1);
}

void QFilterPanel::setLPFilterSecurityState(uchar channel)
{
    if (channel != m_channel)
        return;
    const uchar state = lockState(LockLowPass);
    applyLockState(m_lpw.group,
                   {m_lpw.caption, m_lpw.typeLabel, m_lpw.type, m_lpw.slopeLabel, m_lpw.slope,
                    m_lpw.freqLabel, m_lpw.freqEdit, m_lpw.freqKnob, m_lpw.enable},
                   state);
    m_graph->setLowPassDraggable(state == 0);
    m_graph->setLowPassVisible(state <= 1);
}

void QFilterPanel::setFilterBandSecurityState(uchar channel, uchar band)
{
    if (channel != m_channel || band >= kBands)
        return;
    const uchar state = lockState(LockBand0 + band);
    m_graph->setBandDraggable(band, state == 0);
    m_graph->setBandVisible(band, state <= 1);
    if (band != m_band)
        return;
    applyLockState(m_bw.group,
                   {m_bw.enable, m_bw.type, m_bw.copy, m_bw.reset, m_bw.freqLabel,
                    m_bw.freqEdit, m_bw.freqKnob, m_bw.gainLabel, m_bw.gainEdit, m_bw.gainKnob,
                    m_bw.qLabel, m_bw.qEdit, m_bw.qKnob},
                   state);
}

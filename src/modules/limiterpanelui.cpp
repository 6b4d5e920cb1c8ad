// Widgets, texts and connections of the limiter panels.
#include "modules/limiterpanel.h"

#include "pages/channelselect.h"
#include "widgets/knob.h"
#include "widgets/language.h"
#include "widgets/qmeterwidget.h"
#include "widgets/qtlimitctrl.h"
#include "widgets/readout.h"

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

const char *const kRatioPattern = "100|([0-9]{0,2})";
const char *const kTimePattern = "1000|([0-9]{0,3})";

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
    l->setAlignment(Qt::AlignCenter);
    return l;
}

} // namespace

void QLimiterPanel::buildMeter(Meter &m, QWidget *parent)
{
    m.value = new Readout(QString(), QStringLiteral("-100dBu"), parent);
    m.value->setAlignment(Qt::AlignCenter);
    m.meter = new QMeterWidget(parent);
    m.meter->setSegmentCount(45);
    m.meter->setFixedSize(20, 220);
    m.caption = captionLabel(parent);
}

void QLimiterPanel::buildParam(Param &p, QWidget *parent, float minimum, float maximum, float value,
                               const char *pattern, const QString &text)
{
    p.caption = captionLabel(parent);
    p.edit = new QLineEdit(text, parent);
    p.edit->setFixedWidth(50);
    p.edit->setAlignment(Qt::AlignCenter);
    if (pattern)
        p.edit->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QRegularExpression::anchoredPattern(QLatin1String(pattern))),
            p.edit));
    p.knob = new Knob(parent);
    p.knob->setKnobSize(Knob::Middle);
    p.knob->setMinimum(minimum);
    p.knob->setMaximum(maximum);
    p.knob->setValue(value);
    p.knob->setFixedSize(70, 70);
}

void QLimiterPanel::buildUi()
{
    Widgets &w = m_w;

    // Curve and meters.
    w.chart = new QWidget(this);
    w.chart->setObjectName(QStringLiteral("chartWidget"));
    w.chart->setFixedWidth(450);
    w.enable = normalButton(w.chart, true);
    w.enable->setMinimumSize(70, 30);
    w.curve = new qtLimitCtrl(w.chart);
    w.curve->setFixedSize(250, 250);
    w.curve->setRatio(2.0);
    w.curve->setThreshold(0.0);
    w.curve->setBypass(true);
    buildMeter(w.input, w.chart);
    buildMeter(w.output, w.chart);
    buildMeter(w.reduction, w.chart);
    for (Meter *m : {&w.input, &w.output}) {
        m->meter->setRange(kMeterFloor, 24);
        m->meter->setValue(kMeterFloor);
        m->value->setText(QStringLiteral("-60dBu"));
    }
    w.reduction.meter->setRange(0, 35);
    w.reduction.meter->setValue(0);
    w.reduction.meter->setReversed(true);
    w.reduction.value->setText(QStringLiteral("0dBu"));
    auto meterColumn = [](const Meter &m) {
        auto *c = new QVBoxLayout;
        c->setSpacing(2);
        c->addWidget(m.value, 0, Qt::AlignHCenter);
        c->addWidget(m.meter, 0, Qt::AlignHCenter);
        c->addWidget(m.caption, 0, Qt::AlignHCenter);
        return c;
    };
    auto *row = new QHBoxLayout;
    row->setSpacing(8);
    row->addLayout(meterColumn(w.input));
    row->addWidget(w.curve, 0, Qt::AlignVCenter);
    row->addLayout(meterColumn(w.output));
    row->addLayout(meterColumn(w.reduction));
    auto *chartLayout = new QVBoxLayout(w.chart);
    chartLayout->setContentsMargins(6, 6, 6, 6);
    chartLayout->addWidget(w.enable, 0, Qt::AlignLeft);
    chartLayout->addLayout(row);
    chartLayout->addStretch(1);

    // Parameters.
    w.cfg = new QWidget(this);
    w.cfg->setObjectName(QStringLiteral("cfgWidget"));
    buildParam(w.thresh, w.cfg, -1200, 240, 0, nullptr, QStringLiteral("0.0"));
    buildParam(w.ratio, w.cfg, limiter::kMinRatio, limiter::kMaxRatio, 2, kRatioPattern,
               QStringLiteral("2"));
    buildParam(w.attack, w.cfg, limiter::kMinTime, limiter::kMaxTime, 20, kTimePattern,
               QStringLiteral("20"));
    buildParam(w.decay, w.cfg, limiter::kMinTime, limiter::kMaxTime, 20, kTimePattern,
               QStringLiteral("20"));
    auto *grid = new QGridLayout(w.cfg);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setVerticalSpacing(16);
    int cell = 0;
    for (const Param *p : {&w.thresh, &w.ratio, &w.attack, &w.decay}) {
        auto *c = new QVBoxLayout;
        c->setSpacing(4);
        c->addWidget(p->caption, 0, Qt::AlignHCenter);
        c->addWidget(p->edit, 0, Qt::AlignHCenter);
        c->addWidget(p->knob, 0, Qt::AlignHCenter);
        grid->addLayout(c, cell / 2, cell % 2);
        ++cell;
    }
    grid->setRowStretch(2, 1);

    // Channel selector.
    auto *channelArea = new QWidget(this);
    channelArea->setObjectName(QStringLiteral("channelWidget"));
    auto *channelGrid = new QGridLayout(channelArea);
    channelGrid->setContentsMargins(6, 6, 6, 6);
    channelGrid->setSpacing(4);
    w.channelCaption = new QLabel(channelArea);
    channelGrid->addWidget(w.channelCaption, 0, 0, 1, 2, Qt::AlignHCenter);
    for (int ch = 0; ch < channelCount(); ++ch) {
        QPushButton *b = normalButton(channelArea, true);
        b->setFixedSize(116, 35);
        b->setChecked(ch == 0);
        m_names[size_t(ch)] = QString::asprintf("%s%d", m_side.prefix, ch + 1);
        b->setText(m_names[size_t(ch)]);
        channelGrid->addWidget(b, 1 + ch / 2, ch % 2, ch % 2 ? Qt::AlignLeft : Qt::AlignRight);
        w.channels[size_t(ch)] = b;
    }
    const int buttonRow = 1 + channelCount() / 2;
    w.copy = normalButton(channelArea, false);
    w.copy->setFixedSize(60, 35);
    w.reset = normalButton(channelArea, false);
    w.reset->setFixedSize(60, 35);
    channelGrid->addWidget(w.copy, buttonRow, 0, Qt::AlignRight);
    channelGrid->addWidget(w.reset, buttonRow, 1, Qt::AlignLeft);
    channelGrid->setRowStretch(buttonRow + 1, 1);

    auto *main = new QHBoxLayout(this);
    main->setContentsMargins(1, 1, 1, 1);
    main->setSpacing(2);
    main->addWidget(w.chart);
    main->addWidget(w.cfg);
    main->addWidget(channelArea);

    m_chooser = new QChannelSelect(this);
    retranslate();
}

void QLimiterPanel::retranslate()
{
    setFont(QFont(currentLanguageFont(), 9));
    QFont bold(currentLanguageFont(), 10);
    bold.setBold(true);
    Widgets &w = m_w;
    w.channelCaption->setFont(bold);
    w.channelCaption->setText(tr(m_side.caption));
    w.enable->setText(tr("Enable"));
    w.input.caption->setText(tr("Input"));
    w.output.caption->setText(tr("Output"));
    w.reduction.caption->setText(QStringLiteral("G-R"));
    w.thresh.caption->setText(tr("Thresh(dBu)"));
    w.ratio.caption->setText(tr("Ratio"));
    w.attack.caption->setText(tr("Attack(ms)"));
    w.decay.caption->setText(tr("Decay(ms)"));
    w.copy->setText(tr("Copy to"));
    w.reset->setText(tr("Reset"));
}

void QLimiterPanel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QModulePanel::changeEvent(event);
}

void QLimiterPanel::paintEvent(QPaintEvent *)
{
    QStyleOption opt;
    opt.initFrom(this);
    QPainter p(this);
    style()->drawPrimitive(QStyle::PE_Widget, &opt, &p, this);
}

void QLimiterPanel::setChannelName(uchar channel, const QString &name)
{
    if (channel >= channelCount())
        return;
    // Devices that report no name keep the default one on the button.
    m_names[channel] =
        name.isEmpty() ? QString::asprintf("%s%d", m_side.prefix, channel + 1) : name;
    m_w.channels[channel]->setText(m_names[channel]);
}

void QLimiterPanel::connectWidgets()
{
    const Widgets &w = m_w;
    for (int ch = 0; ch < channelCount(); ++ch)
        connect(w.channels[size_t(ch)], &QPushButton::clicked, this,
                [this, ch] { channelChanged(ch); });
    connect(w.enable, &QPushButton::clicked, this, &QLimiterPanel::enableClicked);
    connect(w.thresh.edit, &QLineEdit::editingFinished, this,
            &QLimiterPanel::ThreshEditingFinished);
    connect(w.ratio.edit, &QLineEdit::editingFinished, this, &QLimiterPanel::RatioEditingFinished);
    connect(w.attack.edit, &QLineEdit::editingFinished, this,
            &QLimiterPanel::AttackEditingFinished);
    connect(w.decay.edit, &QLineEdit::editingFinished, this, &QLimiterPanel::DecayEditingFinished);
    connect(w.thresh.knob, &Knob::valueChanged, this, &QLimiterPanel::ThreshChanged);
    connect(w.ratio.knob, &Knob::valueChanged, this, &QLimiterPanel::RatioChanged);
    connect(w.attack.knob, &Knob::valueChanged, this, &QLimiterPanel::AttackChanged);
    connect(w.decay.knob, &Knob::valueChanged, this, &QLimiterPanel::DecayChanged);
    connect(w.copy, &QPushButton::clicked, this, &QLimiterPanel::CopyToClicked);
    connect(w.reset, &QPushButton::clicked, this, &QLimiterPanel::ResetClicked);
}

#include "levelpanel.h"

#include "widgets/language.h"
#include "widgets/qfader.h"
#include "widgets/qmeterwidget.h"
#include "widgets/readout.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyleOption>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
// "-42dBu"; built without QString::arg, as it is ten times a second per channel.
QString meterText(int dBu)
{
    return QString::number(dBu) + QLatin1String("dBu");
}
} // namespace

QLevelPanel::QLevelPanel(quint8 moduleId, int channelCount, QWidget *parent)
    : QModulePanel(moduleId, channelCount, parent), m_mirror(channelCount, LevelChannel{})
{
    setObjectName(isInputSide() ? QStringLiteral("inLevelWidget")
                                : QStringLiteral("outLevelWidget"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(1, 1, 1, 1);
    row->setSpacing(2);
    for (int ch = 0; ch < channelCount; ++ch) {
        buildStrip(ch);
        row->addWidget(m_strips[size_t(ch)].background);
        m_gainSend[size_t(ch)] =
            addDeferredSend([this, ch] { sendSetFloat(CodeGain, quint8(ch), m_mirror[ch].gain); });
    }
    if (isInputSide()) {
        auto *filler = new QWidget(this);
        filler->setObjectName(QStringLiteral("inLevelCtrlBgWidget"));
        row->addWidget(filler);
    }
    retranslate();
}

void QLevelPanel::buildStrip(int ch)
{
    Strip &s = m_strips[size_t(ch)];
    const bool in = isInputSide();
    s.background = new QWidget(this);
    s.background->setObjectName(in ? QStringLiteral("inLevelCtrlBgWidget")
                                   : QStringLiteral("outLevelCtrlBgWidget"));
    if (in)
        s.background->setFixedWidth(140);

    auto label = [&s](const QString &text) {
        auto *l = new QLabel(text, s.background);
        l->setObjectName(QStringLiteral("titleLabel"));
        return l;
    };
    s.title = label(QString::asprintf(in ? "I%d" : "O%d", ch + 1));
    s.title->setFont(QFont(QStringLiteral("Arial"), 9, QFont::Bold));
    s.title->setAlignment(Qt::AlignCenter);
    s.groupLabel = label(QString());
    s.groupLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    s.group = new QComboBox(s.background);
    s.group->addItem(QStringLiteral("-"));
    for (int k = 1; k <= groupCount(); ++k)
        s.group->addItem(QString::number(k));

    s.level = new Readout(meterText(kMeterFloor), QStringLiteral("-100dBu"), s.background);
    s.level->setObjectName(QStringLiteral("titleLabel"));
    s.level->setAlignment(Qt::AlignCenter);
    s.meter = new QMeterWidget(s.background);
    s.meter->setSegmentCount(45);
    s.meter->setFixedSize(24, 220);
    s.meter->setRange(kMeterFloor, 24);
    s.meter->setValue(kMeterFloor);

    s.gainLabel = label(QString());
    s.gainLabel->setAlignment(Qt::AlignCenter);
    s.gainEdit = new QLineEdit(QStringLiteral("0.0"), s.background);
    s.gainEdit->setFixedWidth(36);
    s.gainEdit->setAlignment(Qt::AlignCenter);
    s.gainEdit->setValidator(newGainValidator(s.gainEdit));
    s.fader = new QFader(s.background);
    s.fader->setFixedSize(55, 230);
    s.fader->setRange(kMinGain, kMaxGain);
    s.fader->setDecimals(1);
    s.fader->setStep(0.1f);
    s.fader->setValue(0.0f);

    auto button = [&s](const char *name) {
        auto *b = new QPushButton(s.background);
        b->setObjectName(QLatin1String(name));
        b->setCheckable(true);
        b->setFixedSize(50, 25);
        return b;
    };
    s.mute = button("muteButton");
    s.invert = button("normalButton");

    auto *strip = new QVBoxLayout(s.background);
    strip->setContentsMargins(2, 2, 2, 2);
    strip->addWidget(s.title);
    auto *groupRow = new QHBoxLayout;
    groupRow->setSpacing(8);
    groupRow->addWidget(s.groupLabel);
    groupRow->addWidget(s.group);
    strip->addLayout(groupRow);
    auto *meterColumn = new QVBoxLayout;
    meterColumn->setSpacing(2);
    meterColumn->addWidget(s.level, 0, Qt::AlignHCenter);
    meterColumn->addWidget(s.meter, 0, Qt::AlignHCenter);
    auto *gainColumn = new QVBoxLayout;
    gainColumn->addWidget(s.gainLabel, 0, Qt::AlignHCenter);
    gainColumn->addWidget(s.gainEdit, 0, Qt::AlignHCenter);
    gainColumn->addWidget(s.fader, 0, Qt::AlignHCenter);
    if (in) {
        auto *columns = new QHBoxLayout;
        columns->addLayout(meterColumn);
        columns->addLayout(gainColumn);
        strip->addLayout(columns);
        auto *buttons = new QHBoxLayout;
        buttons->addWidget(s.mute);
        buttons->addWidget(s.invert);
        strip->addLayout(buttons);
    } else {
        meterColumn->addStretch();
        meterColumn->addWidget(s.mute, 0, Qt::AlignHCenter);
        gainColumn->addWidget(s.invert, 0, Qt::AlignHCenter);
        auto *columns = new QHBoxLayout;
        columns->addLayout(meterColumn);
        columns->addLayout(gainColumn);
        strip->addLayout(columns);
    }

    const auto c = uchar(ch);
    connect(s.gainEdit, &QLineEdit::editingFinished, this, [this, c] { gainEditingFinished(c); });
    connect(s.fader, &QFader::valueChanged, this, [this, c](float v) { gainFaderChanged(c, v); });
    connect(s.mute, &QPushButton::clicked, this, [this, c](bool on) { muteClicked(c, on); });
    connect(s.invert, &QPushButton::clicked, this, [this, c](bool on) { invertClicked(c, on); });
    connect(s.group, &QComboBox::currentIndexChanged, this,
            [this, c](int index) { groupChanged(c, index); });
}

void QLevelPanel::retranslate()
{
    const QString family = currentLanguageFont();
    const QFont font(family.isEmpty() ? QStringLiteral("Arial") : family, 8);
    for (int ch = 0; ch < channelCount(); ++ch) {
        Strip &s = m_strips[size_t(ch)];
        s.groupLabel->setText(tr("Group"));
        s.gainLabel->setText(tr("Gain(dBu)"));
        s.mute->setText(tr("Mute"));
        s.invert->setText(tr("Invert"));
        for (QWidget *w : {static_cast<QWidget *>(s.groupLabel), static_cast<QWidget *>(s.level),
                           static_cast<QWidget *>(s.gainLabel), static_cast<QWidget *>(s.gainEdit),
                           static_cast<QWidget *>(s.group), static_cast<QWidget *>(s.mute),
                           static_cast<QWidget *>(s.invert)})
            w->setFont(font);
    }
}

void QLevelPanel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QModulePanel::changeEvent(event);
}

void QLevelPanel::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void QLevelPanel::setChannelName(uchar channel, const QString &name)
{
    // A processor without a name for the channel keeps the numbered title.
    if (hasChannel(channel)) {
        m_strips[channel].title->setText(
            name.isEmpty() ? QString::asprintf(isInputSide() ? "I%d" : "O%d", channel + 1) : name);
    }
}

void QLevelPanel::setMute(uchar channel, bool mute)
{
    setMuteValue(channel, mute);
}

// ---- setters: compare with the mirror, move widgets without signalling ----

void QLevelPanel::setMuteValue(int ch, bool mute)
{
    if (!hasChannel(ch) || m_mirror[ch].mute == quint8(mute))
        return;
    m_mirror[ch].mute = mute ? 1 : 0;
    QPushButton *b = m_strips[size_t(ch)].mute;
    if (b->isChecked() != mute)
        quietly(b, [&] { b->setChecked(mute); });
    emit sigMute(uchar(ch), mute);
}

void QLevelPanel::setInvert(int ch, bool invert)
{
    if (!hasChannel(ch))
        return;
    m_mirror[ch].invert = invert ? 1 : 0;
    QPushButton *b = m_strips[size_t(ch)].invert;
    if (b->isChecked() != invert)
        quietly(b, [&] { b->setChecked(invert); });
}

void QLevelPanel::setGain(int ch, float gain)
{
    if (!hasChannel(ch) || m_mirror[ch].gain == gain)
        return;
    m_mirror[ch].gain = gain;
    QFader *f = m_strips[size_t(ch)].fader;
    quietly(f, [&] { f->setValue(gain); });
    showGainText(ch);
}

void QLevelPanel::showGainText(int ch)
{
    QLineEdit *e = m_strips[size_t(ch)].gainEdit;
    quietly(e, [&] { e->setText(QString::asprintf("%0.1f", double(m_mirror[ch].gain))); });
}

void QLevelPanel::setGroup(int ch, quint8 group)
{
    if (!hasChannel(ch) || group > groupCount())
        return;
    m_mirror[ch].group = group;
    QComboBox *c = m_strips[size_t(ch)].group;
    quietly(c, [&] { c->setCurrentIndex(group); });
}

void QLevelPanel::setMeter(int ch, qint8 value)
{
    if (!hasChannel(ch) || m_mirror[ch].meter == value)
        return;
    m_mirror[ch].meter = qint8(std::max<int>(value, kMeterFloor));
    if (isShown())
        showMeter(ch);
    else
        m_metersStale = true;
    emit sigMeter(uchar(ch), value);
}

void QLevelPanel::showMeter(int ch)
{
    Strip &s = m_strips[size_t(ch)];
    s.level->setText(meterText(m_mirror[ch].meter));
    s.meter->setValue(m_mirror[ch].meter);
}

void QLevelPanel::showEvent(QShowEvent *event)
{
    QModulePanel::showEvent(event);
    if (!m_metersStale)
        return;
    m_metersStale = false;
    for (int ch = 0; ch < channelCount(); ++ch)
        showMeter(ch);
}

void QLevelPanel::linkLost()
{
    for (int ch = 0; ch < channelCount(); ++ch)
        setMeter(ch, kMeterFloor);
    QModulePanel::linkLost();
}

template <typename Fn> void QLevelPanel::linked(int channel, Fn &&fn)
{
    const quint8 group = m_mirror[channel].group;
    if (group == 0) {
        fn(channel);
        return;
    }
    for (int ch = 0; ch < channelCount(); ++ch) {
        if (m_mirror[ch].group == group)
            fn(ch);
    }
}

// ---- user actions ----

void QLevelPanel::muteClicked(uchar channel, bool isChecked)
{
    if (!hasChannel(channel))
        return;
    linked(channel, [&](int ch) { setMuteValue(ch, isChecked); });
    sendSetFlag(CodeMute, channel, isChecked);
}

void QLevelPanel::invertClicked(uchar channel, bool isChecked)
{
    if (!hasChannel(channel))
        return;
    linked(channel, [&](int ch) { setInvert(ch, isChecked); });
    sendSetFlag(CodeInvert, channel, isChecked);
}

void QLevelPanel::groupChanged(uchar channel, int index)
{
    if (!hasChannel(channel) || index < 0 || index > groupCount())
        return;
    m_mirror[channel].group = quint8(index);
    sendSetByte(CodeGroup, channel, quint8(index));
}

void QLevelPanel::gainEditingFinished(uchar channel)
{
    if (!hasChannel(channel))
        return;
    bool ok = false;
    float gain = m_strips[channel].gainEdit->text().toFloat(&ok);
    if (!ok)
        gain = 0.0f;
    gain = std::clamp(gain, kMinGain, kMaxGain);
    linked(channel, [&](int ch) { setGain(ch, gain); });
    showGainText(channel);
    sendSetFloat(CodeGain, channel, m_mirror[channel].gain);
}

void QLevelPanel::gainFaderChanged(uchar channel, float fval)
{
    if (!hasChannel(channel))
        return;
    linked(channel, [&](int ch) { setGain(ch, fval); });
    holdEdits();
    restartDeferredSend(m_gainSend[channel]);
}

template <typename W> int QLevelPanel::senderChannel(W *Strip::*widget) const
{
    const QObject *from = sender();
    for (int ch = 0; from && ch < channelCount(); ++ch) {
        if (m_strips[size_t(ch)].*widget == from)
            return ch;
    }
    return -1;
}

void QLevelPanel::gainEditingFinished()
{
    if (const int ch = senderChannel(&Strip::gainEdit); ch >= 0)
        gainEditingFinished(uchar(ch));
}

void QLevelPanel::gainFaderChanged(float fval)
{
    if (const int ch = senderChannel(&Strip::fader); ch >= 0)
        gainFaderChanged(uchar(ch), fval);
}

void QLevelPanel::muteClicked(bool isChecked)
{
    if (const int ch = senderChannel(&Strip::mute); ch >= 0)
        muteClicked(uchar(ch), isChecked);
}

void QLevelPanel::invertClicked(bool isChecked)
{
    if (const int ch = senderChannel(&Strip::invert); ch >= 0)
        invertClicked(uchar(ch), isChecked);
}

void QLevelPanel::groupChanged(int index)
{
    if (const int ch = senderChannel(&Strip::group); ch >= 0)
        groupChanged(uchar(ch), index);
}

void QLevelPanel::setSecurityState(uchar channel, uchar state)
{
    if (!hasChannel(channel))
        return;
    const Strip &s = m_strips[channel];
    applyLockState(s.background,
                   {s.meter, s.level, s.fader, s.title, s.gainLabel, s.groupLabel, s.group, s.mute,
                    s.invert, s.gainEdit},
                   state);
}

// ---- reports and polling ----

void QLevelPanel::receive(quint8 code, quint8 direction, quint16 length, const uchar *payload)
{
    if (code == CodeMeter) {
        if (isReport(direction, length, quint16(channelCount()))) {
            for (int ch = 0; ch < channelCount(); ++ch)
                setMeter(ch, qint8(payload[ch]));
        }
        return;
    }
    // Inputs hold every other report during a drag, outputs only the gain.
    if (editHeld() && (isInputSide() || code == CodeGain))
        return;
    switch (code) {
    case CodeMute:
        if (const int ch = channelReport(direction, length, payload, 2); ch >= 0)
            setMuteValue(ch, reportFlag(payload[1]));
        break;
    case CodeGain:
        if (const int ch = channelReport(direction, length, payload, 5); ch >= 0) {
            if (const auto gain = reportFloat(payload + 1, kMinGain, kMaxGain))
                setGain(ch, *gain);
        }
        break;
    case CodeInvert:
        if (const int ch = channelReport(direction, length, payload, 2); ch >= 0)
            setInvert(ch, reportFlag(payload[1]));
        break;
    case CodeGroup:
        if (const int ch = channelReport(direction, length, payload, 2); ch >= 0)
            setGroup(ch, payload[1]);
        break;
    case CodeCail:
        if (const int ch = channelReport(direction, length, payload, 5); ch >= 0) {
            if (const auto gain = reportFloat(payload + 1, kMinGain, kMaxGain))
                emit sigCail(uchar(ch), *gain);
        }
        break;
    default:
        break;
    }
}

void QLevelPanel::poll(quint32)
{
    if (every(5)) {
        sendRequest(CodeMeter);
        for (int ch = 0; ch < channelCount(); ++ch)
            sendRequest(CodeMute, quint8(ch));
    }
    if (every(10) && isShown()) {
        sendSecurityRequest();
        for (int ch = 0; ch < channelCount(); ++ch) {
            sendRequest(CodeGain, quint8(ch));
            sendRequest(CodeInvert, quint8(ch));
            sendRequest(CodeGroup, quint8(ch));
        }
    }
}

QInLevel::QInLevel(QWidget *parent) : QLevelPanel(1, kInputChannels, parent) {}

QOutLevel::QOutLevel(QWidget *parent) : QLevelPanel(9, kOutputChannels, parent) {}

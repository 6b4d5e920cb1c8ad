#include "siggenerator.h"

#include "widgets/language.h"
#include "widgets/qfader.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
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
const char *const kSourceTexts[] = {
    QT_TRANSLATE_NOOP("QSigGenerator", "PinkNoise"),
    QT_TRANSLATE_NOOP("QSigGenerator", "Sine"),
    QT_TRANSLATE_NOOP("QSigGenerator", "WhiteNoise"),
};
constexpr int kSourceCount = 3;

// Whole units within the control's range: what the fader and the fields show.
int shown(float value, float lo, float hi)
{
    return int(std::clamp(std::trunc(value), lo, hi));
}
} // namespace

QSigGenerator::QSigGenerator(QWidget *parent) : QModulePanel(kModuleId, kOutputChannels, parent)
{
    setObjectName(QStringLiteral("sigGeneratorWidget"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(1, 1, 1, 1);
    auto *parameters = new QWidget(this);
    parameters->setObjectName(QStringLiteral("sigOutWidget"));
    auto *outputs = new QWidget(this);
    outputs->setObjectName(QStringLiteral("sigOutWidget"));
    buildParameters(parameters);
    buildOutputs(outputs);
    row->addWidget(parameters);
    row->addWidget(outputs);
    m_gainSend = addDeferredSend([this] { sendCode(CodeGain, -1, m_state.gain); });
    retranslate();
}

void QSigGenerator::buildParameters(QWidget *area)
{
    auto title = [area] {
        auto *l = new QLabel(area);
        l->setObjectName(QStringLiteral("titleLabel"));
        l->setAlignment(Qt::AlignCenter);
        return l;
    };
    m_source = new QComboBox(area);
    for (int i = 0; i < kSourceCount; ++i)
        m_source->addItem(QString());
    m_source->setCurrentIndex(m_state.source);
    m_freqLabel = title();
    m_freqEdit = new QLineEdit(QStringLiteral("1000"), area);
    m_freqEdit->setFixedWidth(50);
    m_freqEdit->setAlignment(Qt::AlignCenter);
    m_gainLabel = title();
    m_gainEdit = new QLineEdit(QStringLiteral("-30"), area);
    m_gainEdit->setFixedWidth(40);
    m_gainEdit->setAlignment(Qt::AlignCenter);
    m_gainEdit->setValidator(newGainValidator(m_gainEdit));
    m_fader = new QFader(area);
    m_fader->setFixedSize(55, 200);
    m_fader->setRange(kMinGain, kMaxGain);
    m_fader->setValue(m_state.gain);
    m_mute = new QPushButton(area);
    m_mute->setObjectName(QStringLiteral("muteButton"));
    m_mute->setCheckable(true);
    m_mute->setMinimumSize(65, 30);

    auto *column = new QVBoxLayout(area);
    column->setSpacing(8);
    column->addStretch();
    for (QWidget *w : std::initializer_list<QWidget *>{m_source, m_freqLabel, m_freqEdit,
                                                       m_gainLabel, m_gainEdit, m_fader, m_mute})
        column->addWidget(w, 0, Qt::AlignHCenter);
    column->addStretch();

    connect(m_source, &QComboBox::currentIndexChanged, this, &QSigGenerator::SGSrcChanged);
    connect(m_freqEdit, &QLineEdit::editingFinished, this, &QSigGenerator::freqEditingFinished);
    connect(m_gainEdit, &QLineEdit::editingFinished, this, &QSigGenerator::gainEditingFinished);
    connect(m_fader, &QFader::valueChanged, this, &QSigGenerator::sigGainChanged);
    connect(m_mute, &QPushButton::clicked, this, &QSigGenerator::muteClicked);
}

void QSigGenerator::buildOutputs(QWidget *area)
{
    m_outputLabel = new QLabel(area);
    m_outputLabel->setObjectName(QStringLiteral("titleLabel"));
    m_outputLabel->setAlignment(Qt::AlignCenter);
    auto *grid = new QGridLayout;
    grid->setSpacing(16);
    for (int o = 0; o < kOutputChannels; ++o) {
        auto *b = new QPushButton(QString::asprintf("O%d", o + 1), area);
        b->setObjectName(QStringLiteral("normalButton"));
        b->setCheckable(true);
        b->setFixedSize(116, 35);
        grid->addWidget(b, o / 2, o % 2, o % 2 ? Qt::AlignLeft : Qt::AlignRight);
        m_outputs[size_t(o)] = b;
        const auto out = uchar(o);
        connect(b, &QPushButton::clicked, this,
                [this, out](bool on) { outButtonClicked(out, on); });
    }
    auto *column = new QVBoxLayout(area);
    column->addStretch();
    column->addWidget(m_outputLabel);
    column->addLayout(grid);
    column->addStretch();
}

void QSigGenerator::retranslate()
{
    const QString family = currentLanguageFont();
    const QFont font(family.isEmpty() ? QStringLiteral("Arial") : family, 9);
    for (int i = 0; i < kSourceCount; ++i)
        m_source->setItemText(i, tr(kSourceTexts[i]));
    m_freqLabel->setText(tr("Freq.(Hz)"));
    m_gainLabel->setText(tr("Gain(dBu)"));
    m_mute->setText(tr("Mute"));
    m_outputLabel->setText(tr("Output Channel"));
    for (QWidget *w : std::initializer_list<QWidget *>{m_source, m_freqLabel, m_gainLabel, m_mute,
                                                       m_outputLabel})
        w->setFont(font);
}

void QSigGenerator::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QModulePanel::changeEvent(event);
}

void QSigGenerator::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void QSigGenerator::setChannelName(uchar output, const QString &name)
{
    if (hasChannel(output))
        m_outputs[output]->setText(name.isEmpty() ? QString::asprintf("O%d", output + 1) : name);
}

// ---- setters: compare with the mirror, move widgets without signalling ----

void QSigGenerator::setGain(float gain)
{
    if (m_state.gain == gain)
        return;
    m_state.gain = gain;
    const auto onFader = float(shown(gain, kMinGain, kMaxGain));
    if (m_fader->value() != onFader)
        quietly(m_fader, [&] { m_fader->setValue(onFader); });
    showGainText();
}

void QSigGenerator::showGainText()
{
    const QString text = QString::asprintf("%d", shown(m_state.gain, kMinGain, kMaxGain));
    quietly(m_gainEdit, [&] { m_gainEdit->setText(text); });
}

void QSigGenerator::setFrequency(float hertz)
{
    if (m_state.frequency == hertz)
        return;
    m_state.frequency = hertz;
    showFrequencyText();
}

void QSigGenerator::showFrequencyText()
{
    const int hertz = shown(m_state.frequency, float(kMinFrequency), float(kMaxFrequency));
    quietly(m_freqEdit, [&] { m_freqEdit->setText(QString::asprintf("%d", hertz)); });
}

void QSigGenerator::setSource(quint8 source)
{
    if (source >= kSourceCount || m_state.source == source)
        return;
    m_state.source = source;
    quietly(m_source, [&] { m_source->setCurrentIndex(source); });
}

void QSigGenerator::setMute(bool mute)
{
    if (m_state.mute == quint8(mute))
        return;
    m_state.mute = mute ? 1 : 0;
    if (m_mute->isChecked() != mute)
        quietly(m_mute, [&] { m_mute->setChecked(mute); });
}

void QSigGenerator::setOutput(int output, bool on)
{
    if (m_state.outputs[size_t(output)] == quint8(on))
        return;
    m_state.outputs[size_t(output)] = on ? 1 : 0;
    QPushButton *b = m_outputs[size_t(output)];
    if (b->isChecked() != on)
        quietly(b, [&] { b->setChecked(on); });
}

// ---- user actions ----

void QSigGenerator::outButtonClicked(uchar output, bool isChecked)
{
    if (!hasChannel(output))
        return;
    setOutput(output, isChecked);
    sendCode(CodeOutput, output, isChecked ? 1 : 0);
}

void QSigGenerator::outButtonClicked(bool isChecked)
{
    const auto it = std::find(m_outputs.begin(), m_outputs.end(), sender());
    if (sender() && it != m_outputs.end())
        outButtonClicked(uchar(it - m_outputs.begin()), isChecked);
}

void QSigGenerator::muteClicked(bool isChecked)
{
    setMute(isChecked);
    sendCode(CodeMute, -1, isChecked ? 1 : 0);
}

void QSigGenerator::SGSrcChanged(int index)
{
    if (index < 0 || index >= kSourceCount)
        return;
    // The sine always starts at 1 kHz.
    if (index == kSine && m_state.frequency != kSineFrequency) {
        setFrequency(kSineFrequency);
        sendCode(CodeFrequency, -1, kSineFrequency);
    }
    m_state.source = quint8(index);
    sendCode(CodeSource, -1, m_state.source);
}

void QSigGenerator::freqEditingFinished()
{
    const std::optional<double> typed = typedNumber(m_freqEdit->text());
    if (!typed) {
        showFrequencyText();
        return;
    }
    // Goes out as typed within the audio band; the field shows whole hertz.
    setFrequency(float(std::clamp(*typed, double(kMinFrequency), double(kMaxFrequency))));
    showFrequencyText();
    sendCode(CodeFrequency, -1, m_state.frequency);
}

void QSigGenerator::gainEditingFinished()
{
    const std::optional<double> typed = typedNumber(m_gainEdit->text());
    if (!typed) {
        showGainText();
        return;
    }
    const auto gain = float(std::clamp(std::trunc(*typed), double(kMinGain), double(kMaxGain)));
    setGain(gain);
    showGainText();
    sendCode(CodeGain, -1, m_state.gain);
}

void QSigGenerator::sigGainChanged(float fval)
{
    if (!std::isfinite(fval))
        return;
    setGain(std::clamp(std::trunc(fval), kMinGain, kMaxGain));
    restartDeferredSend(m_gainSend);
    holdEdits();
}

void QSigGenerator::setSecurityState(uchar output, uchar state)
{
    if (hasChannel(output))
        applyLockState(m_outputs[output], {m_outputs[output]}, state);
}

// ---- reports and polling ----

void QSigGenerator::sendCode(Code code, int output, double value)
{
    // Each message of the generator holds one field.
    const model::Message &m = *block().findMessage(code);
    sendField(fieldRef(m, m.fields.front(), output), value);
}

void QSigGenerator::receive(quint8 code, quint8 direction, quint16 length, const uchar *payload)
{
    // Values kept as reported (checked whole by the description); the controls show whole
    // units within their ranges.
    const std::optional<model::Report> report = modelReport(code, direction, length, payload);
    if (!report)
        return;
    const double v = report->number(report->message().fields.front());
    switch (code) {
    case CodeOutput:
        setOutput(report->channel(), v != 0);
        break;
    case CodeFrequency:
        setFrequency(float(v));
        break;
    case CodeSource:
        setSource(quint8(v));
        break;
    case CodeGain:
        if (!editHeld())
            setGain(float(v));
        break;
    case CodeMute:
        setMute(v != 0);
        break;
    default:
        break;
    }
}

void QSigGenerator::poll(quint32)
{
    if (!every(10))
        return;
    // The generator's lock reaches the security page even while this page is hidden.
    sendSecurityRequest();
    if (!isShown())
        return;
    for (int o = 0; o < kOutputChannels; ++o)
        sendRequest(CodeOutput, quint8(o));
    for (quint8 code : {CodeFrequency, CodeSource, CodeMute, CodeGain})
        sendRequest(code);
}

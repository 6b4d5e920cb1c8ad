#include "delaypanel.h"

#include "protocol/blocklimits.h"
#include "widgets/qhslider.h"

#include <QDoubleSpinBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOption>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kRowHeight = 60;
constexpr int kRowSpacing = 65 - kRowHeight;
// Between the columns of a row; the header uses the same, so captions sit over their fields.
constexpr int kColumnSpacing = 15;
} // namespace

QDelayPanel::QDelayPanel(quint8 moduleId, int channelCount, QWidget *parent)
    : QModulePanel(moduleId, channelCount, parent), m_mirror(channelCount, 0.0f)
{
    const bool in = isInputSide();
    auto *content = new QWidget(this);
    content->setObjectName(in ? QStringLiteral("inDelayWidget") : QStringLiteral("outDelayWidget"));
    content->setFixedWidth(720);

    auto *header = new QHBoxLayout;
    header->setSpacing(0);
    header->addSpacing(140 + kColumnSpacing);
    header->addSpacing(280 + kColumnSpacing);
    for (QLabel *&caption : m_captions) {
        caption = new QLabel(content);
        caption->setObjectName(QStringLiteral("delayCaptionLabel"));
        caption->setAlignment(Qt::AlignCenter);
        caption->setFixedWidth(70);
        header->addWidget(caption);
        header->addSpacing(kColumnSpacing);
    }
    header->addStretch();

    auto *rows = new QVBoxLayout(content);
    rows->setContentsMargins(10, 1, 10, 1);
    rows->setSpacing(kRowSpacing);
    rows->addStretch();
    rows->addLayout(header);
    for (int ch = 0; ch < channelCount; ++ch) {
        buildRow(ch, content);
        rows->addWidget(m_rows[size_t(ch)].background);
        m_send[size_t(ch)] = addDeferredSend([this, ch] { sendDelay(ch); });
    }
    rows->addStretch();

    auto *filler = new QWidget(this);
    filler->setObjectName(in ? QStringLiteral("inDelayCtrlBgWidget")
                             : QStringLiteral("delayCtrlBgWidget"));
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(1, 1, 1, 1);
    outer->setSpacing(2);
    outer->addWidget(content);
    outer->addWidget(filler);
    retranslate();
}

QString QDelayPanel::defaultTitle(int ch) const
{
    return QString::asprintf(isInputSide() ? "I%d" : "O%d", ch + 1);
}

void QDelayPanel::buildRow(int ch, QWidget *parent)
{
    Row &r = m_rows[size_t(ch)];
    r.background = new QWidget(parent);
    r.background->setObjectName(isInputSide() ? QStringLiteral("inDelayCtrlBgWidget")
                                              : QStringLiteral("delayCtrlBgWidget"));
    r.background->setFixedSize(700, kRowHeight);

    r.title = new QLabel(defaultTitle(ch), r.background);
    r.title->setObjectName(QStringLiteral("titleLabel"));
    r.title->setFont(QFont(QStringLiteral("Arial"), 10, QFont::Bold));
    r.title->setFixedWidth(140);
    r.title->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    r.slider = new QHSlider(r.background);
    r.slider->setFixedSize(280, 40);
    r.spin = new QDoubleSpinBox(r.background);
    r.spin->setFixedWidth(70);
    r.spin->setDecimals(2);
    r.spin->setAlignment(Qt::AlignCenter);
    // One change per finished edit (Return, focus out) or arrow step, not per keystroke.
    r.spin->setKeyboardTracking(false);
    r.slider->setRange(0.0f, 0.0f);
    r.slider->setDecimals(2);
    applyRange(ch);

    auto readOnly = [&r] {
        auto *e = new QLineEdit(QStringLiteral("0.000"), r.background);
        e->setFixedWidth(70);
        e->setAlignment(Qt::AlignCenter);
        e->setReadOnly(true);
        return e;
    };
    r.metres = readOnly();
    r.feet = readOnly();

    auto *line = new QHBoxLayout(r.background);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(kColumnSpacing);
    line->addWidget(r.title);
    line->addWidget(r.slider);
    line->addWidget(r.spin);
    line->addWidget(r.metres);
    line->addWidget(r.feet);
    line->addStretch();

    const auto c = uchar(ch);
    connect(r.slider, &QHSlider::valueChanged, this, [this, c](float v) { delayChanged(c, v); });
    connect(r.spin, &QDoubleSpinBox::valueChanged, this,
            [this, c](double v) { delayChanged(c, v); });
}

void QDelayPanel::retranslate()
{
    m_captions[0]->setText(tr("Millisecond"));
    m_captions[1]->setText(tr("Meters"));
    m_captions[2]->setText(tr("Feet"));
}

void QDelayPanel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QModulePanel::changeEvent(event);
}

void QDelayPanel::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void QDelayPanel::setChannelName(uchar channel, const QString &name)
{
    // A processor without a name for the channel keeps the numbered title.
    if (hasChannel(channel))
        m_rows[channel].title->setText(name.isEmpty() ? defaultTitle(channel) : name);
}

QString QDelayPanel::metresText(float ms)
{
    return QString::asprintf("%0.3f", double(ms) * kSoundSpeed / 1000.0);
}

QString QDelayPanel::feetText(float ms)
{
    return QString::asprintf("%0.3f", double(ms) * kSoundSpeed / 1000.0 * kFeetPerMetre);
}

float QDelayPanel::maximumDelay(int ch) const
{
    return blocklimits::maximumDelay(isInputSide(), m_reduced, ch);
}

void QDelayPanel::applyRange(int ch)
{
    Row &r = m_rows[size_t(ch)];
    const float max = maximumDelay(ch);
    const double step = m_reduced ? 0.02 : 0.01;
    // The slider pulls its value into the range; neither control signals here.
    r.slider->setRange(0.0f, max);
    r.slider->setStep(float(step));
    quietly(r.spin, [&] {
        r.spin->setRange(0.0, double(max));
        r.spin->setSingleStep(step);
    });
}

void QDelayPanel::setReducedDelayRange(bool reduced)
{
    if (reduced == m_reduced)
        return;
    m_reduced = reduced;
    for (int ch = 0; ch < channelCount(); ++ch) {
        applyRange(ch);
        // What the controls cannot show is not kept either; the processor holds its own.
        m_mirror[ch] = std::min(m_mirror[ch], maximumDelay(ch));
        showDelay(ch);
    }
}

// ---- values ----

void QDelayPanel::setDelay(int ch, float ms)
{
    if (!hasChannel(ch) || m_mirror[ch] == ms)
        return;
    m_mirror[ch] = ms;
    showDelay(ch);
}

void QDelayPanel::showDelay(int ch)
{
    Row &r = m_rows[size_t(ch)];
    const float ms = m_mirror[ch];
    quietly(r.slider, [&] { r.slider->setValue(ms); });
    quietly(r.spin, [&] { r.spin->setValue(double(ms)); });
    r.metres->setText(metresText(ms));
    r.feet->setText(feetText(ms));
}

void QDelayPanel::delayChanged(uchar channel, double value)
{
    if (!hasChannel(channel) || !std::isfinite(value))
        return;
    setDelay(channel, blocklimits::delayStep(value, double(maximumDelay(channel)), m_reduced));
    // The controls show what goes out, also where the rule moved the value.
    showDelay(channel);
    holdEdits();
    restartDeferredSend(m_send[channel]);
}

void QDelayPanel::delaySliderChanged(float value)
{
    const QObject *from = sender();
    for (int ch = 0; from && ch < channelCount(); ++ch) {
        if (m_rows[size_t(ch)].slider == from)
            delayChanged(uchar(ch), double(value));
    }
}

void QDelayPanel::msChanged(double value)
{
    const QObject *from = sender();
    for (int ch = 0; from && ch < channelCount(); ++ch) {
        if (m_rows[size_t(ch)].spin == from)
            delayChanged(uchar(ch), value);
    }
}

void QDelayPanel::setSecurityState(uchar channel, uchar state)
{
    if (!hasChannel(channel))
        return;
    const Row &r = m_rows[channel];
    applyLockState(r.background, {r.title, r.slider, r.spin, r.metres, r.feet}, state);
}

// ---- reports and polling ----

void QDelayPanel::receive(quint8 code, quint8 direction, quint16 length, const uchar *payload)
{
    if (code != kCodeDelay || editHeld())
        return;
    // Checked by the description (length, channel, a finite number), held within the delay
    // line of the channel.
    if (const auto report = modelReport(code, direction, length, payload)) {
        const int ch = report->channel();
        const double ms = report->number(report->message().fields.front());
        setDelay(ch, float(std::clamp(ms, 0.0, double(maximumDelay(ch)))));
    }
}

void QDelayPanel::sendDelay(int ch) const
{
    const model::Message &m = *block().findMessage(kCodeDelay);
    sendField(fieldRef(m, m.fields.front(), ch), m_mirror[ch]);
}

void QDelayPanel::poll(quint32)
{
    if (every(10) && isShown()) {
        sendSecurityRequest();
        for (int ch = 0; ch < channelCount(); ++ch)
            sendRequest(kCodeDelay, quint8(ch));
    }
}

QInDelay::QInDelay(QWidget *parent) : QDelayPanel(6, kInputChannels, parent) {}

QOutDelay::QOutDelay(QWidget *parent) : QDelayPanel(12, kOutputChannels, parent) {}

#include "gatepanel.h"

#include "protocol/typedvalue.h"
#include "widgets/knob.h"

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

#include <cmath>

namespace {
const char *const kThreshPattern = "^-(120|1?[0-9]?[0-9]?)|^(0)";
const char *const kTimePattern = "1000|([0-9]{0,3})";
const char *const kLampClosed = "border-radius:7px;padding:2px 4px;background-color:#707070";
const char *const kLampOpen = "border-radius:7px;padding:2px 4px;background-color:#00FF00";

// The gate's parameter message and its fields in the description.
struct GateFields {
    const model::Message *params = nullptr;
    const model::Field *enable = nullptr;
    std::array<const model::Field *, QGate::ParamCount> param{};
};

const GateFields &gateFields()
{
    static const GateFields fields = [] {
        GateFields f;
        const model::Block *block = model::findBlock("gate");
        f.params = block->findMessage(QGate::CodeParams);
        f.enable = block->findField("enable");
        f.param = {block->findField("threshold"), block->findField("attack"),
                   block->findField("decay")};
        return f;
    }();
    return fields;
}

} // namespace

QGate::QGate(QWidget *parent) : QModulePanel(2, kInputChannels, parent)
{
    for (int ch = 0; ch < kInputChannels; ++ch)
        m_records.push_back(model::Record::factory(*gateFields().params, ch));
    setObjectName(QStringLiteral("gateWidget"));
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(1, 1, 1, 1);
    grid->setSpacing(2);
    for (int ch = 0; ch < kInputChannels; ++ch) {
        buildStrip(ch);
        grid->addWidget(m_strips[size_t(ch)].background, ch / 2, ch % 2);
        for (int p = 0; p < ParamCount; ++p)
            m_send[size_t(ch)][size_t(p)] = addDeferredSend([this, ch] { sendChannel(ch); });
    }
    retranslate();
}

float QGate::held(const GateChannel &record, Param param)
{
    switch (param) {
    case Thresh:
        return record.threshold;
    case Attack:
        return record.attack;
    default:
        return record.decay;
    }
}

int QGate::value(const GateChannel &record, Param param)
{
    return int(model::shownNumber(*gateFields().param[size_t(param)], held(record, param)));
}

GateChannel QGate::channelState(int channel) const
{
    const GateFields &f = gateFields();
    const model::Record &r = m_records[size_t(channel)];
    return {quint8(r.number(*f.enable)), float(r.number(*f.param[Thresh])),
            float(r.number(*f.param[Attack])), float(r.number(*f.param[Decay]))};
}

void QGate::buildStrip(int ch)
{
    Strip &s = m_strips[size_t(ch)];
    s.background = new QWidget(this);
    s.background->setObjectName(QStringLiteral("gateCtrlBgWidget"));

    s.title = new QLabel(QString::asprintf("I%d", ch + 1), s.background);
    s.title->setObjectName(QStringLiteral("titleLabel"));
    s.title->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    s.enable = new QPushButton(s.background);
    s.enable->setObjectName(QStringLiteral("normalButton"));
    s.enable->setCheckable(true);
    s.enable->setFixedSize(70, 30);
    s.lamp = new QPushButton(s.background);
    s.lamp->setFixedSize(15, 15);
    s.lamp->setEnabled(false);
    s.lamp->setStyleSheet(QLatin1String(kLampClosed));

    auto *columns = new QHBoxLayout;
    auto *enableColumn = new QVBoxLayout;
    enableColumn->addStretch();
    enableColumn->addWidget(s.enable, 0, Qt::AlignHCenter);
    enableColumn->addWidget(s.lamp, 0, Qt::AlignHCenter);
    enableColumn->addStretch();
    columns->addLayout(enableColumn);

    const auto c = uchar(ch);
    for (int p = 0; p < ParamCount; ++p) {
        const auto param = Param(p);
        ParamWidgets &w = s.params[size_t(p)];
        w.caption = new QLabel(s.background);
        w.caption->setObjectName(QStringLiteral("titleLabel"));
        w.caption->setAlignment(Qt::AlignCenter);
        w.edit = new QLineEdit(QString::number(value(channelState(ch), param)), s.background);
        w.edit->setFixedSize(50, 20);
        w.edit->setAlignment(Qt::AlignCenter);
        w.edit->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QLatin1String(param == Thresh ? kThreshPattern : kTimePattern)),
            w.edit));
        w.knob = new Knob(s.background);
        w.knob->setFixedSize(70, 70);
        w.knob->setMinimum(float(minimum(param)));
        w.knob->setMaximum(float(maximum(param)));
        w.knob->setValue(float(value(channelState(ch), param)));

        auto *column = new QVBoxLayout;
        column->addWidget(w.caption, 0, Qt::AlignHCenter);
        column->addWidget(w.edit, 0, Qt::AlignHCenter);
        column->addWidget(w.knob, 0, Qt::AlignHCenter);
        columns->addLayout(column);

        connect(w.edit, &QLineEdit::editingFinished, this,
                [this, c, param] { paramEditingFinished(c, param); });
        connect(w.knob, &Knob::valueChanged, this,
                [this, c, param](float v) { paramKnobChanged(c, param, v); });
    }

    auto *strip = new QVBoxLayout(s.background);
    strip->setContentsMargins(4, 2, 4, 2);
    strip->addWidget(s.title);
    strip->addLayout(columns);
    strip->addWidget(new QLabel(s.background));

    connect(s.enable, &QPushButton::clicked, this, [this, c](bool on) { enableClicked(c, on); });
}

void QGate::retranslate()
{
    for (Strip &s : m_strips) {
        s.enable->setText(tr("Enable"));
        s.params[Thresh].caption->setText(tr("Thresh(dBu)"));
        s.params[Attack].caption->setText(tr("Attack(ms)"));
        s.params[Decay].caption->setText(tr("Decay(ms)"));
    }
}

void QGate::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QModulePanel::changeEvent(event);
}

void QGate::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void QGate::setChannelName(uchar channel, const QString &name)
{
    // A processor without a name for the channel keeps the numbered title.
    if (hasChannel(channel))
        m_strips[channel].title->setText(name.isEmpty() ? QString::asprintf("I%d", channel + 1)
                                                        : name);
}

// ---- setters: compare with the mirror, move widgets without signalling ----

void QGate::setEnable(int ch, bool enable)
{
    if (!hasChannel(ch))
        return;
    m_records[size_t(ch)].setNumber(*gateFields().enable, enable ? 1 : 0);
    showChannel(ch);
}

void QGate::setParam(int ch, Param param, double v)
{
    const model::Field &field = *gateFields().param[size_t(param)];
    if (!hasChannel(ch) || m_records[size_t(ch)].number(field) == v)
        return;
    m_records[size_t(ch)].setNumber(field, v);
    showChannel(ch);
}

// The strip follows the channel's record; widgets that already show it are not touched.
void QGate::showChannel(int ch)
{
    const GateChannel r = channelState(ch);
    const Strip &s = m_strips[size_t(ch)];
    const bool enable = r.enable != 0;
    if (s.enable->isChecked() != enable)
        quietly(s.enable, [&] { s.enable->setChecked(enable); });
    for (int p = 0; p < ParamCount; ++p) {
        Knob *k = s.params[size_t(p)].knob;
        const auto shown = float(value(r, Param(p)));
        if (k->value() != shown)
            quietly(k, [&] { k->setValue(shown); });
        showParam(ch, Param(p));
    }
}

void QGate::showParam(int ch, Param param)
{
    QLineEdit *e = m_strips[size_t(ch)].params[size_t(param)].edit;
    const QString text = QString::asprintf("%d", value(channelState(ch), param));
    if (e->text() != text)
        quietly(e, [&] { e->setText(text); });
}

void QGate::setOpen(int ch, bool open)
{
    if (m_open[size_t(ch)] == open)
        return;
    m_open[size_t(ch)] = open;
    m_strips[size_t(ch)].lamp->setStyleSheet(QLatin1String(open ? kLampOpen : kLampClosed));
    emit sigOpenState(uchar(ch), open);
}

void QGate::sendChannel(int ch) const
{
    // The whole channel goes out as held: the reported bytes with the edits made since.
    const GateFields &f = gateFields();
    const model::Record &r = m_records[size_t(ch)];
    sendField(fieldRef(*f.params, *f.enable, ch), r.number(*f.enable), r.bytes());
}

// ---- user actions ----

void QGate::enableClicked(uchar channel, bool isChecked)
{
    if (!hasChannel(channel))
        return;
    setEnable(channel, isChecked);
    sendChannel(channel);
}

void QGate::paramEditingFinished(uchar channel, Param param)
{
    if (!hasChannel(channel) || param < 0 || param >= ParamCount)
        return;
    const QString text = m_strips[channel].params[size_t(param)].edit->text();
    const std::optional<int> v = typedInt(text, minimum(param), maximum(param));
    if (v)
        setParam(channel, param, double(*v));
    // A refused text gives way to the value held; an accepted one shows as it is sent.
    showParam(channel, param);
    if (v)
        sendChannel(channel);
}

void QGate::paramKnobChanged(uchar channel, Param param, float v)
{
    if (!hasChannel(channel) || param < 0 || param >= ParamCount)
        return;
    const std::optional<int> whole = truncatedInt(v, minimum(param), maximum(param));
    if (!whole)
        return;
    setParam(channel, param, double(*whole));
    holdEdits();
    restartDeferredSend(m_send[channel][size_t(param)]);
}

int QGate::senderChannel(Param param, bool edit) const
{
    const QObject *from = sender();
    for (int ch = 0; from && ch < channelCount(); ++ch) {
        const ParamWidgets &w = m_strips[size_t(ch)].params[size_t(param)];
        if (from == (edit ? static_cast<QObject *>(w.edit) : static_cast<QObject *>(w.knob)))
            return ch;
    }
    return -1;
}

void QGate::enableClicked(bool isChecked)
{
    const QObject *from = sender();
    for (int ch = 0; from && ch < channelCount(); ++ch) {
        if (m_strips[size_t(ch)].enable == from)
            enableClicked(uchar(ch), isChecked);
    }
}

void QGate::threshEditingFinished()
{
    if (const int ch = senderChannel(Thresh, true); ch >= 0)
        paramEditingFinished(uchar(ch), Thresh);
}

void QGate::attackEditingFinished()
{
    if (const int ch = senderChannel(Attack, true); ch >= 0)
        paramEditingFinished(uchar(ch), Attack);
}

void QGate::decayEditingFinished()
{
    if (const int ch = senderChannel(Decay, true); ch >= 0)
        paramEditingFinished(uchar(ch), Decay);
}

void QGate::threshChanged(float v)
{
    if (const int ch = senderChannel(Thresh, false); ch >= 0)
        paramKnobChanged(uchar(ch), Thresh, v);
}

void QGate::attackChanged(float v)
{
    if (const int ch = senderChannel(Attack, false); ch >= 0)
        paramKnobChanged(uchar(ch), Attack, v);
}

void QGate::decayChanged(float v)
{
    if (const int ch = senderChannel(Decay, false); ch >= 0)
        paramKnobChanged(uchar(ch), Decay, v);
}

void QGate::setSecurityState(uchar channel, uchar state)
{
    if (!hasChannel(channel))
        return;
    const Strip &s = m_strips[channel];
    QList<QWidget *> controls{s.title, s.enable, s.lamp};
    for (const ParamWidgets &w : s.params)
        controls << w.caption << w.edit << w.knob;
    applyLockState(s.background, controls, state);
}

// ---- reports and polling ----

void QGate::receive(quint8 code, quint8 direction, quint16 length, const uchar *payload)
{
    if (code == CodeOpenState) {
        // Lamps follow the processor also while a knob is held.
        if (const auto report = modelReport(code, direction, length, payload)) {
            const model::Field &open = report->message().fields.front();
            for (int ch = 0; ch < kInputChannels; ++ch)
                setOpen(ch, report->number(open, ch) != 0);
        }
        return;
    }
    if (editHeld() || code != CodeParams)
        return;
    // Taken whole or not at all; kept as reported, shown truncated and clamped.
    const std::optional<model::Report> report = modelReport(code, direction, length, payload);
    if (!report)
        return;
    const std::optional<model::Record> record = model::Record::fromReport(*report);
    const int ch = report->channel();
    if (!record || !hasChannel(ch) || *record == m_records[size_t(ch)])
        return;
    m_records[size_t(ch)] = *record;
    showChannel(ch);
}

void QGate::poll(quint32)
{
    if (every(5))
        sendRequest(CodeOpenState);
    if (every(10) && isShown()) {
        sendSecurityRequest();
        for (int ch = 0; ch < kInputChannels; ++ch)
            sendRequest(CodeParams, quint8(ch));
    }
}

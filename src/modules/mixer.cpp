#include "mixer.h"

#include "mixbutton.h"
#include "widgets/language.h"
#include "widgets/qfader.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStyleOption>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
QString gainText(int gain)
{
    return QString::asprintf("%ddBu", gain);
}

// What the controls show of a crosspoint gain the processor may report beyond their range.
int shownGain(int gain)
{
    return std::clamp(gain, QMixer::kMinGain, QMixer::kMaxGain);
}

QFont boldFont()
{
    return QFont(QStringLiteral("Arial"), 9, QFont::Bold);
}
} // namespace

QMixer::QMixer(QWidget *parent) : QModulePanel(kModuleId, kOutputChannels, parent)
{
    setObjectName(QStringLiteral("mixerWidget"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(2);
    layout->addWidget(buildMatrix());
    layout->addWidget(buildStrips());
    for (int i = 0; i < kInputChannels; ++i) {
        m_gainSend[idx(i)] = addDeferredSend([this, i] { sendGain(m_gainOutput[idx(i)], i); });
    }
    m_rows[0]->setSelected(true);
    for (int i = 0; i < kInputChannels; ++i)
        showStrip(i);
    retranslate();
}

QWidget *QMixer::buildMatrix()
{
    auto *area = new QWidget(this);
    area->setObjectName(QStringLiteral("mixerCtrlBgWidget"));
    // Fixed geometry inside: the area has to hold the rows and the two buttons.
    area->setMinimumSize(690, 400);
    for (int i = 0; i < kInputChannels; ++i) {
        auto *header = new QLabel(QString::asprintf("I%d", i + 1), area);
        header->setFont(boldFont());
        header->setAlignment(Qt::AlignCenter);
        header->setGeometry(35 + 104 * i, 5, 130, 20);
        m_headers[idx(i)] = header;
    }
    for (int o = 0; o < kOutputChannels; ++o) {
        auto *row = new QMixRect(area);
        row->setGeometry(29, 30 + 45 * o, 568, 43);
        auto *caption = new QLabel(QString::asprintf("O%d", o + 1), row);
        caption->setFont(boldFont());
        caption->setGeometry(440, 15, 125, 15);
        m_rows[idx(o)] = row;
        m_rowCaptions[idx(o)] = caption;
        const auto out = uchar(o);
        connect(row, &QMixRect::Clicked, this, [this, out] { outRectClicked(out); });
        for (int i = 0; i < kInputChannels; ++i) {
            auto *b = new QMixButton(row);
            b->setGeometry(30 + 104 * i, 4, 84, 35);
            b->setText(gainText(0));
            m_buttons[idx(o)][idx(i)] = b;
            const auto in = uchar(i);
            connect(b, &QMixButton::select, this, [this, out] { mixButtonSelect(out); });
            connect(b, &QMixButton::DoubleClick, this,
                    [this, out, in](bool on) { mixButtonDoubleClicked(out, in, on); });
        }
    }
    auto wholeMatrixButton = [area](int y) {
        auto *b = new QPushButton(area);
        b->setObjectName(QStringLiteral("normalButton"));
        b->setGeometry(616, y, 65, 30);
        return b;
    };
    m_allMix = wholeMatrixButton(168);
    m_reset = wholeMatrixButton(214);
    connect(m_allMix, &QPushButton::clicked, this, &QMixer::allMixButtonClicked);
    connect(m_reset, &QPushButton::clicked, this, &QMixer::resetButtonClicked);
    return area;
}

QWidget *QMixer::buildStrips()
{
    m_stripArea = new QWidget(this);
    m_stripArea->setObjectName(QStringLiteral("mixerCtrlBgWidget"));
    m_stripArea->setFixedWidth(410);
    m_caption = new QLabel(QStringLiteral("O1"), m_stripArea);
    m_caption->setObjectName(QStringLiteral("titleLabel"));
    m_caption->setFont(boldFont());
    m_caption->setGeometry(10, 5, 150, 20);
    for (int i = 0; i < kInputChannels; ++i) {
        Strip &s = m_strips[idx(i)];
        s.background = new QWidget(m_stripArea);
        s.background->setObjectName(QStringLiteral("mixerInBgWidget"));
        s.background->setGeometry(5 + 101 * i, 40, 96, 362);
        s.title = new QLabel(QString::asprintf("I%d", i + 1), s.background);
        s.title->setFont(boldFont());
        s.title->setAlignment(Qt::AlignCenter);
        s.gainLabel = new QLabel(s.background);
        s.gainLabel->setAlignment(Qt::AlignCenter);
        s.gainEdit = new QLineEdit(QStringLiteral("0"), s.background);
        s.gainEdit->setFixedWidth(40);
        s.gainEdit->setAlignment(Qt::AlignCenter);
        s.fader = new QFader(s.background);
        s.fader->setFixedSize(55, 230);
        s.fader->setRange(float(kMinGain), float(kMaxGain));
        s.fader->setValue(0.0f);
        s.enable = new QPushButton(s.background);
        s.enable->setObjectName(QStringLiteral("normalButton"));
        s.enable->setCheckable(true);
        s.enable->setMinimumSize(65, 30);
        auto *column = new QVBoxLayout(s.background);
        for (QWidget *w :
             std::initializer_list<QWidget *>{s.title, s.gainLabel, s.gainEdit, s.fader, s.enable})
            column->addWidget(w, 0, Qt::AlignHCenter);

        const auto in = uchar(i);
        connect(s.gainEdit, &QLineEdit::editingFinished, this,
                [this, in] { gainEditingFinished(in); });
        connect(s.fader, &QFader::valueChanged, this,
                [this, in](float v) { gainFaderChanged(in, v); });
        connect(s.enable, &QPushButton::clicked, this,
                [this, in](bool on) { inEnableClicked(in, on); });
    }
    return m_stripArea;
}

void QMixer::retranslate()
{
    const QString family = currentLanguageFont();
    const QFont font(family.isEmpty() ? QStringLiteral("Arial") : family, 9);
    for (Strip &s : m_strips) {
        s.gainLabel->setText(tr("Gain(dBu)"));
        s.enable->setText(tr("Enable"));
        s.gainLabel->setFont(font);
        s.enable->setFont(font);
    }
    m_allMix->setText(tr("All Mix"));
    m_reset->setText(tr("Reset"));
    m_allMix->setFont(font);
    m_reset->setFont(font);
}

void QMixer::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QModulePanel::changeEvent(event);
}

void QMixer::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void QMixer::setInChannelName(uchar input, const QString &name)
{
    if (input < kInputChannels)
        m_headers[input]->setText(name.isEmpty() ? QString::asprintf("I%d", input + 1) : name);
}

void QMixer::setOutChannelName(uchar output, const QString &name)
{
    if (output >= kOutputChannels)
        return;
    const QString text = name.isEmpty() ? QString::asprintf("O%d", output + 1) : name;
    m_rowCaptions[output]->setText(text);
    if (output == m_selected)
        m_caption->setText(text);
}

// ---- the mirror and what shows it ----

void QMixer::setEnable(int output, int input, bool on)
{
    if (!valid(output, input) || m_enable[idx(output)][idx(input)] == quint8(on))
        return;
    m_enable[idx(output)][idx(input)] = on ? 1 : 0;
    m_buttons[idx(output)][idx(input)]->setOn(on);
    if (output == m_selected)
        showStrip(input);
}

void QMixer::setGain(int output, int input, int gain)
{
    if (!valid(output, input) || m_gain[idx(output)][idx(input)] == gain)
        return;
    m_gain[idx(output)][idx(input)] = qint8(gain);
    m_buttons[idx(output)][idx(input)]->setText(gainText(shownGain(gain)));
    if (output == m_selected)
        showStrip(input);
}

// The strip of one input shows its crosspoint on the selected output.
void QMixer::showStrip(int input)
{
    const Strip &s = m_strips[idx(input)];
    const int gain = shownGain(m_gain[idx(m_selected)][idx(input)]);
    const bool on = m_enable[idx(m_selected)][idx(input)] != 0;
    if (s.fader->value() != float(gain))
        quietly(s.fader, [&] { s.fader->setValue(float(gain)); });
    const QString text = QString::number(gain);
    if (s.gainEdit->text() != text)
        quietly(s.gainEdit, [&] { s.gainEdit->setText(text); });
    if (s.enable->isChecked() != on)
        quietly(s.enable, [&] { s.enable->setChecked(on); });
}

void QMixer::selectOutput(int output)
{
    if (output < 0 || output >= kOutputChannels)
        return;
    if (output != m_selected) {
        // A gain still waiting to go out belongs to the output it was edited on.
        for (int id : m_gainSend)
            fireDeferredSend(id);
        m_rows[idx(m_selected)]->setSelected(false);
        m_rows[idx(output)]->setSelected(true);
        m_selected = output;
        for (int i = 0; i < kInputChannels; ++i)
            showStrip(i);
        m_caption->setText(m_rowCaptions[idx(output)]->text());
        applyLocks();
    }
    emit outputChanged(uchar(output));
}

void QMixer::selectChannel(int output)
{
    selectOutput(output);
}

void QMixer::sendGain(int output, int input)
{
    const model::Message &m = *block().findMessage(CodeGain);
    sendField(fieldRef(m, m.fields[idx(input)], output), m_gain[idx(output)][idx(input)]);
}

void QMixer::sendEnable(int output, int input)
{
    const model::Message &m = *block().findMessage(CodeEnable);
    sendField(fieldRef(m, m.fields[idx(input)], output), m_enable[idx(output)][idx(input)]);
}

// ---- user actions ----

void QMixer::mixButtonSelect(uchar output)
{
    selectOutput(output);
}

void QMixer::outRectClicked(uchar output)
{
    selectOutput(output);
}

void QMixer::mixButtonDoubleClicked(uchar output, uchar input, bool on)
{
    if (!valid(output, input))
        return;
    setEnable(output, input, on);
    // The button has already switched itself; keep it and the mirror together.
    m_buttons[output][input]->setOn(on);
    sendEnable(output, input);
}

void QMixer::inEnableClicked(uchar input, bool isChecked)
{
    if (input >= kInputChannels)
        return;
    setEnable(m_selected, input, isChecked);
    sendEnable(m_selected, input);
}

void QMixer::gainEditingFinished(uchar input)
{
    if (input >= kInputChannels)
        return;
    const std::optional<double> typed = typedNumber(m_strips[input].gainEdit->text());
    if (typed) {
        // Whole dB toward zero: "-5.5" is -5, not a jump to 0.
        const double bounded = std::clamp(std::trunc(*typed), double(kMinGain), double(kMaxGain));
        setGain(m_selected, input, int(bounded));
    }
    showStrip(input);
    if (typed)
        sendGain(m_selected, input);
}

void QMixer::gainFaderChanged(uchar input, float fval)
{
    if (input >= kInputChannels || !std::isfinite(fval))
        return;
    const int gain = int(std::clamp(std::trunc(fval), float(kMinGain), float(kMaxGain)));
    if (m_gain[idx(m_selected)][input] != gain) {
        m_gain[idx(m_selected)][input] = qint8(gain);
        m_buttons[idx(m_selected)][input]->setText(gainText(gain));
        const Strip &s = m_strips[input];
        quietly(s.gainEdit, [&] { s.gainEdit->setText(QString::number(gain)); });
    }
    m_gainOutput[input] = m_selected;
    restartDeferredSend(m_gainSend[input]);
    holdEdits();
}

void QMixer::allMixButtonClicked()
{
    setWholeMatrix(true, tr("All Mix"), tr("Enable all mixer and set their value to 0dB?"));
}

void QMixer::resetButtonClicked()
{
    setWholeMatrix(false, tr("Reset"), tr("Disable all mixer and set their value to 0dB?"));
}

void QMixer::setWholeMatrix(bool on, const QString &title, const QString &text)
{
    // A locked output is never changed behind the lock.
    if (std::any_of(m_lock.begin(), m_lock.end(), [](quint8 s) { return s != 0; }))
        return;
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, this);
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.exec();
    if (box.clickedButton() != ok)
        return;
    holdEdits();
    const ChangeRecorder::Group group(title);
    const quint8 v = on ? 1 : 0;
    for (int o = 0; o < kOutputChannels; ++o) {
        for (int i = 0; i < kInputChannels; ++i) {
            setEnable(o, i, on);
            setGain(o, i, 0);
        }
        const quint8 enables[5] = {0, 1, 2, 3, v};
        const quint8 gains[5] = {0, 1, 2, 3, 0};
        sendSet(CodeEnable, quint8(o), enables, 5);
        sendSet(CodeGain, quint8(o), gains, 5);
    }
}

// ---- the same actions for a widget's own signal ----

void QMixer::mixButtonSelect()
{
    for (int o = 0; o < kOutputChannels; ++o) {
        for (int i = 0; i < kInputChannels; ++i) {
            if (sender() && m_buttons[idx(o)][idx(i)] == sender())
                mixButtonSelect(uchar(o));
        }
    }
}

void QMixer::mixButtonDoubleClicked(bool on)
{
    for (int o = 0; o < kOutputChannels; ++o) {
        for (int i = 0; i < kInputChannels; ++i) {
            if (sender() && m_buttons[idx(o)][idx(i)] == sender())
                mixButtonDoubleClicked(uchar(o), uchar(i), on);
        }
    }
}

void QMixer::outRectClicked()
{
    for (int o = 0; o < kOutputChannels; ++o) {
        if (sender() && m_rows[idx(o)] == sender())
            outRectClicked(uchar(o));
    }
}

void QMixer::gainEditingFinished()
{
    for (int i = 0; i < kInputChannels; ++i) {
        if (sender() && m_strips[idx(i)].gainEdit == sender())
            gainEditingFinished(uchar(i));
    }
}

void QMixer::gainFaderChanged(float fval)
{
    for (int i = 0; i < kInputChannels; ++i) {
        if (sender() && m_strips[idx(i)].fader == sender())
            gainFaderChanged(uchar(i), fval);
    }
}

void QMixer::inEnableClicked(bool isChecked)
{
    for (int i = 0; i < kInputChannels; ++i) {
        if (sender() && m_strips[idx(i)].enable == sender())
            inEnableClicked(uchar(i), isChecked);
    }
}

// ---- lock states ----

void QMixer::setSecurityState(uchar output, uchar state)
{
    if (output >= kOutputChannels)
        return;
    m_lock[output] = state;
    applyLocks();
}

void QMixer::applyLocks()
{
    for (int o = 0; o < kOutputChannels; ++o) {
        const quint8 state = m_lock[idx(o)];
        m_rows[idx(o)]->setVisible(state <= 1);
        m_rows[idx(o)]->setEnabled(state == 0);
    }
    const quint8 selected = m_lock[idx(m_selected)];
    if (selected <= 1)
        m_stripArea->setEnabled(selected == 0);
    QList<QWidget *> stripControls{m_caption};
    for (const Strip &s : m_strips)
        stripControls.append(s.background);
    for (QWidget *w : stripControls)
        w->setVisible(selected <= 1);
    // The whole-matrix buttons would change every output: usable only while none is locked.
    const bool anyLocked = std::any_of(m_lock.begin(), m_lock.end(), [](quint8 s) { return s; });
    m_allMix->setVisible(selected <= 1);
    m_reset->setVisible(selected <= 1);
    m_allMix->setEnabled(!anyLocked);
    m_reset->setEnabled(!anyLocked);
}

// ---- reports and polling ----

void QMixer::receive(quint8 code, quint8 direction, quint16 length, const uchar *payload)
{
    if (editHeld() || (code != CodeEnable && code != CodeGain))
        return;
    const std::optional<model::Report> report = modelReport(code, direction, length, payload);
    if (!report)
        return;
    // One field per input; gains kept as reported, shown clamped.
    const int output = report->channel();
    for (const model::Field &f : report->message().fields) {
        const double v = report->number(f);
        if (code == CodeEnable)
            setEnable(output, f.index, v != 0);
        else
            setGain(output, f.index, int(v));
    }
}

void QMixer::showRecorded(quint8 code, const QByteArray &setPayload)
{
    if (setPayload.size() != 3)
        return;
    const int output = quint8(setPayload[0]);
    const int input = quint8(setPayload[1]);
    if (code == CodeEnable)
        setEnable(output, input, reportFlag(quint8(setPayload[2])));
    else if (code == CodeGain)
        setGain(output, input, qint8(setPayload[2]));
}

void QMixer::poll(quint32)
{
    if (!every(10) || !isShown())
        return;
    sendSecurityRequest();
    for (int o = 0; o < kOutputChannels; ++o) {
        sendRequest(CodeEnable, quint8(o));
        sendRequest(CodeGain, quint8(o));
    }
}

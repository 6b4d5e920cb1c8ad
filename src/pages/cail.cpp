#include "cail.h"

#include "modules/moduleclock.h"
#include "modules/modulepanel.h"
#include "protocol/payload.h"
#include "protocol/transport.h"
#include "widgets/qfader.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const char *const kGainPattern = R"(^-(70|[1-6]?\d(\.\d{1})?)|^(12|(1[0-1]?|\d)(\.\d{1})?)$)";
constexpr float kMinGain = -70.0f;
constexpr float kMaxGain = 12.0f;
} // namespace

QCail::QCail(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("cailDialog"));
    setFixedSize(960, 350);
    QFont f = font();
    f.setFamily(QStringLiteral("Arial"));
    setFont(f);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(1, 1, 1, 1);
    row->setSpacing(2);
    for (int ch = 0; ch < kInputs; ++ch)
        row->addWidget(buildStrip(Side::Input, ch, m_in[size_t(ch)]));

    auto *middle = new QWidget(this);
    middle->setObjectName(QStringLiteral("outlevelCailWidget"));
    auto *column = new QVBoxLayout(middle);
    m_mix = new QPushButton(tr("Mix"), middle);
    m_mix->setObjectName(QStringLiteral("normalButton"));
    m_mix->setCheckable(true);
    m_mix->setFixedSize(55, 30);
    m_reset = new QPushButton(tr("System \nReset"), middle);
    m_reset->setObjectName(QStringLiteral("normalButton"));
    m_reset->setFixedSize(64, 48);
    column->addStretch();
    column->addWidget(m_mix, 0, Qt::AlignHCenter);
    column->addWidget(m_reset, 0, Qt::AlignHCenter);
    column->addStretch();
    row->addWidget(middle);
    connect(m_mix, &QPushButton::clicked, this, &QCail::mixClicked);
    connect(m_reset, &QPushButton::clicked, this, &QCail::systemResetClicked);

    for (int ch = 0; ch < kOutputs; ++ch)
        row->addWidget(buildStrip(Side::Output, ch, m_out[size_t(ch)]));

    ModuleClock::instance().add(
        this, [this] { clockTick(); }, [this] { return quietTicks(); });
}

QWidget *QCail::buildStrip(Side side, int ch, Strip &s)
{
    const bool in = side == Side::Input;
    auto *bg = new QWidget(this);
    bg->setObjectName(in ? QStringLiteral("inlevelCailWidget")
                         : QStringLiteral("outlevelCailWidget"));
    s.caption = new QLabel(QString::asprintf(in ? "I%d" : "O%d", ch + 1), bg);
    s.caption->setObjectName(QStringLiteral("titleLabel"));
    s.caption->setAlignment(Qt::AlignCenter);
    QFont captionFont = s.caption->font();
    captionFont.setPointSize(9);
    captionFont.setWeight(QFont::Bold);
    s.caption->setFont(captionFont);
    auto *unit = new QLabel(QStringLiteral("dB"), bg);
    unit->setObjectName(QStringLiteral("titleLabel"));
    unit->setAlignment(Qt::AlignCenter);
    s.edit = new QLineEdit(QStringLiteral("0.0"), bg);
    QFont editFont = s.edit->font();
    editFont.setPointSize(8);
    s.edit->setFont(editFont);
    s.edit->setAlignment(Qt::AlignCenter);
    s.edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QLatin1String(kGainPattern)), s.edit));
    s.fader = new QFader(bg);
    s.fader->setFixedSize(56, 250);
    s.fader->setRange(kMinGain, kMaxGain);
    s.fader->setDecimals(1);
    s.fader->setStep(0.1f);
    s.fader->setValue(0.0f);

    auto *column = new QVBoxLayout(bg);
    column->setContentsMargins(1, 1, 1, 1);
    column->addWidget(s.caption);
    column->addWidget(unit);
    column->addWidget(s.edit);
    column->addWidget(s.fader, 0, Qt::AlignHCenter);

    const auto c = uchar(ch);
    if (in) {
        connect(s.edit, &QLineEdit::editingFinished, this,
                [this, c] { inlevelGainEditingFinished(c); });
        connect(s.fader, &QFader::valueChanged, this,
                [this, c](float v) { inlevelFaderChanged(c, v); });
    } else {
        connect(s.edit, &QLineEdit::editingFinished, this,
                [this, c] { outlevelGainEditingFinished(c); });
        connect(s.fader, &QFader::valueChanged, this,
                [this, c](float v) { outlevelFaderChanged(c, v); });
    }
    return bg;
}

bool QCail::valid(Side side, int channel) const
{
    return channel >= 0 && channel < (side == Side::Input ? kInputs : kOutputs);
}

void QCail::display(Side side, int ch, float gain)
{
    const bool in = side == Side::Input;
    (in ? m_inGain[size_t(ch)] : m_outGain[size_t(ch)]) = gain;
    const Strip &s = in ? m_in[size_t(ch)] : m_out[size_t(ch)];
    {
        const QSignalBlocker blocker(s.fader);
        s.fader->setValue(gain);
    }
    const QSignalBlocker blocker(s.edit);
    s.edit->setText(QString::asprintf("%0.1f", double(gain)));
}

int QCail::quietTicks() const
{
    auto pending = [](const DeferredSend &d) { return d.pending != 0; };
    if (m_editHold.isSet() || std::any_of(m_inSend.begin(), m_inSend.end(), pending) ||
        std::any_of(m_outSend.begin(), m_outSend.end(), pending))
        return 0;
    if (!proto::Transport::instance().isLinked())
        return ModuleClock::kIdle;
    if (!isVisible())
        return ModuleClock::kMaxQuietTicks;
    return 9 - int(m_tick % 10);
}

void QCail::userChange(Side side, int ch, float gain)
{
    display(side, ch, gain);
    (side == Side::Input ? m_inSend[size_t(ch)] : m_outSend[size_t(ch)]).restart();
    m_editHold.set();
}

void QCail::editingFinished(Side side, int ch)
{
    if (!valid(side, ch))
        return;
    QLineEdit *edit = (side == Side::Input ? m_in[size_t(ch)] : m_out[size_t(ch)]).edit;
    bool ok = false;
    const float typed = edit->text().toFloat(&ok);
    userChange(side, ch, proto::checkedFloat(ok ? typed : 0.0f, kMinGain, kMaxGain).value_or(0.0f));
    // Losing the focus would finish the edit a second time.
    const QSignalBlocker blocker(edit);
    edit->clearFocus();
}

void QCail::sendGain(Side side, int ch) const
{
    const bool in = side == Side::Input;
    QByteArray payload(5, 0);
    payload[0] = char(ch);
    proto::putU32(reinterpret_cast<uchar *>(payload.data()) + 1,
                  proto::floatBits(in ? m_inGain[size_t(ch)] : m_outGain[size_t(ch)]));
    // Through the panels' send path, so the history of edits and the change log see it.
    QModulePanel::sendSetPayload(in ? kInLevelModule : kOutLevelModule, kCailCode, payload, false,
                                 ChangeRecorder::Origin::Discrete);
}

void QCail::setInlevelGain(uchar ucChannel, float fvalue)
{
    const auto gain = proto::checkedFloat(fvalue, kMinGain, kMaxGain);
    if (gain && valid(Side::Input, ucChannel))
        display(Side::Input, ucChannel, *gain);
}

void QCail::setOutlevelGain(uchar ucChannel, float fvalue)
{
    const auto gain = proto::checkedFloat(fvalue, kMinGain, kMaxGain);
    if (gain && valid(Side::Output, ucChannel))
        display(Side::Output, ucChannel, *gain);
}

void QCail::setInCail(uchar channel, float gain)
{
    if (!m_editHold.isSet())
        setInlevelGain(channel, gain);
}

void QCail::setOutCail(uchar channel, float gain)
{
    if (!m_editHold.isSet())
        setOutlevelGain(channel, gain);
}

void QCail::inlevelGainEditingFinished(uchar channel)
{
    editingFinished(Side::Input, channel);
}

void QCail::outlevelGainEditingFinished(uchar channel)
{
    editingFinished(Side::Output, channel);
}

void QCail::inlevelFaderChanged(uchar channel, float fval)
{
    if (valid(Side::Input, channel))
        userChange(Side::Input, channel, fval);
}

void QCail::outlevelFaderChanged(uchar channel, float fval)
{
    if (valid(Side::Output, channel))
        userChange(Side::Output, channel, fval);
}

void QCail::clockTick()
{
    if (isVisible())
        timeOut20ms();
    else
        paceEdits();
}

void QCail::timeOut20ms()
{
    if (++m_tick % 10 == 0) {
        for (quint8 ch = 0; ch < kInputs; ++ch)
            proto::sendFrame(proto::ClassModule, kInLevelModule, kCailCode, proto::DirRequest, &ch,
                             1);
        for (quint8 ch = 0; ch < kOutputs; ++ch)
            proto::sendFrame(proto::ClassModule, kOutLevelModule, kCailCode, proto::DirRequest, &ch,
                             1);
    }
    paceEdits();
}

void QCail::paceEdits()
{
    for (int ch = 0; ch < kInputs; ++ch) {
        if (m_inSend[size_t(ch)].tick())
            sendGain(Side::Input, ch);
    }
    for (int ch = 0; ch < kOutputs; ++ch) {
        if (m_outSend[size_t(ch)].tick())
            sendGain(Side::Output, ch);
    }
    m_editHold.tick();
}

int QCail::senderChannel(Side side, bool fader) const
{
    const QObject *from = sender();
    const bool in = side == Side::Input;
    const int count = in ? kInputs : kOutputs;
    for (int ch = 0; from && ch < count; ++ch) {
        const Strip &s = in ? m_in[size_t(ch)] : m_out[size_t(ch)];
        if (from == (fader ? static_cast<QObject *>(s.fader) : static_cast<QObject *>(s.edit)))
            return ch;
    }
    return -1;
}

void QCail::inlevelGainEditingFinished()
{
    if (const int ch = senderChannel(Side::Input, false); ch >= 0)
        inlevelGainEditingFinished(uchar(ch));
}

void QCail::inlevelFaderChanged(float fval)
{
    if (const int ch = senderChannel(Side::Input, true); ch >= 0)
        inlevelFaderChanged(uchar(ch), fval);
}

void QCail::outlevelGainEditingFinished()
{
    if (const int ch = senderChannel(Side::Output, false); ch >= 0)
        outlevelGainEditingFinished(uchar(ch));
}

void QCail::outlevelFaderChanged(float fval)
{
    if (const int ch = senderChannel(Side::Output, true); ch >= 0)
        outlevelFaderChanged(uchar(ch), fval);
}

void QCail::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_mix->setText(tr("Mix"));
        m_reset->setText(tr("System \nReset"));
    }
    QDialog::changeEvent(event);
}

void QCail::mixClicked(bool isChecked)
{
    if (m_mix->isChecked() != isChecked) {
        const QSignalBlocker blocker(m_mix);
        m_mix->setChecked(isChecked);
    }
    const ChangeRecorder::Group group(tr("Mix"));
    for (quint8 out = 0; out < kOutputs; ++out) {
        const char value[6] = {char(out), 0, 1, 2, 3, char(isChecked ? 1 : 0)};
        QModulePanel::sendSetPayload(kMixerModule, 1, QByteArray(value, 6), false,
                                     ChangeRecorder::Origin::Discrete);
    }
}

void QCail::systemResetClicked()
{
    QMessageBox box(QMessageBox::Information, tr("warning"), tr("Reset system all config?"),
                    QMessageBox::NoButton, this);
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Cancle"), QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.exec();
    if (box.clickedButton() != ok)
        return;
    static const char kResetCode[] = "CFG_CLR*";
    proto::sendFrame(proto::ClassSystem, 1, 1, proto::DirSet, kResetCode, 8);
    ChangeRecorder::instance().notUndoable(tr("a system reset"));
}

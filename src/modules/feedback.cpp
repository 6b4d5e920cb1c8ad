#include "feedback.h"

#include "widgets/language.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyleOption>
#include <QVBoxLayout>

QFeedback::QFeedback(QWidget *parent) : QModulePanel(kModuleId, kInputChannels, parent)
{
    setObjectName(QStringLiteral("feedbackWidget"));
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(1, 1, 1, 1);
    grid->setSpacing(2);
    for (int ch = 0; ch < kInputChannels; ++ch) {
        Strip &s = m_strips[size_t(ch)];
        s.background = new QWidget(this);
        s.background->setObjectName(QStringLiteral("feedbackCtrlBgWidget"));
        s.title = new QLabel(QString::asprintf("I%d", ch + 1), s.background);
        s.title->setObjectName(QStringLiteral("titleLabel"));
        s.title->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        s.enable = new QPushButton(s.background);
        s.enable->setObjectName(QStringLiteral("normalButton"));
        s.enable->setCheckable(true);
        s.enable->setFixedSize(70, 30);
        auto *column = new QVBoxLayout(s.background);
        column->addWidget(s.title);
        column->addWidget(s.enable, 0, Qt::AlignCenter);
        column->addWidget(new QLabel(s.background));
        grid->addWidget(s.background, ch / 2, ch % 2);
        const auto c = uchar(ch);
        connect(s.enable, &QPushButton::clicked, this,
                [this, c](bool on) { enableClicked(c, on); });
    }
    auto *filler = new QWidget(this);
    filler->setObjectName(QStringLiteral("feedbackCtrlBgWidget"));
    filler->setMinimumWidth(700);
    grid->addWidget(filler, 0, 3, 2, 1);
    retranslate();
}

void QFeedback::retranslate()
{
    const QString family = currentLanguageFont();
    const QFont font(family.isEmpty() ? QStringLiteral("Arial") : family, 10);
    for (Strip &s : m_strips) {
        s.enable->setText(tr("Enable"));
        s.enable->setFont(font);
    }
}

void QFeedback::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QModulePanel::changeEvent(event);
}

void QFeedback::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void QFeedback::setChannelName(uchar channel, const QString &name)
{
    if (hasChannel(channel))
        m_strips[channel].title->setText(name.isEmpty() ? QString::asprintf("I%d", channel + 1)
                                                        : name);
}

void QFeedback::setEnable(int ch, bool on)
{
    if (m_enable[size_t(ch)] == quint8(on))
        return;
    m_enable[size_t(ch)] = on ? 1 : 0;
    QPushButton *b = m_strips[size_t(ch)].enable;
    if (b->isChecked() != on)
        quietly(b, [&] { b->setChecked(on); });
}

void QFeedback::enableClicked(uchar channel, bool isChecked)
{
    if (!hasChannel(channel))
        return;
    setEnable(channel, isChecked);
    const model::Message &m = *block().findMessage(CodeEnable);
    sendField(fieldRef(m, m.fields.front(), channel), isChecked ? 1 : 0);
}

void QFeedback::enableClicked(bool isChecked)
{
    for (int ch = 0; ch < kInputChannels; ++ch) {
        if (sender() && m_strips[size_t(ch)].enable == sender()) {
            enableClicked(uchar(ch), isChecked);
            return;
        }
    }
}

void QFeedback::setSecurityState(uchar channel, uchar state)
{
    if (!hasChannel(channel))
        return;
    const Strip &s = m_strips[channel];
    applyLockState(s.background, {s.title, s.enable}, state);
}

void QFeedback::receive(quint8 code, quint8 direction, quint16 length, const uchar *payload)
{
    if (code != CodeEnable)
        return;
    if (const auto report = modelReport(code, direction, length, payload))
        setEnable(report->channel(), report->number(report->message().fields.front()) != 0);
}

void QFeedback::poll(quint32)
{
    if (!every(10) || !isShown())
        return;
    sendSecurityRequest();
    for (int ch = 0; ch < kInputChannels; ++ch)
        sendRequest(CodeEnable, quint8(ch));
}

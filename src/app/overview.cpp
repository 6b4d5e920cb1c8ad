#include "overview.h"

#include "pages/funcwidget.h"
#include "protocol/frame.h"
#include "protocol/ipv4.h"
#include "protocol/transport.h"
#include "widgets/language.h"
#include "widgets/qmeterwidget.h"
#include "widgets/readout.h"

#include <QAbstractSocket>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QStyleOption>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr quint8 kInLevelModule = 1;
constexpr quint8 kOutLevelModule = 9;
constexpr quint8 kMuteCode = 2;
constexpr quint8 kAllMuteCode = 15;
constexpr int kMeterMax = 24;
constexpr int kReductionMax = 35;
constexpr auto kVersionText = "V2.1.5";

const char *const kInfoTitles[] = {
    QT_TRANSLATE_NOOP("QOverView", "Model :"),   QT_TRANSLATE_NOOP("QOverView", "IPAddr :"),
    QT_TRANSLATE_NOOP("QOverView", "ARM Ver :"), QT_TRANSLATE_NOOP("QOverView", "DSP Ver :"),
    QT_TRANSLATE_NOOP("QOverView", "Loca :"),    QT_TRANSLATE_NOOP("QOverView", "Desc :"),
    QT_TRANSLATE_NOOP("QOverView", "State :"),   QT_TRANSLATE_NOOP("QOverView", "DSP :"),
};

QFont arial(int points, QFont::Weight weight = QFont::Normal)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(points);
    font.setWeight(weight);
    return font;
}

QMeterWidget *meter(int minimum, int maximum, bool reversed, QWidget *parent)
{
    auto *m = new QMeterWidget(parent);
    m->setFixedSize(18, 135);
    m->setRange(minimum, maximum);
    m->setReversed(reversed);
    m->setValue(minimum);
    return m;
}

QLabel *meterValue(const QString &text, QWidget *parent)
{
    auto *label = new Readout(text, QStringLiteral("-100"), parent);
    label->setFont(arial(7));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QString gateStyle(bool open)
{
    return open ? QStringLiteral("border-radius:5px;padding:2px 4px;background-color:#00FF00")
                : QStringLiteral("border-radius:5px;padding:2px 4px;background-color:#707070");
}

} // namespace

QOverView::QOverView(QWidget *parent) : QWidget(parent)
{
    for (int i = 0; i < kInputs; ++i)
        m_in[i] = buildStrip(true, i);
    for (int i = 0; i < kOutputs; ++i)
        m_out[i] = buildStrip(false, i);
    QWidget *info = buildInfoBox();
    setObjectName(QStringLiteral("overViewWidget"));

    auto *layout = new QHBoxLayout(this);
    layout->setSpacing(4);
    layout->setContentsMargins(2, 2, 2, 2);
    for (const Strip &strip : m_in)
        layout->addWidget(strip.widget);
    layout->addWidget(info);
    for (const Strip &strip : m_out)
        layout->addWidget(strip.widget);

    auto *muteKey = new QShortcut(QKeySequence(tr("Ctrl+M")), this);
    muteKey->setContext(Qt::WindowShortcut);
    connect(muteKey, &QShortcut::activated, this, &QOverView::muteAccess);
    auto *floorKey = new QShortcut(QKeySequence(QStringLiteral("Ctrl+N")), this);
    floorKey->setContext(Qt::WindowShortcut);
    connect(floorKey, &QShortcut::activated, this, &QOverView::CtrlNClicked);

    for (const Strip &strip : m_in)
        connect(strip.mute, &QPushButton::clicked, this, &QOverView::inMuteClicked);
    for (const Strip &strip : m_out)
        connect(strip.mute, &QPushButton::clicked, this, &QOverView::outMuteClicked);
    connect(m_allMuteButton, &QPushButton::clicked, this, &QOverView::allMuteClicked);
    setTitleTexts();
}

QOverView::Strip QOverView::buildStrip(bool input, int channel)
{
    Strip s;
    s.widget = new QWidget(this);
    s.widget->setObjectName(input ? QStringLiteral("inBgWidget") : QStringLiteral("outBgWidget"));
    s.widget->setAttribute(Qt::WA_StyledBackground);
    // Filled to its corners (the strip lies on the same colour), so the readings and meters
    // inside repaint it and nothing below.
    s.widget->setAutoFillBackground(true);

    s.channel = new QLabel(QString::asprintf(input ? "I%d" : "O%d", channel + 1), s.widget);
    s.channel->setFont(arial(8, QFont::Bold));
    s.channel->setAlignment(Qt::AlignCenter);
    s.mute = new QPushButton(QStringLiteral("Mute"), s.widget);
    s.mute->setObjectName(QStringLiteral("muteButton"));
    s.mute->setCheckable(true);
    s.mute->setFixedSize(50, 25);
    s.mute->setFont(arial(8, QFont::Bold));
    s.comp = new QLabel(QStringLiteral("Comp"), s.widget);
    s.comp->setFont(arial(6));
    s.comp->setAlignment(Qt::AlignCenter);
    s.level = meter(kFloor, kMeterMax, false, s.widget);
    s.levelValue = meterValue(QString::number(kFloor), s.widget);
    s.reduction = meter(0, kReductionMax, true, s.widget);
    s.reductionValue = meterValue(QStringLiteral("0"), s.widget);

    auto *levelColumn = new QVBoxLayout;
    levelColumn->setSpacing(1);
    auto *levelHead = new QLabel(s.widget); // keeps both meters at the same height
    levelHead->setFont(arial(6));
    levelColumn->addWidget(levelHead);
    levelColumn->addWidget(s.level, 0, Qt::AlignHCenter);
    levelColumn->addWidget(s.levelValue, 0, Qt::AlignHCenter);
    auto *reductionColumn = new QVBoxLayout;
    reductionColumn->setSpacing(1);
    reductionColumn->addWidget(s.comp);
    reductionColumn->addWidget(s.reduction, 0, Qt::AlignHCenter);
    reductionColumn->addWidget(s.reductionValue, 0, Qt::AlignHCenter);
    auto *meters = new QHBoxLayout;
    meters->setSpacing(2);
    meters->addLayout(levelColumn);
    meters->addLayout(reductionColumn);

    auto *box = new QVBoxLayout(s.widget);
    box->setContentsMargins(3, 3, 3, 3);
    box->setSpacing(2);
    box->addWidget(s.channel);
    box->addWidget(s.mute, 0, Qt::AlignHCenter);
    box->addSpacing(10); // room for the gate dot below the mute button
    box->addLayout(meters);
    box->addStretch();

    if (input) {
        // Outside the layout, at a fixed place next to the channel name.
        s.gate = new QPushButton(s.widget);
        s.gate->setEnabled(false);
        s.gate->setFixedSize(10, 10);
        s.gate->move(11, 52);
        s.gate->setStyleSheet(gateStyle(false));
        s.gate->raise();
    }
    return s;
}

QWidget *QOverView::buildInfoBox()
{
    auto *box = new QWidget(this);
    box->setObjectName(QStringLiteral("devInfoBgWidget"));
    box->setAttribute(Qt::WA_StyledBackground);
    box->setAutoFillBackground(true);
    box->setFixedWidth(335);
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(4, 8, 4, 8);
    for (int i = 0; i < kInfoRows; ++i) {
        m_titles[i] = new QLabel(box);
        m_titles[i]->setObjectName(QStringLiteral("titleLabel"));
        m_titles[i]->setFont(arial(9));
        // The load changes every second: sized for its widest text, a new one lays out nothing.
        m_values[i] = i == DspLoad ? new Readout(QString(), QStringLiteral("100.0%-100.0%"), box)
                                   : new QLabel(box);
        m_values[i]->setFont(arial(9));
        const int row = i % 4;
        const int column = i < 4 ? 0 : 2;
        grid->addWidget(m_titles[i], row, column);
        grid->addWidget(m_values[i], row, column + 1);
    }
    grid->setAlignment(m_values[DspLoad], Qt::AlignLeft | Qt::AlignVCenter);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    m_spacer = new QLabel(box);
    m_spacer->setFont(arial(9));
    m_allMuteButton = new QPushButton(QStringLiteral("Mute"), box);
    m_allMuteButton->setObjectName(QStringLiteral("muteButton"));
    m_allMuteButton->setCheckable(true);
    m_allMuteButton->setFixedWidth(55);
    m_allMuteButton->setFont(arial(9));
    m_versionLabel = new QLabel(QString::fromLatin1(kVersionText), box);
    m_versionLabel->setFont(arial(9));
    m_versionLabel->setAlignment(Qt::AlignRight | Qt::AlignBottom);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_spacer, 1);
    bottom->addWidget(m_allMuteButton);
    bottom->addWidget(m_versionLabel, 1);
    grid->addLayout(bottom, 4, 0, 1, 4);
    return box;
}

void QOverView::setTitleTexts()
{
    for (int i = 0; i < kInfoRows; ++i)
        m_titles[i]->setText(tr(kInfoTitles[i]));
}

void QOverView::setAllMute(bool mute)
{
    if (mute == m_allMute)
        return;
    m_allMute = mute;
    m_allMuteButton->setChecked(mute);
}

void QOverView::setInMute(uchar ucChannel, bool mute)
{
    if (ucChannel < kInputs && m_in[ucChannel].mute->isChecked() != mute)
        m_in[ucChannel].mute->setChecked(mute);
}

void QOverView::setOutMute(uchar ucChannel, bool mute)
{
    if (ucChannel < kOutputs && m_out[ucChannel].mute->isChecked() != mute)
        m_out[ucChannel].mute->setChecked(mute);
}

void QOverView::setGateState(uchar channel, bool open)
{
    // A new style sheet re-polishes the button; reports repeat the same state.
    if (channel < kInputs && m_in[channel].gate->styleSheet() != gateStyle(open))
        m_in[channel].gate->setStyleSheet(gateStyle(open));
}

void QOverView::setLevel(Strip &strip, int value)
{
    value = qMax(value, strip.level->minimum());
    strip.levelValue->setText(QString::number(value));
    strip.level->setValue(value);
}

void QOverView::setReduction(Strip &strip, int value)
{
    strip.reductionValue->setText(QString::number(value));
    strip.reduction->setValue(value);
}

void QOverView::setLinkLive(bool live)
{
    for (int i = 0; i < kInfoRows; ++i) {
        if (i != State)
            m_values[size_t(i)]->setEnabled(live);
    }
    if (live)
        return;
    auto drop = [](Strip &strip) {
        setLevel(strip, strip.level->minimum());
        setReduction(strip, strip.reduction->minimum());
    };
    std::for_each(m_in.begin(), m_in.end(), drop);
    std::for_each(m_out.begin(), m_out.end(), drop);
    for (int ch = 0; ch < kInputs; ++ch)
        setGateState(uchar(ch), false);
}

void QOverView::setInMeter(uchar channel, int value)
{
    if (channel < kInputs)
        setLevel(m_in[channel], value);
}

void QOverView::setInCompMeter(uchar channel, int value)
{
    if (channel < kInputs)
        setReduction(m_in[channel], value);
}

void QOverView::setOutMeter(uchar channel, int value)
{
    if (channel < kOutputs)
        setLevel(m_out[channel], value);
}

void QOverView::setOutCompMeter(uchar channel, int value)
{
    if (channel < kOutputs)
        setReduction(m_out[channel], value);
}

void QOverView::setModel(QString model)
{
    m_values[Model]->setText(model);
}

void QOverView::setIPAddrState(uint ipaddr)
{
    m_values[IpAddr]->setText(proto::ipv4::format(ipaddr));
}

void QOverView::setDspRes(float usage, float peak)
{
    m_values[DspLoad]->setText(
        QString::asprintf("%0.1f%c-%0.1f%c", double(usage), '%', double(peak), '%'));
}

void QOverView::setArmVer(QString ver)
{
    m_values[ArmVer]->setText(ver);
}
void QOverView::setDspVer(QString ver)
{
    m_values[DspVer]->setText(ver);
}
void QOverView::setLocation(QString location)
{
    m_values[Location]->setText(location);
}
void QOverView::setDescription(QString description)
{
    m_values[Description]->setText(description);
}

void QOverView::CtrlNClicked()
{
    auto toggle = [](Strip &strip) {
        const int floor = strip.level->minimum() == kFloor ? kDeepFloor : kFloor;
        strip.level->setMinimum(floor);
        strip.level->setValue(floor);
        strip.level->update();
        strip.levelValue->setText(QString::number(floor));
    };
    for (Strip &strip : m_in)
        toggle(strip);
    for (Strip &strip : m_out)
        toggle(strip);
}

void QOverView::sendAllMute()
{
    const quint8 state = m_allMute ? 1 : 0;
    proto::sendFrame(proto::ClassSystem, 2, kAllMuteCode, proto::DirSet, &state, 1);
}

void QOverView::muteAccess()
{
    setAllMute(!m_allMute);
    sendAllMute();
}

void QOverView::allMuteClicked(bool isChecked)
{
    setAllMute(isChecked);
    sendAllMute();
}

void QOverView::inMuteClicked(bool isChecked)
{
    for (int i = 0; i < kInputs; ++i)
        if (m_in[i].mute == sender())
            sendMute(true, i, isChecked);
}

void QOverView::outMuteClicked(bool isChecked)
{
    for (int i = 0; i < kOutputs; ++i)
        if (m_out[i].mute == sender())
            sendMute(false, i, isChecked);
}

void QOverView::sendMute(bool input, int channel, bool isChecked)
{
    if (input)
        emit inMuteChanged(uchar(channel), isChecked);
    else
        emit outMuteChanged(uchar(channel), isChecked);
    const quint8 mute = isChecked ? 1 : 0;
    proto::sendSetMessage(input ? kInLevelModule : kOutLevelModule, kMuteCode, quint8(channel),
                          &mute, 1);
}

void QOverView::clearDeviceFacts()
{
    for (InfoRow row : {Model, IpAddr, ArmVer, DspVer, Location, Description, DspLoad})
        m_values[row]->clear();
}

void QOverView::setNetState(int state)
{
    m_netState = state;
    showNetState();
}

void QOverView::showNetState()
{
    QLabel *label = m_values[State];
    switch (m_netState) {
    case QAbstractSocket::UnconnectedState:
    case QAbstractSocket::ConnectingState:
    case QAbstractSocket::ClosingState:
        label->setText(tr("Unconnected"));
        label->setStyleSheet(QStringLiteral("color: rgb(255,0,0);"));
        break;
    case QAbstractSocket::ConnectedState:
        label->setText(tr("Connected"));
        label->setStyleSheet(QStringLiteral("color: rgb(0,0,0);"));
        break;
    case kReconnecting:
        label->setText(tr("Reconnecting"));
        label->setStyleSheet(QStringLiteral("color: rgb(255,0,0);"));
        break;
    default:
        break;
    }
}

void QOverView::retranslateUi()
{
    QFont font(currentLanguageFont());
    font.setPointSize(9);
    font.setWeight(QFont::Normal);
    for (int i = 0; i < kInfoRows; ++i) {
        m_titles[i]->setFont(font);
        m_values[i]->setFont(font);
    }
    m_spacer->setFont(font);
    m_versionLabel->setFont(font);
    m_allMuteButton->setFont(font);
    m_allMuteButton->setText(tr("Mute"));
    for (Strip &strip : m_in) {
        strip.mute->setFont(font);
        strip.mute->setText(tr("Mute"));
    }
    for (Strip &strip : m_out) {
        strip.mute->setFont(font);
        strip.mute->setText(tr("Mute"));
    }
    setTitleTexts();
    showNetState();
}

bool QOverView::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        // Long model, location or description texts are read from the tool tip.
        auto *help = static_cast<QHelpEvent *>(event);
        if (auto *label = qobject_cast<QLabel *>(childAt(help->pos()))) {
            QToolTip::showText(help->globalPos(), label->text(), label);
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

void QOverView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}

void QOverView::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void connectOverview(FuncWidget *container, QOverView *overview)
{
    using F = FuncWidget;
    using O = QOverView;
    QObject::connect(container, &F::sigInMeter, overview, &O::setInMeter);
    QObject::connect(container, &F::sigInMute, overview, &O::setInMute);
    QObject::connect(container, &F::sigGateOpen, overview, &O::setGateState);
    QObject::connect(container, &F::sigInLimiterMeter, overview, &O::setInCompMeter);
    QObject::connect(container, &F::sigOutMeter, overview, &O::setOutMeter);
    QObject::connect(container, &F::sigOutMute, overview, &O::setOutMute);
    QObject::connect(container, &F::sigOutLimiterMeter, overview, &O::setOutCompMeter);
    QObject::connect(container, &F::sigModel, overview, &O::setModel);
    QObject::connect(container, &F::sigArmVer, overview, &O::setArmVer);
    QObject::connect(container, &F::sigDspVer, overview, &O::setDspVer);
    QObject::connect(container, &F::sigLocation, overview, &O::setLocation);
    QObject::connect(container, &F::sigDescription, overview, &O::setDescription);
    QObject::connect(container, &F::sigIpaddr, overview, &O::setIPAddrState);
    QObject::connect(container, &F::sigAllMute, overview, &O::setAllMute);
    QObject::connect(container, &F::sigDspRes, overview, &O::setDspRes);
    QObject::connect(overview, &O::inMuteChanged, container, &F::setInMute);
    QObject::connect(overview, &O::outMuteChanged, container, &F::setOutMute);
}

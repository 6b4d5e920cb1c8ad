// Pages that name themselves keep their names; the others get the container's name.

#include "funcwidget.h"

#include "protocol/router.h"
#include "protocol/transfer.h"
#include "protocol/transport.h"
#include "widgets/language.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyleOption>
#include <QVBoxLayout>

#include <type_traits>

namespace {

const char *const kTabTexts[FuncWidget::TabCount] = {
    QT_TRANSLATE_NOOP("FuncWidget", "In Level"),    QT_TRANSLATE_NOOP("FuncWidget", "Gate"),
    QT_TRANSLATE_NOOP("FuncWidget", "Feedback"),    QT_TRANSLATE_NOOP("FuncWidget", "In Filter"),
    QT_TRANSLATE_NOOP("FuncWidget", "In Limiter"),  QT_TRANSLATE_NOOP("FuncWidget", "In Delay"),
    QT_TRANSLATE_NOOP("FuncWidget", "Matrix"),      QT_TRANSLATE_NOOP("FuncWidget", "Signal"),
    QT_TRANSLATE_NOOP("FuncWidget", "Out Level"),   QT_TRANSLATE_NOOP("FuncWidget", "Out Filter"),
    QT_TRANSLATE_NOOP("FuncWidget", "Out Limiter"), QT_TRANSLATE_NOOP("FuncWidget", "Out Delay"),
    QT_TRANSLATE_NOOP("FuncWidget", "Preset"),      QT_TRANSLATE_NOOP("FuncWidget", "Settings"),
    QT_TRANSLATE_NOOP("FuncWidget", "Security"),
};

constexpr quint8 kPresetModule = 32;

} // namespace

template <class P> P *FuncWidget::newPage(Tab tab, const char *containerName)
{
    auto *page = new P();
    if (containerName)
        page->setObjectName(QLatin1String(containerName));
    m_pages[tab] = page;
    return page;
}

FuncWidget::FuncWidget(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("funcWidget"));
    QFont font(QStringLiteral("Arial"), 9);
    font.setWeight(QFont::Normal);
    setFont(font);

    m_inLevel = newPage<InLevelPage>(TabInLevel, nullptr);
    m_gate = newPage<GatePage>(TabGate, nullptr);
    m_feedback = newPage<FeedbackPage>(TabFeedback, nullptr);
    m_inFilter = newPage<InFilterPage>(TabInFilter, "In Filter");
    m_inLimiter = newPage<InLimiterPage>(TabInLimiter, "In Limiter");
    m_inDelay = newPage<InDelayPage>(TabInDelay, "In Delay");
    m_mixer = newPage<MixerPage>(TabMatrix, "Mix Mtx");
    m_sigGenerator = newPage<SigGeneratorPage>(TabSignal, "Signal");
    m_outLevel = newPage<OutLevelPage>(TabOutLevel, "Out Level");
    m_outFilter = newPage<OutFilterPage>(TabOutFilter, "Out Filter");
    m_outLimiter = newPage<OutLimiterPage>(TabOutLimiter, "Out Limiter");
    m_outDelay = newPage<OutDelayPage>(TabOutDelay, "Out Delay");
    m_preset = newPage<PresetPage>(TabPreset, "Preset");
    m_setup = newPage<SetupPage>(TabSettings, "Settings");
    m_security = newPage<SecurityPage>(TabSecurity, "Security");

    m_group = new QButtonGroup(this);
    m_group->setExclusive(true);
    m_stack = new QStackedWidget;
    auto *tabButtons = new QWidget;
    tabButtons->setObjectName(QStringLiteral("tabButtonsWidget"));
    tabButtons->setFixedHeight(34);
    m_tabLayout = new QHBoxLayout(tabButtons);
    m_tabLayout->setContentsMargins(1, 1, 1, 1);
    m_tabLayout->setSpacing(2);
    for (int i = 0; i < TabCount; ++i) {
        auto *button = new QPushButton(tr(kTabTexts[i]), tabButtons);
        button->setObjectName(QStringLiteral("normalButton2"));
        button->setFixedHeight(32);
        button->setCheckable(true);
        button->setFont(font);
        m_buttons[i] = button;
        m_tabLayout->addWidget(button);
    }
    registerButtons(true);

    for (QWidget *page : m_pages)
        m_stack->addWidget(page);
    m_stack->setCurrentIndex(TabInLevel);
    m_buttons[TabInLevel]->setChecked(true);
    connect(m_group, &QButtonGroup::idClicked, m_stack, &QStackedWidget::setCurrentIndex);

    m_cail = new CailDialog(this);
    for (const char *keys : {"Ctrl+J", "Ctrl+T"}) {
        auto *shortcut = new QShortcut(QKeySequence(QLatin1String(keys)), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, &FuncWidget::cailAccess);
    }

    makeConnections();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(tabButtons);
    layout->addWidget(m_stack);
}

void FuncWidget::makeConnections()
{
    connect(m_inLevel, &InLevelPage::sigCail, m_cail, &CailDialog::setInCail);
    connect(m_inLevel, &InLevelPage::sigMeter, this, &FuncWidget::sigInMeter);
    connect(m_inLevel, &InLevelPage::sigMute, this, &FuncWidget::sigInMute);
    connect(m_gate, &GatePage::sigOpenState, this, &FuncWidget::sigGateOpen);
    connect(m_inFilter, &InFilterPage::sigOutCopy, m_outFilter, &OutFilterPage::channelCopy);
    connect(m_inLimiter, &InLimiterPage::sigMeter, this, &FuncWidget::sigInLimiterMeter);
    connect(m_inLimiter, &InLimiterPage::sigOutCopy, m_outLimiter, &OutLimiterPage::channelCopy);
    connect(m_outLevel, &OutLevelPage::sigCail, m_cail, &CailDialog::setOutCail);
    connect(m_outLevel, &OutLevelPage::sigMeter, this, &FuncWidget::sigOutMeter);
    connect(m_outLevel, &OutLevelPage::sigMute, this, &FuncWidget::sigOutMute);
    connect(m_outLimiter, &OutLimiterPage::sigMeter, this, &FuncWidget::sigOutLimiterMeter);
    connect(m_outLimiter, &OutLimiterPage::sigInCopy, m_inLimiter, &InLimiterPage::channelCopy);
    connect(m_outFilter, &OutFilterPage::sigInCopy, m_inFilter, &InFilterPage::channelCopy);
    connect(m_mixer, &MixerPage::outputChanged, this, &FuncWidget::sigOutChannelChanged);
    connect(m_preset, &PresetPage::sigSave, this, &FuncWidget::savePreset2PC);

    connect(m_setup, &SetupPage::sigModel, this, &FuncWidget::sigModel);
    connect(m_setup, &SetupPage::sigArmVer, this, &FuncWidget::armVerChanged);
    connect(m_setup, &SetupPage::sigDspVer, this, &FuncWidget::sigDspVer);
    connect(m_setup, &SetupPage::sigLocation, this, &FuncWidget::sigLocation);
    connect(m_setup, &SetupPage::sigDescription, this, &FuncWidget::sigDescription);
    connect(m_setup, &SetupPage::sigIpaddr, this, &FuncWidget::sigIpaddr);
    connect(m_setup, &SetupPage::sigAllMute, this, &FuncWidget::sigAllMute);
    connect(m_setup, &SetupPage::sigDspRes, this, &FuncWidget::sigDspRes);
    connect(m_setup, &SetupPage::sigInLabelChanged, this, &FuncWidget::setInLabel);
    connect(m_setup, &SetupPage::sigOutLabelChanged, this, &FuncWidget::setOutLabel);

    connect(m_security, &SecurityPage::inlevelLockChanged, m_inLevel,
            &InLevelPage::setSecurityState);
    connect(m_security, &SecurityPage::gateLockChanged, m_gate, &GatePage::setSecurityState);
    connect(m_security, &SecurityPage::feedbackLockChanged, m_feedback,
            &FeedbackPage::setSecurityState);
    connect(m_security, &SecurityPage::inFilterGraphLockChanged, m_inFilter,
            &InFilterPage::setFilterGraphSecurityState);
    connect(m_security, &SecurityPage::inHPFilterLockChanged, m_inFilter,
            &InFilterPage::setHPFilterSecurityState);
    connect(m_security, &SecurityPage::inLPFilterLockChanged, m_inFilter,
            &InFilterPage::setLPFilterSecurityState);
    connect(m_security, &SecurityPage::inFilterBandLockChanged, m_inFilter,
            &InFilterPage::setFilterBandSecurityState);
    connect(m_security, &SecurityPage::inlimiterLockChanged, m_inLimiter,
            &InLimiterPage::setSecurityState);
    connect(m_security, &SecurityPage::indelayLockChanged, m_inDelay,
            &InDelayPage::setSecurityState);
    connect(m_security, &SecurityPage::mtxmixLockChanged, m_mixer, &MixerPage::setSecurityState);
    connect(m_security, &SecurityPage::signalLockChanged, m_sigGenerator,
            &SigGeneratorPage::setSecurityState);
    connect(m_security, &SecurityPage::outlevelLockChanged, m_outLevel,
            &OutLevelPage::setSecurityState);
    connect(m_security, &SecurityPage::outFilterGraphLockChanged, m_outFilter,
            &OutFilterPage::setFilterGraphSecurityState);
    connect(m_security, &SecurityPage::outHPFilterLockChanged, m_outFilter,
            &OutFilterPage::setHPFilterSecurityState);
    connect(m_security, &SecurityPage::outLPFilterLockChanged, m_outFilter,
            &OutFilterPage::setLPFilterSecurityState);
    connect(m_security, &SecurityPage::outFilterBandLockChanged, m_outFilter,
            &OutFilterPage::setFilterBandSecurityState);
    connect(m_security, &SecurityPage::outlimiterLockChanged, m_outLimiter,
            &OutLimiterPage::setSecurityState);
    connect(m_security, &SecurityPage::outdelayLockChanged, m_outDelay,
            &OutDelayPage::setSecurityState);

    // The filter pages read their element locks from the security page's table.
    SecurityPage *sec = m_security;
    m_inFilter->setLockLookup([sec](uchar ch, int element) -> uchar {
        switch (element) {
        case 0:
            return sec->inFilterGraphLock(ch);
        case 1:
            return sec->inHPFilterLock(ch);
        case 2:
            return sec->inLPFilterLock(ch);
        default:
            return sec->inFilterBandLock(ch, uchar(element - 3));
        }
    });
    m_outFilter->setLockLookup([sec](uchar ch, int element) -> uchar {
        switch (element) {
        case 0:
            return sec->outFilterGraphLock(ch);
        case 1:
            return sec->outHPFilterLock(ch);
        case 2:
            return sec->outLPFilterLock(ch);
        default:
            return sec->outFilterBandLock(ch, uchar(element - 3));
        }
    });
}

void FuncWidget::registerButtons(bool withInDelay)
{
    for (QPushButton *button : m_buttons)
        m_group->removeButton(button);
    int id = 0;
    for (int i = 0; i < TabCount; ++i) {
        if (i == TabInDelay && !withInDelay)
            continue;
        m_group->addButton(m_buttons[i], id++);
    }
}

void FuncWidget::registerRoutes(proto::FrameRouter &router)
{
    auto payloadOf = [](const proto::Frame &frame) {
        return reinterpret_cast<const uchar *>(frame.payload.constData());
    };
    for (int id = 1; id <= kPresetModule; ++id) {
        if (!pageForModule(quint8(id)))
            continue;
        router.setHandler(proto::ClassModule, quint8(id), [this, payloadOf](const auto &f) {
            receiveModule(f.frameType, f.paramCode, f.direction, f.length(), payloadOf(f));
        });
    }
    for (quint8 type = 2; type <= 5; ++type) {
        router.setHandler(proto::ClassSystem, type, [this, payloadOf](const auto &f) {
            receiveSystem(f.frameType, f.paramCode, f.direction, f.length(), payloadOf(f));
        });
    }
}

QWidget *FuncWidget::pageForModule(quint8 moduleId) const
{
    if (moduleId >= 1 && moduleId <= 12)
        return m_pages[moduleId - 1];
    if (moduleId == kPresetModule)
        return m_preset;
    return nullptr;
}

void FuncWidget::deliver(QWidget *page)
{
    markFresh(page);
    // The calibration values arrive on the level modules.
    if (page == m_inLevel || page == m_outLevel)
        markFresh(m_cail);
    if (m_routeTap)
        m_routeTap(page);
}

void FuncWidget::linkLost()
{
    for (QWidget *page : m_pages)
        markStale(page);
    markStale(m_cail);
}

void FuncWidget::markStale(QWidget *page)
{
    // A page already disabled by others stays theirs.
    if (!page || m_stale.contains(page) || !page->isEnabled())
        return;
    if (auto *panel = qobject_cast<QModulePanel *>(page))
        panel->linkLost();
    else
        QModulePanel::dropMeters(page);
    page->setEnabled(false);
    m_stale.insert(page);
}

void FuncWidget::markFresh(QWidget *page)
{
    if (page && m_stale.remove(page))
        page->setEnabled(true);
}

void FuncWidget::receiveModule(quint8 moduleId, quint8 code, quint8 direction, quint16 length,
                               const uchar *payload)
{
    QWidget *page = pageForModule(moduleId);
    if (!page)
        return;
    deliver(page);
    auto to = [&](auto *p) {
        if constexpr (std::is_base_of_v<QModulePanel, std::remove_pointer_t<decltype(p)>>)
            p->takeReport(code, direction, length, payload);
        else
            p->receive(code, direction, length, payload);
    };
    switch (moduleId) {
    case 1:
        to(m_inLevel);
        break;
    case 2:
        to(m_gate);
        break;
    case 3:
        to(m_feedback);
        break;
    case 4:
        to(m_inFilter);
        break;
    case 5:
        to(m_inLimiter);
        break;
    case 6:
        to(m_inDelay);
        break;
    case 7:
        to(m_mixer);
        break;
    case 8:
        to(m_sigGenerator);
        break;
    case 9:
        to(m_outLevel);
        break;
    case 10:
        to(m_outFilter);
        break;
    case 11:
        to(m_outLimiter);
        break;
    case 12:
        to(m_outDelay);
        break;
    case kPresetModule:
        to(m_preset);
        break;
    default:
        break;
    }
    // A read-back before the offline preset file waits for these reports; the page has its
    // value by now. The preset page hands its own transfers the preset reports.
    if (moduleId != kPresetModule && proto::Transfer::instance().busy()) {
        proto::Frame frame;
        frame.frameClass = proto::ClassModule;
        frame.frameType = moduleId;
        frame.paramCode = code;
        frame.direction = direction;
        frame.payload = QByteArray(reinterpret_cast<const char *>(payload), length);
        proto::Transfer::instance().receive(frame);
    }
}

void FuncWidget::receiveSystem(quint8 frameType, quint8 code, quint8 direction, quint16 length,
                               const uchar *payload)
{
    if (frameType >= 2 && frameType <= 4) {
        deliver(m_setup);
        m_setup->receive(frameType, code, direction, length, payload);
    } else if (frameType == 5) {
        deliver(m_security);
        m_security->receive(code, direction, length, payload);
    }
}

void FuncWidget::requestDeviceInfo()
{
    m_setup->requestDeviceInfo();
    m_security->requestLockTable();
}

QWidget *FuncWidget::currentPage() const
{
    return m_stack->currentWidget();
}

QWidget *FuncWidget::cailDialog() const
{
    return m_cail;
}

void FuncWidget::cailAccess()
{
    QWidget *page = currentPage();
    if (page && page->objectName() == QLatin1String("inLevelWidget"))
        m_cail->show();
}

void FuncWidget::armVerChanged(firmware *ver)
{
    if (!ver)
        return;
    m_preset->setGeneration(ver->major);
    if (ver->major == 1) {
        if (m_stack->widget(TabInDelay) != m_inDelay) {
            m_stack->insertWidget(TabInDelay, m_inDelay);
            registerButtons(true);
            m_tabLayout->insertWidget(TabInDelay, m_buttons[TabInDelay]);
            m_buttons[TabInDelay]->setVisible(true);
        }
        m_outDelay->setReducedDelayRange(false);
    } else if (ver->major == 2) {
        if (m_stack->widget(TabInDelay) == m_inDelay) {
            m_stack->removeWidget(m_inDelay);
            registerButtons(false);
            m_tabLayout->removeWidget(m_buttons[TabInDelay]);
            m_buttons[TabInDelay]->setVisible(false);
        }
        m_outDelay->setReducedDelayRange(true);
    }
    // The stack may have moved to another page when the shown one was taken out.
    if (QAbstractButton *shown = m_group->button(m_stack->currentIndex()))
        shown->setChecked(true);
    emit sigArmVer(QString::asprintf("V%d.%d.%d", ver->major, ver->minor, ver->patch));
}

void FuncWidget::setInLabel(uchar channel, QString label)
{
    m_inLevel->setChannelName(channel, label);
    m_gate->setChannelName(channel, label);
    m_feedback->setChannelName(channel, label);
    m_inFilter->setChannelName(channel, label);
    m_inLimiter->setChannelName(channel, label);
    m_inDelay->setChannelName(channel, label);
    m_mixer->setInChannelName(channel, label);
}

void FuncWidget::setOutLabel(uchar channel, QString label)
{
    m_mixer->setOutChannelName(channel, label);
    m_sigGenerator->setChannelName(channel, label);
    m_outLevel->setChannelName(channel, label);
    m_outFilter->setChannelName(channel, label);
    m_outLimiter->setChannelName(channel, label);
    m_outDelay->setChannelName(channel, label);
}

void FuncWidget::setInMute(uchar channel, bool mute)
{
    m_inLevel->setMute(channel, mute);
}

void FuncWidget::setOutMute(uchar channel, bool mute)
{
    m_outLevel->setMute(channel, mute);
}

void FuncWidget::setInSelect(int index)
{
    m_inFilter->selectChannel(index);
    m_inLimiter->selectChannel(index);
}

void FuncWidget::setOutSelect(int index)
{
    m_mixer->selectChannel(index);
    m_outFilter->selectChannel(index);
    m_outLimiter->selectChannel(index);
}

void FuncWidget::languageLoad()
{
    const QFont font = languageFont(9);
    setFont(font);
    for (int i = 0; i < TabCount; ++i) {
        m_buttons[i]->setFont(font);
        m_buttons[i]->setText(tr(kTabTexts[i]));
    }
}

void FuncWidget::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        languageLoad();
}

void FuncWidget::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

// Putting a real page in place of its placeholder: include the page's header in
// funcwidget.h and name its class in the page's alias there (for example
// `using InLevelPage = QInLevel;`). Nothing else changes: construction, routing and every
// connection below are already written against the page's own interface and are compiled
// once the alias names a real class (a missing or misspelt member is then a compile error).
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
    QT_TRANSLATE_NOOP("FuncWidget", "In Level"),   QT_TRANSLATE_NOOP("FuncWidget", "Gate"),
    QT_TRANSLATE_NOOP("FuncWidget", "Feedback"),   QT_TRANSLATE_NOOP("FuncWidget", "In Filter"),
    QT_TRANSLATE_NOOP("FuncWidget", "In Limiter"), QT_TRANSLATE_NOOP("FuncWidget", "In Delay"),
    QT_TRANSLATE_NOOP("FuncWidget", "Matrix"),     QT_TRANSLATE_NOOP("FuncWidget", "Signal"),
    QT_TRANSLATE_NOOP("FuncWidget", "Out Level"),  QT_TRANSLATE_NOOP("FuncWidget", "Out Filter"),
    QT_TRANSLATE_NOOP("FuncWidget", "Out Limiter"), QT_TRANSLATE_NOOP("FuncWidget", "Out Delay"),
    QT_TRANSLATE_NOOP("FuncWidget", "Preset"),     QT_TRANSLATE_NOOP("FuncWidget", "Settings"),
    QT_TRANSLATE_NOOP("FuncWidget", "Security"),
};

constexpr quint8 kPresetModule = 32;

template <class T>
using Class = std::remove_pointer_t<T>;

} // namespace

// Connects sender's signal to receiver's slot (or signal) once both classes are built.
#define DAP_WIRE(sender, signal, receiver, slot)                                               \
    ifBuilt(sender, [&](auto *s) {                                                             \
        ifBuilt(receiver, [&](auto *r) {                                                       \
            connect(s, &Class<decltype(s)>::signal, r, &Class<decltype(r)>::slot);             \
        });                                                                                    \
    })

template <class P>
P *FuncWidget::newPage(Tab tab, const char *containerName, const char *pendingName)
{
    auto *page = new P();
    if (containerName)
        page->setObjectName(QLatin1String(containerName));
    else if constexpr (isPending<P>)
        page->setObjectName(QLatin1String(pendingName));
    m_pages[tab] = page;
    return page;
}

FuncWidget::FuncWidget(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("funcWidget"));
    QFont font(QStringLiteral("Arial"), 9);
    font.setWeight(QFont::Normal);
    setFont(font);

    m_inLevel = newPage<InLevelPage>(TabInLevel, nullptr, "inLevelWidget");
    m_gate = newPage<GatePage>(TabGate, nullptr, "gateWidget");
    m_feedback = newPage<FeedbackPage>(TabFeedback, nullptr, "feedbackWidget");
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
    if constexpr (isPending<CailDialog>)
        m_cail->setObjectName(QStringLiteral("cailDialog"));
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
    DAP_WIRE(m_inLevel, sigCail, m_cail, setInCail);
    DAP_WIRE(m_inLevel, sigMeter, this, sigInMeter);
    DAP_WIRE(m_inLevel, sigMute, this, sigInMute);
    DAP_WIRE(m_gate, sigOpenState, this, sigGateOpen);
    DAP_WIRE(m_inFilter, sigOutCopy, m_outFilter, channelCopy);
    DAP_WIRE(m_inLimiter, sigMeter, this, sigInLimiterMeter);
    DAP_WIRE(m_inLimiter, sigOutCopy, m_outLimiter, channelCopy);
    DAP_WIRE(m_outLevel, sigCail, m_cail, setOutCail);
    DAP_WIRE(m_outLevel, sigMeter, this, sigOutMeter);
    DAP_WIRE(m_outLevel, sigMute, this, sigOutMute);
    DAP_WIRE(m_outLimiter, sigMeter, this, sigOutLimiterMeter);
    DAP_WIRE(m_outLimiter, sigInCopy, m_inLimiter, channelCopy);
    DAP_WIRE(m_outFilter, sigInCopy, m_inFilter, channelCopy);
    DAP_WIRE(m_mixer, outputChanged, this, sigOutChannelChanged);
    DAP_WIRE(m_preset, sigSave, this, savePreset2PC);

    DAP_WIRE(m_setup, sigModel, this, sigModel);
    DAP_WIRE(m_setup, sigArmVer, this, armVerChanged);
    DAP_WIRE(m_setup, sigDspVer, this, sigDspVer);
    DAP_WIRE(m_setup, sigLocation, this, sigLocation);
    DAP_WIRE(m_setup, sigDescription, this, sigDescription);
    DAP_WIRE(m_setup, sigIpaddr, this, sigIpaddr);
    DAP_WIRE(m_setup, sigAllMute, this, sigAllMute);
    DAP_WIRE(m_setup, sigDspRes, this, sigDspRes);
    DAP_WIRE(m_setup, sigInLabelChanged, this, setInLabel);
    DAP_WIRE(m_setup, sigOutLabelChanged, this, setOutLabel);

    DAP_WIRE(m_security, inlevelLockChanged, m_inLevel, setSecurityState);
    DAP_WIRE(m_security, gateLockChanged, m_gate, setSecurityState);
    DAP_WIRE(m_security, feedbackLockChanged, m_feedback, setSecurityState);
    DAP_WIRE(m_security, inFilterGraphLockChanged, m_inFilter, setFilterGraphSecurityState);
    DAP_WIRE(m_security, inHPFilterLockChanged, m_inFilter, setHPFilterSecurityState);
    DAP_WIRE(m_security, inLPFilterLockChanged, m_inFilter, setLPFilterSecurityState);
    DAP_WIRE(m_security, inFilterBandLockChanged, m_inFilter, setFilterBandSecurityState);
    DAP_WIRE(m_security, inlimiterLockChanged, m_inLimiter, setSecurityState);
    DAP_WIRE(m_security, indelayLockChanged, m_inDelay, setSecurityState);
    DAP_WIRE(m_security, mtxmixLockChanged, m_mixer, setSecurityState);
    DAP_WIRE(m_security, signalLockChanged, m_sigGenerator, setSecurityState);
    DAP_WIRE(m_security, outlevelLockChanged, m_outLevel, setSecurityState);
    DAP_WIRE(m_security, outFilterGraphLockChanged, m_outFilter, setFilterGraphSecurityState);
    DAP_WIRE(m_security, outHPFilterLockChanged, m_outFilter, setHPFilterSecurityState);
    DAP_WIRE(m_security, outLPFilterLockChanged, m_outFilter, setLPFilterSecurityState);
    DAP_WIRE(m_security, outFilterBandLockChanged, m_outFilter, setFilterBandSecurityState);
    DAP_WIRE(m_security, outlimiterLockChanged, m_outLimiter, setSecurityState);
    DAP_WIRE(m_security, outdelayLockChanged, m_outDelay, setSecurityState);

    // The filter pages read their element locks from the security page's table.
    ifBuilt(m_security, [&](auto *sec) {
        ifBuilt(m_inFilter, [&](auto *f) {
            f->setLockLookup([sec](uchar ch, int element) -> uchar {
                switch (element) {
                case 0: return sec->inFilterGraphLock(ch);
                case 1: return sec->inHPFilterLock(ch);
                case 2: return sec->inLPFilterLock(ch);
                default: return sec->inFilterBandLock(ch, uchar(element - 3));
                }
            });
        });
        ifBuilt(m_outFilter, [&](auto *f) {
            f->setLockLookup([sec](uchar ch, int element) -> uchar {
                switch (element) {
                case 0: return sec->outFilterGraphLock(ch);
                case 1: return sec->outHPFilterLock(ch);
                case 2: return sec->outLPFilterLock(ch);
                default: return sec->outFilterBandLock(ch, uchar(element - 3));
                }
            });
        });
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
    if (m_routeTap)
        m_routeTap(page);
}

void FuncWidget::receiveModule(quint8 moduleId, quint8 code, quint8 direction, quint16 length,
                               const uchar *payload)
{
    QWidget *page = pageForModule(moduleId);
    if (!page)
        return;
    deliver(page);
    auto to = [&](auto *p) { p->receive(code, direction, length, payload); };
    switch (moduleId) {
    case 1: to(m_inLevel); break;
    case 2: to(m_gate); break;
    case 3: to(m_feedback); break;
    case 4: to(m_inFilter); break;
    case 5: to(m_inLimiter); break;
    case 6: to(m_inDelay); break;
    case 7: to(m_mixer); break;
    case 8: to(m_sigGenerator); break;
    case 9: to(m_outLevel); break;
    case 10: to(m_outFilter); break;
    case 11: to(m_outLimiter); break;
    case 12: to(m_outDelay); break;
    case kPresetModule: to(m_preset); break;
    default: break;
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
    if constexpr (isPending<SetupPage>) {
        // Channel names and the processor generation are wanted at once after a login.
        proto::sendFrame(proto::ClassSystem, 3, 1, proto::DirRequest, nullptr, 0);
        proto::sendFrame(proto::ClassSystem, 3, 2, proto::DirRequest, nullptr, 0);
        proto::sendFrame(proto::ClassSystem, 2, 2, proto::DirRequest, nullptr, 0);
    }
    ifBuilt(m_setup, [](auto *p) { p->requestDeviceInfo(); });
    ifBuilt(m_security, [](auto *p) { p->requestLockTable(); });
}

QWidget *FuncWidget::currentPage() const { return m_stack->currentWidget(); }

QWidget *FuncWidget::cailDialog() const { return m_cail; }

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
        ifBuilt(m_outDelay, [](auto *p) { p->setReducedDelayRange(false); });
    } else if (ver->major == 2) {
        if (m_stack->widget(TabInDelay) == m_inDelay) {
            m_stack->removeWidget(m_inDelay);
            registerButtons(false);
            m_tabLayout->removeWidget(m_buttons[TabInDelay]);
            m_buttons[TabInDelay]->setVisible(false);
        }
        ifBuilt(m_outDelay, [](auto *p) { p->setReducedDelayRange(true); });
    }
    // The stack may have moved to another page when the shown one was taken out.
    if (QAbstractButton *shown = m_group->button(m_stack->currentIndex()))
        shown->setChecked(true);
    emit sigArmVer(QString::asprintf("V%d.%d.%d", ver->major, ver->minor, ver->patch));
}

void FuncWidget::setInLabel(uchar channel, QString label)
{
    auto name = [&](auto *p) { p->setChannelName(channel, label); };
    ifBuilt(m_inLevel, name);
    ifBuilt(m_gate, name);
    ifBuilt(m_feedback, name);
    ifBuilt(m_inFilter, name);
    ifBuilt(m_inLimiter, name);
    ifBuilt(m_inDelay, name);
    ifBuilt(m_mixer, [&](auto *p) { p->setInChannelName(channel, label); });
}

void FuncWidget::setOutLabel(uchar channel, QString label)
{
    auto name = [&](auto *p) { p->setChannelName(channel, label); };
    ifBuilt(m_mixer, [&](auto *p) { p->setOutChannelName(channel, label); });
    ifBuilt(m_sigGenerator, name);
    ifBuilt(m_outLevel, name);
    ifBuilt(m_outFilter, name);
    ifBuilt(m_outLimiter, name);
    ifBuilt(m_outDelay, name);
}

void FuncWidget::setInMute(uchar channel, bool mute)
{
    ifBuilt(m_inLevel, [&](auto *p) { p->setMute(channel, mute); });
}

void FuncWidget::setOutMute(uchar channel, bool mute)
{
    ifBuilt(m_outLevel, [&](auto *p) { p->setMute(channel, mute); });
}

void FuncWidget::setInSelect(int index)
{
    auto select = [&](auto *p) { p->selectChannel(index); };
    ifBuilt(m_inFilter, select);
    ifBuilt(m_inLimiter, select);
}

void FuncWidget::setOutSelect(int index)
{
    auto select = [&](auto *p) { p->selectChannel(index); };
    ifBuilt(m_mixer, select);
    ifBuilt(m_outFilter, select);
    ifBuilt(m_outLimiter, select);
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

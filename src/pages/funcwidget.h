#pragma once

#include "modules/delaypanel.h"
#include "modules/feedback.h"
#include "modules/filterpanel.h"
#include "modules/gatepanel.h"
#include "modules/levelpanel.h"
#include "modules/limiterpanel.h"
#include "modules/mixer.h"
#include "modules/siggenerator.h"
#include "pages/cail.h"
#include "pages/setup.h"
#include "pages/preset.h"
#include "pages/presetimage.h"
#include "pages/security.h"
#include "protocol/transfer.h"

#include <QPushButton>
#include <QSet>
#include <QWidget>

#include <array>
#include <functional>

class QButtonGroup;
class QHBoxLayout;
class QStackedWidget;
namespace proto {
class FrameRouter;
}

// The page classes of the container.
using InLevelPage = QInLevel;        // module 1
using GatePage = QGate;              // module 2
using FeedbackPage = QFeedback;      // module 3
using InFilterPage = QInFilter;      // module 4
using InLimiterPage = QInLimiter;    // module 5
using InDelayPage = QInDelay;        // module 6
using MixerPage = QMixer;            // module 7
using SigGeneratorPage = QSigGenerator; // module 8
using OutLevelPage = QOutLevel;      // module 9
using OutFilterPage = QOutFilter;    // module 10
using OutLimiterPage = QOutLimiter;  // module 11
using OutDelayPage = QOutDelay;      // module 12
using PresetPage = QPreset;          // module 32
using SetupPage = QSetup;            // system types 2-4
using SecurityPage = QSecurity;      // system type 5
using CailDialog = QCail;

// The tab container: fifteen tab buttons over a stack of pages, the routing of module and
// settings/security Frames to the pages, and the relays between pages and the overview.
class FuncWidget : public QWidget {
    Q_OBJECT
public:
    // Tab ids in the standard order (fifteen tabs); equal to the stack index.
    enum Tab {
        TabInLevel, TabGate, TabFeedback, TabInFilter, TabInLimiter, TabInDelay, TabMatrix,
        TabSignal, TabOutLevel, TabOutFilter, TabOutLimiter, TabOutDelay, TabPreset,
        TabSettings, TabSecurity, TabCount
    };

    explicit FuncWidget(QWidget *parent = nullptr);

    // Registers the container's pages with the router: class 3 module ids 1-12 and 32,
    // class 2 types 2-5.
    void registerRoutes(proto::FrameRouter &router);

    // Routing entry points. Module ids without a page and other system types are ignored.
    void receiveModule(quint8 moduleId, quint8 code, quint8 direction, quint16 length,
                       const uchar *payload);
    void receiveSystem(quint8 frameType, quint8 code, quint8 direction, quint16 length,
                       const uchar *payload);

    // After a successful login: the security page reads the lock table of this processor,
    // the settings page asks for the device information.
    void requestDeviceInfo();

    // Every block's current values, as the offline preset file holds them.
    PresetSnapshot presetSnapshot() const;
    // The requests that read every value of the snapshot from the processor.
    QList<proto::TransferMessage> presetReadRequests() const;
    // The link to the processor is gone: every page's meters fall to their floor and its
    // values are greyed as not current, each page until the processor reports to it again.
    void linkLost();
    bool isStale(const QWidget *page) const { return m_stale.contains(page); }

    QWidget *page(Tab tab) const { return m_pages[tab]; }
    QPushButton *tabButton(Tab tab) const { return m_buttons[tab]; }
    QWidget *pageForModule(quint8 moduleId) const;
    QWidget *currentPage() const;
    QWidget *cailDialog() const;
    QButtonGroup *buttonGroup() const { return m_group; }
    QStackedWidget *stack() const { return m_stack; }

    // Test seam: sees every routed Frame's page just before the page receives it.
    using RouteTap = std::function<void(QWidget *page)>;
    void setRouteTap(RouteTap tap) { m_routeTap = std::move(tap); }

Q_SIGNALS:
    void sigInMeter(uchar channel, int value);
    void sigInMute(uchar channel, bool mute);
    void sigGateOpen(uchar channel, bool open);
    void sigInLimiterMeter(uchar channel, int value);
    void sigOutMeter(uchar channel, int value);
    void sigOutMute(uchar channel, bool mute);
    void sigOutLimiterMeter(uchar channel, int value);
    void sigModel(QString model);
    void sigArmVer(QString version);
    void sigDspVer(QString version);
    void sigLocation(QString location);
    void sigDescription(QString description);
    void sigIpaddr(uint address);
    void sigAllMute(bool mute);
    void sigDspRes(float usage, float peak);
    // The output selected on the mixer page.
    void sigOutChannelChanged(uchar output);

public Q_SLOTS:
    void cailAccess();
    void armVerChanged(firmware *ver);
    void setInLabel(uchar channel, QString label);
    void setOutLabel(uchar channel, QString label);
    void setInMute(uchar channel, bool mute);
    void setOutMute(uchar channel, bool mute);
    void setInSelect(int index);
    void setOutSelect(int index);
    // Writes the offline preset file of variant saveType (0: 48 kHz) to dir, a file path.
    void savePreset2PC(uchar saveType, QString dir);
    void languageLoad();

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    template <class P> P *newPage(Tab tab, const char *containerName);
    void makeConnections();
    void registerButtons(bool withInDelay);
    void deliver(QWidget *page);
    void writePresetFile(int variant, const QString &path);
    void markStale(QWidget *page);
    void markFresh(QWidget *page);

    CailDialog *m_cail = nullptr;
    InLevelPage *m_inLevel = nullptr;
    GatePage *m_gate = nullptr;
    FeedbackPage *m_feedback = nullptr;
    InFilterPage *m_inFilter = nullptr;
    InLimiterPage *m_inLimiter = nullptr;
    InDelayPage *m_inDelay = nullptr;
    MixerPage *m_mixer = nullptr;
    SigGeneratorPage *m_sigGenerator = nullptr;
    OutLevelPage *m_outLevel = nullptr;
    OutFilterPage *m_outFilter = nullptr;
    OutLimiterPage *m_outLimiter = nullptr;
    OutDelayPage *m_outDelay = nullptr;
    PresetPage *m_preset = nullptr;
    SetupPage *m_setup = nullptr;
    SecurityPage *m_security = nullptr;

    std::array<QWidget *, TabCount> m_pages{};
    QSet<const QWidget *> m_stale;
    std::array<QPushButton *, TabCount> m_buttons{};
    QButtonGroup *m_group = nullptr;
    QStackedWidget *m_stack = nullptr;
    QHBoxLayout *m_tabLayout = nullptr;
    RouteTap m_routeTap;
};

#pragma once

#include <QString>
#include <QWidget>

#include <array>

class FuncWidget;
class QLabel;
class QMeterWidget;
class QPushButton;

// The strip across the top: level and gain-reduction meters, mute and gate state of every
// channel, and a box with the connected processor's identity, connection state and DSP load.
class QOverView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kInputs = 4;
    static constexpr int kOutputs = 8;
    static constexpr int kFloor = -60;
    static constexpr int kDeepFloor = -100;

    explicit QOverView(QWidget *parent = nullptr);

    // Connection display; state is a QAbstractSocket::SocketState value or kReconnecting.
    void setNetState(int state);
    static constexpr int kReconnecting = 100;
    // Forgets what the previous processor reported about itself (model, address, versions,
    // location, description, DSP load).
    void clearDeviceFacts();

    // A lost link drops every meter to its floor, puts out the gate lights and greys the
    // processor's facts as not current; a live link shows them again.
    void setLinkLive(bool live);

    bool allMute() const { return m_allMute; }
    int netState() const { return m_netState; }

Q_SIGNALS:
    void inMuteChanged(uchar channel, bool mute);
    void outMuteChanged(uchar channel, bool mute);

public Q_SLOTS:
    void setAllMute(bool mute);
    void setInMute(uchar ucChannel, bool mute);
    void setOutMute(uchar ucChannel, bool mute);
    void setGateState(uchar channel, bool open);
    void setInMeter(uchar channel, int value);
    void setInCompMeter(uchar channel, int value);
    void setOutMeter(uchar channel, int value);
    void setOutCompMeter(uchar channel, int value);
    void setModel(QString model);
    void setIPAddrState(uint ipaddr);
    void setDspRes(float usage, float peak);
    void setArmVer(QString ver);
    void setDspVer(QString ver);
    void setLocation(QString location);
    void setDescription(QString description);

    void CtrlNClicked();
    void muteAccess();
    void allMuteClicked(bool isChecked);
    // Connected to the strip mute buttons' clicked(bool); the sending button names the channel.
    void inMuteClicked(bool isChecked);
    void outMuteClicked(bool isChecked);

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct Strip {
        QWidget *widget = nullptr;
        QLabel *channel = nullptr;
        QPushButton *mute = nullptr;
        QLabel *comp = nullptr;
        QMeterWidget *level = nullptr;
        QLabel *levelValue = nullptr;
        QMeterWidget *reduction = nullptr;
        QLabel *reductionValue = nullptr;
        QPushButton *gate = nullptr; // inputs only
    };
    enum InfoRow { Model, IpAddr, ArmVer, DspVer, Location, Description, State, DspLoad };
    static constexpr int kInfoRows = 8;

    Strip buildStrip(bool input, int channel);
    QWidget *buildInfoBox();
    void setTitleTexts();
    void retranslateUi();
    void showNetState();
    void sendAllMute();
    void sendMute(bool input, int channel, bool isChecked);
    static void setLevel(Strip &strip, int value);
    static void setReduction(Strip &strip, int value);

    std::array<Strip, kInputs> m_in;
    std::array<Strip, kOutputs> m_out;
    std::array<QLabel *, kInfoRows> m_titles{};
    std::array<QLabel *, kInfoRows> m_values{};
    QLabel *m_spacer = nullptr;
    QPushButton *m_allMuteButton = nullptr;
    QLabel *m_versionLabel = nullptr;
    bool m_allMute = false;
    int m_netState = 0;

    friend class TestOverView;
};

// The main window's connections between the tab container and the overview: meters, mutes,
// gate states and device facts to the overview, its mute buttons back to the level pages.
void connectOverview(FuncWidget *container, QOverView *overview);

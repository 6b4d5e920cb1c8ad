#pragma once

#include "modules/modulepanel.h"
#include "protocol/blocklimits.h"

#include <QString>

#include <array>

class QComboBox;
class QFader;
class QLabel;
class QLineEdit;
class QMeterWidget;
class QPushButton;

// One channel of a level block as the processor holds it.
struct LevelChannel {
    quint8 mute = 0;
    quint8 invert = 0;
    float gain = 0.0f;
    quint8 group = 0;
    qint8 meter = -60;
};

// The level panel of the inputs (module 1) or the outputs (module 9): per channel a gain,
// mute, polarity invert, link group and meter, shown as vertical strips side by side.
// Mute, invert and gain edits act on the channel's whole group; only one set goes out, for
// the edited channel, because the processor applies the link itself.
class QLevelPanel : public QModulePanel {
    Q_OBJECT
public:
    static constexpr float kMinGain = blocklimits::kMinGain;
    static constexpr float kMaxGain = blocklimits::kMaxGain;
    static constexpr int kMeterFloor = -60;

    enum Code : quint8 {
        CodeMeter = 1,
        CodeMute = 2,
        CodeGain = 3,
        CodeInvert = 4,
        CodeGroup = 5,
        CodeCail = 32,
    };

    // Read access to the mirror (the preset file writer, tests).
    const LevelChannel &channelState(int channel) const { return m_mirror[channel]; }
    int groupCount() const { return isInputSide() ? 2 : 4; }

    void receive(quint8 code, quint8 direction, quint16 length, const uchar *payload) override;
    void setChannelName(uchar channel, const QString &name);
    // Display only: the overview has already sent the message.
    void setMute(uchar channel, bool mute);

    // The widgets of one strip, for the container's tests and the style sheet.
    struct Strip {
        QWidget *background = nullptr;
        QLabel *title = nullptr;
        QLabel *groupLabel = nullptr;
        QComboBox *group = nullptr;
        QLabel *level = nullptr;
        QMeterWidget *meter = nullptr;
        QLabel *gainLabel = nullptr;
        QLineEdit *gainEdit = nullptr;
        QFader *fader = nullptr;
        QPushButton *mute = nullptr;
        QPushButton *invert = nullptr;
    };
    const Strip &strip(int channel) const { return m_strips[size_t(channel)]; }

    void linkLost() override;

Q_SIGNALS:
    void sigMeter(uchar channel, int value);
    void sigMute(uchar channel, bool mute);
    void sigCail(uchar channel, float gain);

public Q_SLOTS:
    void setSecurityState(uchar channel, uchar state);
    void gainEditingFinished(uchar channel);
    void gainFaderChanged(uchar channel, float fval);
    void muteClicked(uchar channel, bool isChecked);
    void invertClicked(uchar channel, bool isChecked);
    void groupChanged(uchar channel, int index);
    // The same actions for a strip widget's own signal: the channel is the strip whose
    // widget of that kind sent it (nothing happens for any other sender).
    void gainEditingFinished();
    void gainFaderChanged(float fval);
    void muteClicked(bool isChecked);
    void invertClicked(bool isChecked);
    void groupChanged(int index);

protected:
    QLevelPanel(quint8 moduleId, int channelCount, QWidget *parent);

    void poll(quint32 tick) override;
    int pollPeriod() const override { return 5; }
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildStrip(int channel);
    void retranslate();

    void setMuteValue(int channel, bool mute);
    void setInvert(int channel, bool invert);
    void setGain(int channel, float gain);
    void setGroup(int channel, quint8 group);
    void setMeter(int channel, qint8 value);
    void showMeter(int channel);
    // Runs fn for every channel of channel's group (in channel order), or channel alone.
    template <typename Fn> void linked(int channel, Fn &&fn);
    void showGainText(int channel);
    // The channel whose strip holds the sender in the given widget slot, or -1.
    template <typename W> int senderChannel(W *Strip::*widget) const;

    ChannelMirror<LevelChannel> m_mirror;
    std::array<Strip, kOutputChannels> m_strips{};
    std::array<int, kOutputChannels> m_gainSend{};
    // Meters arrive ten times a second on every page; a hidden panel shows them when shown.
    bool m_metersStale = false;
};

// "In Level": the four inputs. While a fader moves, every report but the meters is held.
class QInLevel : public QLevelPanel {
    Q_OBJECT
public:
    explicit QInLevel(QWidget *parent = nullptr);
};

// "Out Level": the eight outputs. While a fader moves, only gain reports are held.
class QOutLevel : public QLevelPanel {
    Q_OBJECT
public:
    explicit QOutLevel(QWidget *parent = nullptr);
};

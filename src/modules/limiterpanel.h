#pragma once

#include "protocol/limiterparams.h"
#include "modules/modulepanel.h"

#include <array>

class Knob;
class QChannelSelect;
class QLabel;
class QLineEdit;
class QMeterWidget;
class QPushButton;
class qtLimitCtrl;

// A compressor/limiter panel: one channel shown at a time (channel buttons), its enable,
// threshold, ratio, attack and decay, the transfer curve, and input, output and gain
// reduction meters. QInLimiter and QOutLimiter below are the two sides of the same design.
class QLimiterPanel : public QModulePanel {
    Q_OBJECT
public:
    enum Code : quint8 { CodeBlock = 1, CodeCopy = 2, CodeReset = 3, CodeMeter = 4 };
    static constexpr int kMeterFloor = -60;
    // Knob sends wait for 10 ticks (200 ms) of stillness.
    static constexpr quint8 kSendTicks = 10;

    struct Side {
        quint8 moduleId;
        int channels;
        const char *caption;    // "Input Channel" / "Output Channel"
        const char *prefix;     // "I" / "O"
        const char *objectName; // style sheet selector of the panel
    };

    ~QLimiterPanel() override;

    void receive(quint8 code, quint8 direction, quint16 length, const uchar *payload) override;
    void setChannelName(uchar channel, const QString &name);
    void selectChannel(int channel);

    // Read access to the mirror (preset writer, tests) and the view.
    const LimiterParams &channelState(int channel) const { return m_mirror[channel]; }
    int shownChannel() const { return m_channel; }

    // One value with its caption, line edit and knob.
    struct Param {
        QLabel *caption = nullptr;
        QLineEdit *edit = nullptr;
        Knob *knob = nullptr;
    };
    // One meter with its value label above and caption below.
    struct Meter {
        QLabel *value = nullptr;
        QMeterWidget *meter = nullptr;
        QLabel *caption = nullptr;
    };
    struct Widgets {
        QWidget *chart = nullptr;
        QWidget *cfg = nullptr;
        QPushButton *enable = nullptr;
        qtLimitCtrl *curve = nullptr;
        Meter input, output, reduction;
        Param thresh, ratio, attack, decay;
        QLabel *channelCaption = nullptr;
        std::array<QPushButton *, kOutputChannels> channels{};
        QPushButton *copy = nullptr;
        QPushButton *reset = nullptr;
    };
    const Widgets &widgets() const { return m_w; }
    QChannelSelect *channelSelect() const { return m_chooser; }

Q_SIGNALS:
    // Gain reduction (input minus output, dB) of every channel in every meter report.
    void sigMeter(uchar channel, int value);

public Q_SLOTS:
    void setSecurityState(uchar channel, uchar state);
    void enableClicked(bool checked);
    void ThreshEditingFinished();
    void RatioEditingFinished();
    void AttackEditingFinished();
    void DecayEditingFinished();
    void ThreshChanged(float value);
    void RatioChanged(float value);
    void AttackChanged(float value);
    void DecayChanged(float value);
    void CopyToClicked();
    void channelCopy(uchar select, char *args);
    void ResetClicked();
    void channelChanged(int channel);

protected:
    QLimiterPanel(const Side &side, QWidget *parent);

    // Hands the record and the other side's mask to the sibling panel.
    virtual void emitSiblingCopy(uchar select, char *args) = 0;

    void poll(quint32 tick) override;
    // Meters every fifth tick, shown or not (the overview needs the gain reduction).
    int pollPeriod() const override { return 5; }
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    enum Field { Enable, Threshold, Ratio, Attack, Decay };

    // Stores a new record for channel; when it is on screen, the changed fields are shown.
    void setRecord(int channel, const LimiterParams &next);
    void showField(Field field);
    void showChannel();
    void showMeter(Meter &m, int &shown, int value);
    void applyLock();

    void buildUi();
    void buildMeter(Meter &m, QWidget *parent);
    void buildParam(Param &p, QWidget *parent, float minimum, float maximum, float value,
                    const char *pattern, const QString &text);
    void retranslate();
    void connectWidgets();

    // Knob edits: store, then send after kSendTicks of stillness.
    void knobEdit(Field field, int sendId, const LimiterParams &next);
    // Typed edits: store and send at once; refused text shows the stored value again.
    void typedEdit(Field field, const std::optional<LimiterParams> &next);
    // Pending knob values belong to the shown channel: they go out before it changes.
    void flushSends();
    void sendBlock() const;

    Side m_side;
    ChannelMirror<LimiterParams> m_mirror;
    int m_channel = 0;
    std::array<uchar, kOutputChannels> m_locks{};
    std::array<QString, kOutputChannels> m_names;
    int m_shownIn = kMeterFloor, m_shownOut = kMeterFloor, m_shownReduction = 0;
    std::array<int, 4> m_send{}; // threshold, ratio, attack, decay
    Widgets m_w;
    QChannelSelect *m_chooser = nullptr;
};

// "In Limiter": module 5, inputs I1-I4.
class QInLimiter : public QLimiterPanel {
    Q_OBJECT
public:
    explicit QInLimiter(QWidget *parent = nullptr);
Q_SIGNALS:
    void sigOutCopy(uchar select, char *args);

protected:
    void emitSiblingCopy(uchar select, char *args) override { emit sigOutCopy(select, args); }
};

// "Out Limiter": module 11, outputs O1-O8.
class QOutLimiter : public QLimiterPanel {
    Q_OBJECT
public:
    explicit QOutLimiter(QWidget *parent = nullptr);
Q_SIGNALS:
    void sigInCopy(uchar select, char *args);

protected:
    void emitSiblingCopy(uchar select, char *args) override { emit sigInCopy(select, args); }
};

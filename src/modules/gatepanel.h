#pragma once

#include "modules/modulepanel.h"

#include <QString>

#include <array>

class Knob;
class QLabel;
class QLineEdit;
class QPushButton;

// One channel of the gate block as the processor holds it: the values as reported (or as
// last sent), which the controls may show truncated and clamped.
struct GateChannel {
    quint8 enable = 0;
    float threshold = -65.0f; // dBu
    float attack = 20.0f;     // ms
    float decay = 20.0f;      // ms
};

// "Gate" (module 2): the noise gate of the four inputs, all four strips at once. Each strip
// has an enable button, an open-state lamp and threshold, attack and decay as a line edit
// and a knob. A knob movement goes out 100 ms after the knob stops, as one set of that
// channel's whole record; typed values and the enable button go out at once.
class QGate : public QModulePanel {
    Q_OBJECT
public:
    enum Code : quint8 {
        CodeOpenState = 1,
        CodeParams = 2,
    };
    enum Param { Thresh, Attack, Decay, ParamCount };
    static constexpr quint16 kParamsLength = 14;

    explicit QGate(QWidget *parent = nullptr);

    // Lowest and highest value of a parameter.
    static int minimum(Param param) { return param == Thresh ? -120 : 20; }
    static int maximum(Param param) { return param == Thresh ? 0 : 1000; }

    // Read access to the mirror (the preset file writer, tests).
    GateChannel channelState(int channel) const;
    // What the controls show of a parameter: whole units within its range.
    static int value(const GateChannel &record, Param param);
    // The parameter as the block holds it.
    static float held(const GateChannel &record, Param param);
    bool isOpen(int channel) const { return m_open[size_t(channel)]; }

    void receive(quint8 code, quint8 direction, quint16 length, const uchar *payload) override;
    void setChannelName(uchar channel, const QString &name);

    // The widgets of one strip, for tests and the style sheet.
    struct ParamWidgets {
        QLabel *caption = nullptr;
        QLineEdit *edit = nullptr;
        Knob *knob = nullptr;
    };
    struct Strip {
        QWidget *background = nullptr;
        QLabel *title = nullptr;
        QPushButton *enable = nullptr;
        QPushButton *lamp = nullptr;
        std::array<ParamWidgets, ParamCount> params{};
    };
    const Strip &strip(int channel) const { return m_strips[size_t(channel)]; }

Q_SIGNALS:
    void sigOpenState(uchar channel, bool open);

public Q_SLOTS:
    void setSecurityState(uchar channel, uchar state);
    void enableClicked(uchar channel, bool isChecked);
    void paramEditingFinished(uchar channel, Param param);
    void paramKnobChanged(uchar channel, Param param, float value);
    // The same actions for a strip widget's own signal: the channel is the strip whose
    // widget of that kind sent it (nothing happens for any other sender).
    void enableClicked(bool isChecked);
    void threshEditingFinished();
    void attackEditingFinished();
    void decayEditingFinished();
    void threshChanged(float value);
    void attackChanged(float value);
    void decayChanged(float value);

protected:
    void poll(quint32 tick) override;
    // The open states are asked for every fifth tick, shown or not.
    int pollPeriod() const override { return 5; }
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void buildStrip(int channel);
    void retranslate();
    void setEnable(int channel, bool enable);
    void setParam(int channel, Param param, double value);
    void showChannel(int channel);
    void showParam(int channel, Param param);
    void setOpen(int channel, bool open);
    void sendChannel(int channel) const;
    int senderChannel(Param param, bool edit) const;

    // Each channel's last report (or factory values), the base of every set of the channel: a
    // set sends it back with only the edited field replaced.
    std::vector<model::Record> m_records;
    std::array<bool, kInputChannels> m_open{};
    std::array<Strip, kInputChannels> m_strips{};
    // Deferred sends per channel and parameter.
    std::array<std::array<int, ParamCount>, kInputChannels> m_send{};
};

#pragma once

#include "modules/editpacing.h"

#include <QDialog>

#include <array>

class QFader;
class QLabel;
class QLineEdit;
class QPushButton;

// The calibration dialog: the calibration value (dB) of every input and output level block,
// a fader and a text field per channel, plus "Mix" (every input to every output on or off)
// and "System \nReset". It polls the values every 200 ms while it is open; a moved fader is
// sent 5 ticks after it stops and reports are ignored for 10 ticks after the last move.
class QCail : public QDialog {
    Q_OBJECT
public:
    static constexpr int kInputs = 4;
    static constexpr int kOutputs = 8;
    static constexpr quint8 kInLevelModule = 1;
    static constexpr quint8 kOutLevelModule = 9;
    static constexpr quint8 kMixerModule = 7;
    static constexpr quint8 kCailCode = 32;

    explicit QCail(QWidget *parent = nullptr);

    float inputGain(int channel) const { return m_inGain[size_t(channel)]; }
    float outputGain(int channel) const { return m_outGain[size_t(channel)]; }
    QFader *inputFader(int channel) const { return m_in[size_t(channel)].fader; }
    QFader *outputFader(int channel) const { return m_out[size_t(channel)].fader; }
    QLineEdit *inputEdit(int channel) const { return m_in[size_t(channel)].edit; }
    QLineEdit *outputEdit(int channel) const { return m_out[size_t(channel)].edit; }
    QPushButton *mixButton() const { return m_mix; }
    QPushButton *resetButton() const { return m_reset; }
    // Coming ticks of the shared clock in which the dialog only counts.
    int quietTicks() const;

public Q_SLOTS:
    void setInlevelGain(uchar ucChannel, float fvalue);
    void setOutlevelGain(uchar ucChannel, float fvalue);
    void timeOut20ms();
    void setInCail(uchar channel, float gain);
    void setOutCail(uchar channel, float gain);
    void inlevelGainEditingFinished(uchar channel);
    void inlevelFaderChanged(uchar channel, float fval);
    void outlevelGainEditingFinished(uchar channel);
    void outlevelFaderChanged(uchar channel, float fval);
    void mixClicked(bool isChecked);
    void systemResetClicked();
    // The same edits for a strip widget's own signal: the channel is the strip whose field or
    // fader sent it (nothing happens for any other sender).
    void inlevelGainEditingFinished();
    void inlevelFaderChanged(float fval);
    void outlevelGainEditingFinished();
    void outlevelFaderChanged(float fval);

protected:
    void changeEvent(QEvent *event) override;

private:
    struct Strip {
        QLabel *caption = nullptr;
        QLineEdit *edit = nullptr;
        QFader *fader = nullptr;
    };
    enum class Side { Input, Output };

    QWidget *buildStrip(Side side, int channel, Strip &strip);
    // Stores a gain and shows it on fader and field without any change signal.
    void display(Side side, int channel, float gain);
    void userChange(Side side, int channel, float gain);
    void editingFinished(Side side, int channel);
    void sendGain(Side side, int channel) const;
    bool valid(Side side, int channel) const;
    // The channel whose strip on side holds the sender as field (or fader), or -1.
    int senderChannel(Side side, bool fader) const;
    // What the shared clock runs: a full tick while the dialog is open; while it is closed
    // only a value moved just before closing still goes out.
    void clockTick();
    void paceEdits();

    std::array<float, kInputs> m_inGain{};
    std::array<float, kOutputs> m_outGain{};
    std::array<DeferredSend, kInputs> m_inSend{};
    std::array<DeferredSend, kOutputs> m_outSend{};
    EditHold m_editHold;
    quint32 m_tick = 0;
    std::array<Strip, kInputs> m_in{};
    std::array<Strip, kOutputs> m_out{};
    QPushButton *m_mix = nullptr;
    QPushButton *m_reset = nullptr;
};

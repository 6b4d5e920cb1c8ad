#pragma once

#include "modules/modulepanel.h"
#include "protocol/blocklimits.h"

#include <QString>

#include <array>

class QFader;
class QLabel;
class QLineEdit;
class QMixButton;
class QMixRect;
class QPushButton;

// "Matrix": the processor's 8 x 4 mixer. Every output is fed by any of the four inputs, each
// crosspoint with an on/off switch and a gain in whole dB. The matrix shows every crosspoint;
// the strip area beside it edits the four crosspoints of the selected output.
class QMixer : public QModulePanel {
    Q_OBJECT
public:
    static constexpr quint8 kModuleId = 7;
    static constexpr int kMinGain = blocklimits::kMinMixGain;
    static constexpr int kMaxGain = blocklimits::kMaxMixGain;

    enum Code : quint8 {
        CodeEnable = 1,
        CodeGain = 2,
    };

    explicit QMixer(QWidget *parent = nullptr);

    // Read access to the mirror (the preset file writer, tests): gains as the processor
    // reported them, which the controls show clamped to kMinGain .. kMaxGain.
    bool crosspointOn(int output, int input) const { return m_enable[idx(output)][idx(input)]; }
    int crosspointGain(int output, int input) const { return m_gain[idx(output)][idx(input)]; }
    int selectedOutput() const { return m_selected; }

    void receive(quint8 code, quint8 direction, quint16 length, const uchar *payload) override;
    // Undo and redo send one crosspoint ([output][input][value]); reports carry whole rows.
    void showRecorded(quint8 code, const QByteArray &setPayload) override;
    // The input's matrix header.
    void setInChannelName(uchar input, const QString &name);
    // The output's row caption, and the strip caption when it is the selected output.
    void setOutChannelName(uchar output, const QString &name);
    // Selects an output from outside (the container).
    void selectChannel(int output);

    // The widgets, for tests and the style sheet.
    struct Strip {
        QWidget *background = nullptr;
        QLabel *title = nullptr;
        QLabel *gainLabel = nullptr;
        QLineEdit *gainEdit = nullptr;
        QFader *fader = nullptr;
        QPushButton *enable = nullptr;
    };
    const Strip &strip(int input) const { return m_strips[idx(input)]; }
    QMixButton *button(int output, int input) const { return m_buttons[idx(output)][idx(input)]; }
    QMixRect *row(int output) const { return m_rows[idx(output)]; }
    QLabel *stripCaption() const { return m_caption; }
    QWidget *stripArea() const { return m_stripArea; }
    QPushButton *allMixButton() const { return m_allMix; }
    QPushButton *resetButton() const { return m_reset; }

Q_SIGNALS:
    void outputChanged(uchar output);

public Q_SLOTS:
    void setSecurityState(uchar output, uchar state);
    void mixButtonSelect(uchar output);
    void mixButtonDoubleClicked(uchar output, uchar input, bool on);
    void gainEditingFinished(uchar input);
    void gainFaderChanged(uchar input, float fval);
    void inEnableClicked(uchar input, bool isChecked);
    void outRectClicked(uchar output);
    void allMixButtonClicked();
    void resetButtonClicked();
    // The same actions for a widget's own signal: the sender gives the output or input
    // (nothing happens for any other sender).
    void mixButtonSelect();
    void mixButtonDoubleClicked(bool on);
    void gainEditingFinished();
    void gainFaderChanged(float fval);
    void inEnableClicked(bool isChecked);
    void outRectClicked();

protected:
    void poll(quint32 tick) override;
    int pollPeriod() const override { return isShown() ? 10 : 0; }
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    static size_t idx(int i) { return size_t(i); }
    static bool valid(int output, int input)
    {
        return output >= 0 && output < kOutputChannels && input >= 0 && input < kInputChannels;
    }

    QWidget *buildMatrix();
    QWidget *buildStrips();
    void retranslate();

    void setEnable(int output, int input, bool on);
    void setGain(int output, int input, int gain);
    void showStrip(int input);
    void selectOutput(int output);
    void applyLocks();
    // "All Mix" (on) and "Reset" (off) after the user confirms.
    void setWholeMatrix(bool on, const QString &title, const QString &text);
    void sendGain(int output, int input);
    void sendEnable(int output, int input);

    std::array<std::array<quint8, kInputChannels>, kOutputChannels> m_enable{};
    std::array<std::array<qint8, kInputChannels>, kOutputChannels> m_gain{};
    std::array<quint8, kOutputChannels> m_lock{};
    int m_selected = 0;
    // One deferred gain send per input, and the output each one was edited on.
    std::array<int, kInputChannels> m_gainSend{};
    std::array<int, kInputChannels> m_gainOutput{};

    std::array<QLabel *, kInputChannels> m_headers{};
    std::array<QMixRect *, kOutputChannels> m_rows{};
    std::array<QLabel *, kOutputChannels> m_rowCaptions{};
    std::array<std::array<QMixButton *, kInputChannels>, kOutputChannels> m_buttons{};
    QPushButton *m_allMix = nullptr;
    QPushButton *m_reset = nullptr;
    QWidget *m_stripArea = nullptr;
    QLabel *m_caption = nullptr;
    std::array<Strip, kInputChannels> m_strips{};
};

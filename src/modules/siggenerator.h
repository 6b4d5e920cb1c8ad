#pragma once

#include "modules/modulepanel.h"

#include <QString>

#include <array>

class QComboBox;
class QFader;
class QLabel;
class QLineEdit;
class QPushButton;

// The generator block as the processor holds it. Source, frequency, gain and mute belong to
// the whole block; only the routing is per output. Frequency and gain are kept as reported
// or sent; the controls show them in whole units within their ranges.
struct GeneratorState {
    quint8 mute = 0;
    float frequency = 1000.0f; // Hz
    quint8 source = 1;         // 0 pink noise, 1 sine, 2 white noise
    float gain = -30.0f;       // dBu
    std::array<quint8, QModulePanel::kOutputChannels> outputs{};
};

// "Signal": the processor's test-signal generator, routed to any of the eight outputs.
class QSigGenerator : public QModulePanel {
    Q_OBJECT
public:
    static constexpr quint8 kModuleId = 8;
    static constexpr float kMinGain = -70.0f;
    static constexpr float kMaxGain = 12.0f;
    static constexpr int kMinFrequency = 20;
    static constexpr int kMaxFrequency = 20000;
    static constexpr float kSineFrequency = 1000.0f;
    static constexpr quint8 kSine = 1;

    enum Code : quint8 {
        CodeOutput = 1,
        CodeFrequency = 2,
        CodeSource = 3,
        CodeGain = 4,
        CodeMute = 5,
    };

    explicit QSigGenerator(QWidget *parent = nullptr);

    // Read access to the mirror (the preset file writer, tests).
    const GeneratorState &state() const { return m_state; }

    void receive(quint8 code, quint8 direction, quint16 length, const uchar *payload) override;
    // The output button's text: the output's name, or "O%d" without one.
    void setChannelName(uchar output, const QString &name);

    QComboBox *sourceBox() const { return m_source; }
    QLineEdit *frequencyEdit() const { return m_freqEdit; }
    QLineEdit *gainEdit() const { return m_gainEdit; }
    QFader *fader() const { return m_fader; }
    QPushButton *muteButton() const { return m_mute; }
    QPushButton *outputButton(int output) const { return m_outputs[size_t(output)]; }

public Q_SLOTS:
    void setSecurityState(uchar output, uchar state);
    void muteClicked(bool isChecked);
    void outButtonClicked(uchar output, bool isChecked);
    // The same for an output button's own signal: the output is the sender's.
    void outButtonClicked(bool isChecked);
    void sigGainChanged(float fval);
    void gainEditingFinished();
    void freqEditingFinished();
    void SGSrcChanged(int index);

protected:
    void poll(quint32 tick) override;
    int pollPeriod() const override { return 10; }
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void buildParameters(QWidget *area);
    void buildOutputs(QWidget *area);
    void retranslate();

    void setGain(float gain);
    void setFrequency(float hertz);
    void setSource(quint8 source);
    void setMute(bool mute);
    void setOutput(int output, bool on);
    void showGainText();
    void showFrequencyText();
    // A set of the field of code (output: the routing's output, else -1) through the
    // description's writer.
    void sendCode(Code code, int output, double value);

    GeneratorState m_state;
    int m_gainSend = -1;

    QComboBox *m_source = nullptr;
    QLabel *m_freqLabel = nullptr;
    QLineEdit *m_freqEdit = nullptr;
    QLabel *m_gainLabel = nullptr;
    QLineEdit *m_gainEdit = nullptr;
    QFader *m_fader = nullptr;
    QPushButton *m_mute = nullptr;
    QLabel *m_outputLabel = nullptr;
    std::array<QPushButton *, kOutputChannels> m_outputs{};
};

#pragma once

#include <QDialog>

#include <array>

class QDialogButtonBox;
class QGroupBox;
class QPushButton;

// "Copy to" target chooser: the user ticks any of the 4 input and 8 output channels and the
// dialog returns the choice as two channel masks (bit i = channel i). The source channel's
// own button is disabled; every button is cleared again when the dialog closes.
class QChannelSelect : public QDialog {
    Q_OBJECT
public:
    static constexpr int kInputs = 4;
    static constexpr int kOutputs = 8;

    explicit QChannelSelect(QWidget *parent = nullptr);

    // source: 0-3 input channels, 4-11 output channels 0-7. Runs the dialog modally;
    // true when it was accepted (the masks are valid then).
    bool selectChannels(int source);
    quint8 inputMask() const { return m_inputMask; }
    quint8 outputMask() const { return m_outputMask; }

    QPushButton *inputButton(int channel) const { return m_inputButtons[size_t(channel)]; }
    QPushButton *outputButton(int channel) const { return m_outputButtons[size_t(channel)]; }

public Q_SLOTS:
    void acceptClicked();
    void inputChannelBtnClicked(int channel, bool isChecked);
    void outputChannelBtnClicked(int channel, bool isChecked);
    // The same for a channel button's own clicked(bool): the channel is the sending button.
    void inputChannelBtnClicked(bool isChecked);
    void outputChannelBtnClicked(bool isChecked);

protected:
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void retranslate();

    quint8 m_inputMask = 0;
    quint8 m_outputMask = 0;
    std::array<QPushButton *, kInputs> m_inputButtons{};
    std::array<QPushButton *, kOutputs> m_outputButtons{};
    QGroupBox *m_inputBox = nullptr;
    QGroupBox *m_outputBox = nullptr;
    QDialogButtonBox *m_buttonBox = nullptr;
};

#pragma once

#include "modules/modulepanel.h"

#include <QString>

#include <array>

class QDoubleSpinBox;
class QHSlider;
class QLabel;
class QLineEdit;

// The delay panel of the inputs (module 6) or the outputs (module 12): one row per channel
// with the delay in milliseconds on a slider and a spin box, and the acoustic distance it
// stands for in metres and feet. Slider and spin box changes go out 100 ms after the last
// one; the spin box signals once per finished edit, so typing "150" sends 150 ms only.
class QDelayPanel : public QModulePanel {
    Q_OBJECT
public:
    static constexpr quint8 kCodeDelay = 1;
    static constexpr double kSoundSpeed = 340.0; // m/s
    static constexpr double kFeetPerMetre = 3.2808;

    // Read access to the mirror (the preset file writer, tests).
    float delay(int channel) const { return m_mirror[channel]; }
    // Highest delay of a channel in the current range mode, in ms.
    float maximumDelay(int channel) const;
    bool reducedRange() const { return m_reduced; }

    void receive(quint8 code, quint8 direction, quint16 length, const uchar *payload) override;
    void setChannelName(uchar channel, const QString &name);

    // Metres and feet as shown ("%0.3f") for a delay in ms.
    static QString metresText(float ms);
    static QString feetText(float ms);

    // The widgets of one row, for tests and the style sheet.
    struct Row {
        QWidget *background = nullptr;
        QLabel *title = nullptr;
        QHSlider *slider = nullptr;
        QDoubleSpinBox *spin = nullptr;
        QLineEdit *metres = nullptr;
        QLineEdit *feet = nullptr;
    };
    const Row &row(int channel) const { return m_rows[size_t(channel)]; }

public Q_SLOTS:
    void setSecurityState(uchar channel, uchar state);
    void delayChanged(uchar channel, double value);
    // The rows' own signals: the channel is the row whose control sent it.
    void delaySliderChanged(float value);
    void msChanged(double value);

protected:
    QDelayPanel(quint8 moduleId, int channelCount, QWidget *parent);

    // Output panel: 0-218 ms on outputs 1-4 and 0-148 ms on outputs 5-8 in steps of
    // 0.02 ms, or the normal 0-2000 ms. Nothing is sent; the next poll brings the
    // processor's values.
    void setReducedDelayRange(bool reduced);

    void poll(quint32 tick) override;
    int pollPeriod() const override { return isShown() ? 10 : 0; }
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void buildRow(int channel, QWidget *parent);
    void retranslate();
    void applyRange(int channel);
    void setDelay(int channel, float ms);
    void sendDelay(int channel) const;
    void showDelay(int channel);
    QString defaultTitle(int channel) const;

    ChannelMirror<float> m_mirror;
    std::array<Row, kOutputChannels> m_rows{};
    std::array<int, kOutputChannels> m_send{};
    std::array<QLabel *, 3> m_captions{};
    bool m_reduced = false;
};

// "In Delay": the four inputs, 0-1000 ms.
class QInDelay : public QDelayPanel {
    Q_OBJECT
public:
    explicit QInDelay(QWidget *parent = nullptr);
};

// "Out Delay": the eight outputs, 0-2000 ms, or the reduced range of the second processor
// generation.
class QOutDelay : public QDelayPanel {
    Q_OBJECT
public:
    explicit QOutDelay(QWidget *parent = nullptr);

    using QDelayPanel::setReducedDelayRange;
};

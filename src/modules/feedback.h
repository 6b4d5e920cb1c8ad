#pragma once

#include "modules/modulepanel.h"

#include <QString>

#include <array>

class QLabel;
class QPushButton;

// "Feedback": the processor's feedback suppressor on the four inputs. The processor does the
// suppression; the panel switches it per input and keeps the switch in step.
class QFeedback : public QModulePanel {
    Q_OBJECT
public:
    static constexpr quint8 kModuleId = 3;
    static constexpr quint8 CodeEnable = 1;

    explicit QFeedback(QWidget *parent = nullptr);

    // Read access to the mirror (the preset file writer, tests).
    bool enabled(int channel) const { return hasChannel(channel) && m_enable[size_t(channel)]; }

    void receive(quint8 code, quint8 direction, quint16 length, const uchar *payload) override;
    void setChannelName(uchar channel, const QString &name);

    struct Strip {
        QWidget *background = nullptr;
        QLabel *title = nullptr;
        QPushButton *enable = nullptr;
    };
    const Strip &strip(int channel) const { return m_strips[size_t(channel)]; }

public Q_SLOTS:
    void setSecurityState(uchar channel, uchar state);
    void enableClicked(uchar channel, bool isChecked);
    // The same for an enable button's own signal: the channel is the sender's strip.
    void enableClicked(bool isChecked);

protected:
    void poll(quint32 tick) override;
    int pollPeriod() const override { return isShown() ? 10 : 0; }
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void retranslate();
    void setEnable(int channel, bool on);

    std::array<quint8, kInputChannels> m_enable{};
    std::array<Strip, kInputChannels> m_strips{};
};

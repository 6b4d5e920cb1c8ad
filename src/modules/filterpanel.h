#pragma once

#include "modules/filterchannelstate.h"
#include "modules/modulepanel.h"

#include <array>
#include <functional>

class FilterGraph;
class Knob;
class QChannelSelect;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// An equaliser panel: one channel shown at a time (channel buttons), one band at a time
// (16 band buttons), the high-pass and low-pass filters and the drawn response whose handles
// can be dragged. QInFilter and QOutFilter below are the two sides of the same design.
class QFilterPanel : public QModulePanel {
    Q_OBJECT
public:
    static constexpr int kBands = FilterChannelState::kBands;
    // Parameter codes of the module messages.
    enum Code : quint8 { CodeHighPass = 1, CodeLowPass = 2, CodeBand = 3, CodeCopy = 4,
                         CodeReset = 5 };
    // Elements of a channel's lock row: graph, high-pass, low-pass, then band b at 3 + b.
    enum LockElement { LockGraph = 0, LockHighPass = 1, LockLowPass = 2, LockBand0 = 3 };
    // Reads a lock state (0 Free, 1 Read-only, other Hidden) from the security page's table.
    using LockLookup = std::function<uchar(uchar channel, int element)>;

    struct Side {
        quint8 moduleId;
        int channels;
        const char *caption;    // "Input Channel" / "Output Channel"
        const char *prefix;     // "I" / "O"
        const char *objectName; // style sheet selector of the panel
    };

    void receive(quint8 code, quint8 direction, quint16 length, const uchar *payload) override;

    void setChannelName(uchar channel, const QString &name);
    void selectChannel(int channel);
    // Without a lookup every element counts as Free.
    void setLockLookup(LockLookup lookup) { m_lockLookup = std::move(lookup); }

    // Read access to the mirrors (preset writer) and to the view state.
    const FilterChannelState &channelState(int channel) const { return m_mirror[channel]; }
    int shownChannel() const { return m_channel; }
    int selectedBand() const { return m_band; }
    int polledChannel() const { return m_pollChannel; }

    // Widgets, for the container's layout and for tests.
    FilterGraph *graph() const { return m_graph; }
    QChannelSelect *channelSelect() const { return m_chooser; }
    QPushButton *channelButton(int channel) const { return m_channelButtons[size_t(channel)]; }
    QPushButton *bandButton(int band) const { return m_bandButtons[size_t(band)]; }
    struct PassWidgets {
        QWidget *group = nullptr;
        QLabel *caption = nullptr, *typeLabel = nullptr, *slopeLabel = nullptr,
               *freqLabel = nullptr;
        QComboBox *type = nullptr, *slope = nullptr;
        QLineEdit *freqEdit = nullptr;
        Knob *freqKnob = nullptr;
        QPushButton *enable = nullptr;
    };
    struct BandWidgets {
        QWidget *group = nullptr;
        QPushButton *enable = nullptr, *copy = nullptr, *reset = nullptr;
        QComboBox *type = nullptr;
        QLabel *freqLabel = nullptr, *gainLabel = nullptr, *qLabel = nullptr;
        QLineEdit *freqEdit = nullptr, *gainEdit = nullptr, *qEdit = nullptr;
        Knob *freqKnob = nullptr, *gainKnob = nullptr, *qKnob = nullptr;
    };
    const PassWidgets &highPassWidgets() const { return m_hpw; }
    const PassWidgets &lowPassWidgets() const { return m_lpw; }
    const BandWidgets &bandWidgets() const { return m_bw; }

public Q_SLOTS:
    void setFilterGraphSecurityState(uchar channel);
    void setHPFilterSecurityState(uchar channel);
    void setLPFilterSecurityState(uchar channel);
    void setFilterBandSecurityState(uchar channel, uchar band);

    void HPassEnableClicked(bool checked);
    void HPassTypeChanged(int index);
    void HPassSlopeChanged(int index);
    void HPassFreqChanged(float value);
    void HPassFreqEditingFinished();
    void LPassEnableClicked(bool checked);
    void LPassTypeChanged(int index);
    void LPassSlopeChanged(int index);
    void LPassFreqEditingFinished();
    void LPassFreqChanged(float value);

    void PEQEnableClicked(bool checked);
    void PEQTypeChanged(int index);
    void PEQFreqEditingFinished();
    void PEQFreqChanged(float value);
    void PEQGainEditingFinished();
    void PEQGainChanged(float value);
    void PEQQChanged(float value);
    void bandBtnClicked(int band);

    void HPFilterGraphChanged(float freq);
    void LPFilterGraphChanged(float freq);
    void peqGraphChanged(uchar band, float freq, float gain);

    void copyToClicked();
    void channelCopy(uchar select, char *args);
    void ResetClicked();
    void channelChanged(int channel);

protected:
    QFilterPanel(const Side &side, QWidget *parent);

    // Hands the record and the other side's mask to the sibling panel.
    virtual void emitSiblingCopy(uchar select, char *args) = 0;

    void poll(quint32 tick) override;
    // Every second tick while shown; nothing while hidden.
    int pollPeriod() const override { return isShown() ? 2 : 0; }
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // Setters shared by reports and user actions: store in the mirror; when the channel is
    // on screen, update the graph and, quietly, the widgets showing the value.
    void setPass(int channel, bool high, quint8 enable, quint8 type, quint8 slope, int freq);
    void setBand(int channel, int band, quint8 enable, quint8 type, int freq, float gain,
                 quint8 q);

    void buildUi();
    void buildPassGroup(PassWidgets &w, bool high);
    void buildBandGroup();
    void retranslate();
    void connectWidgets();

    void showChannel();
    void showPass(bool high);
    void showBand();
    void pushPassToGraph(bool high);
    void pushBandToGraph(int band);
    void selectBand(int band);

    // Pending knob or handle values belong to the shown channel and the selected band: they
    // go out before either changes, so switching within 100 ms of a drag loses nothing.
    void flushBandSends();
    void flushAllSends();

    void sendPass(bool high) const;
    void sendBand() const;
    uchar lockState(int element) const;

    Side m_side;
    ChannelMirror<FilterChannelState> m_mirror;
    int m_channel = 0;
    int m_band = 0;
    int m_pollChannel = 0;
    int m_hpFreqSend = -1, m_lpFreqSend = -1, m_bandFreqSend = -1, m_bandGainSend = -1,
        m_bandQSend = -1;
    LockLookup m_lockLookup;
    bool m_translated = false;

    QLabel *m_channelCaption = nullptr;
    std::array<QPushButton *, 8> m_channelButtons{};
    std::array<QString, 8> m_channelNames;
    std::array<QPushButton *, kBands> m_bandButtons{};
    QWidget *m_graphArea = nullptr;
    FilterGraph *m_graph = nullptr;
    PassWidgets m_hpw, m_lpw;
    BandWidgets m_bw;
    QChannelSelect *m_chooser = nullptr;
};

// Input filter panel: module 4, inputs I1-I4.
class QInFilter : public QFilterPanel {
    Q_OBJECT
public:
    explicit QInFilter(QWidget *parent = nullptr);
Q_SIGNALS:
    void sigOutCopy(uchar select, char *args);

protected:
    void emitSiblingCopy(uchar select, char *args) override { emit sigOutCopy(select, args); }
};

// Output filter panel: module 10, outputs O1-O8.
class QOutFilter : public QFilterPanel {
    Q_OBJECT
public:
    explicit QOutFilter(QWidget *parent = nullptr);
Q_SIGNALS:
    void sigInCopy(uchar select, char *args);

protected:
    void emitSiblingCopy(uchar select, char *args) override { emit sigInCopy(select, args); }
};

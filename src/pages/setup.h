#pragma once

#include "protocol/ipv4.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <array>
#include <optional>

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QTextCodec;

// Three-byte firmware version record as the processor reports it.
struct firmware {
    quint8 major = 0;
    quint8 minor = 0;
    quint8 patch = 0;
};

// The "Settings" page: what the processor reports about itself, the editable identity,
// network and channel labels, and the facts other pages need, passed on by signals.
class QSetup : public QWidget {
    Q_OBJECT
public:
    static constexpr int kInputs = 4;
    static constexpr int kOutputs = 8;
    static constexpr int kLabelField = 16;

    explicit QSetup(QWidget *parent = nullptr);

    // System Frames of types 2, 3 and 4, routed here by the tab container.
    void receive(quint8 frameType, quint8 code, quint8 direction, quint16 length,
                 const uchar *payload);
    // Labels and the device summary (model, versions, location, description, DSP load,
    // network) at once after a login or a switch of processor.
    void requestDeviceInfo();

    // Read access for the pages and tests.
    QString inLabel(int channel) const;
    QString outLabel(int channel) const;
    bool panelLock() const { return m_panelLock; }
    quint32 ipaddress() const { return m_ipaddr.value_or(0); }
    quint32 netmask() const { return m_netmask.value_or(0); }
    quint32 gateway() const { return m_gateway.value_or(0); }
    quint8 faultBits() const { return m_faults; }

public Q_SLOTS:
    // Runs on every fifth tick of the shared 20 ms clock.
    void timeOut100ms();
    void panelLockChanged(int index);
    void locationChanged();
    void descriptionChanged();
    void ipaddressChanged();
    void netmaskChanged();
    void gatewayChanged();
    // Connected to the label edits' editingFinished(); the sending edit names the channel.
    void InChannelLabelChanged();
    void OutChannelLabelChanged();

Q_SIGNALS:
    void sigModel(QString model);
    void sigArmVer(firmware *ver);
    void sigDspVer(QString ver);
    void sigLocation(QString location);
    void sigDescription(QString description);
    void sigIpaddr(uint ipaddr);
    void sigAllMute(bool mute);
    void sigDspRes(float usage, float peak);
    void sigInLabelChanged(uchar channel, QString label);
    void sigOutLabelChanged(uchar channel, QString label);

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void requestSummary();
    void buildUi();
    QWidget *buildLabelColumn(QLabel *&title, QLabel **captions, QLineEdit **edits, int count,
                              int maxWidth);
    QWidget *buildInfoColumn();
    QWidget *buildNetworkWidget();
    QWidget *buildFaultWidget();
    void retranslateUi();
    void inLabelEdited(int channel);
    void outLabelEdited(int channel);

    void applyType2(quint8 code, quint16 length, const uchar *payload);
    void applyLabels(bool output, const uchar *payload);
    void applyInLabel(int channel, const QString &label);
    void applyOutLabel(int channel, const QString &label);
    void applyLocation(const QString &text);
    void applyDescription(const QString &text);
    void applyIpaddr(quint32 address);
    void applyNetmask(quint32 mask);
    void applyGateway(quint32 gateway);
    void applyFaults(quint8 bits);
    void applyPanelLock(bool locked);
    void sendNetwork();
    void networkEdited(proto::ipv4::Field field);
    void sendText(quint8 frameType, quint8 code, int channel, const QByteArray &bytes);
    // Takes the focus from a finished line edit without finishing the edit a second time.
    static void dropFocus(QLineEdit *edit);
    // The edit's text as processor bytes, cut to a whole character within kLabelField; the
    // edit is made to show the cut text.
    QByteArray editBytes(QLineEdit *edit) const;
    QString decode(const QByteArray &bytes) const;

    QTextCodec *m_codec = nullptr;
    unsigned m_ticks = 0;
    unsigned m_clockTicks = 0;

    // Mirror of the processor; empty until its first report.
    std::optional<QString> m_model;
    std::optional<firmware> m_armVer;
    std::optional<firmware> m_dspVer;
    std::optional<QString> m_serial;
    std::optional<quint16> m_channelCfg;
    std::optional<quint32> m_runTime;
    std::optional<quint32> m_totalTime;
    std::optional<quint32> m_bootCount;
    std::optional<float> m_cpuTemp;
    std::optional<QByteArray> m_deviceCode;
    std::optional<QString> m_location;
    std::optional<QString> m_description;
    std::optional<quint32> m_ipaddr;
    std::optional<quint32> m_netmask;
    std::optional<quint32> m_gateway;
    bool m_panelLock = false;
    quint8 m_faults = 0;
    std::array<std::optional<QString>, kInputs> m_inLabels;
    std::array<std::optional<QString>, kOutputs> m_outLabels;

    // Column 1 and 2: channel labels.
    QLabel *m_inTitle = nullptr;
    QLabel *m_outTitle = nullptr;
    std::array<QLabel *, kInputs> m_inCaptions{};
    std::array<QLineEdit *, kInputs> m_inEdits{};
    std::array<QLabel *, kOutputs> m_outCaptions{};
    std::array<QLineEdit *, kOutputs> m_outEdits{};

    // Column 3: device information.
    QLabel *m_infoTitle = nullptr;
    QList<QLabel *> m_infoCaptions; // in the order of kInfoCaptions
    QLabel *m_modelValue = nullptr;
    QLabel *m_armValue = nullptr;
    QLabel *m_dspValue = nullptr;
    QLabel *m_snValue = nullptr;
    QLabel *m_codeValue = nullptr;
    QLabel *m_cfgValue = nullptr;
    QLabel *m_bootValue = nullptr;
    QLabel *m_tempValue = nullptr;
    QLabel *m_runValue = nullptr;
    QLabel *m_totalValue = nullptr;
    QComboBox *m_panelLockBox = nullptr;
    QLineEdit *m_locationEdit = nullptr;
    QLineEdit *m_descriptionEdit = nullptr;

    // Column 4: network and faults.
    QLabel *m_netTitle = nullptr;
    std::array<QLabel *, 3> m_netCaptions{};
    QLineEdit *m_ipEdit = nullptr;
    QLineEdit *m_maskEdit = nullptr;
    QLineEdit *m_gatewayEdit = nullptr;
    QLabel *m_netProblem = nullptr; // why a typed network value was refused
    QLabel *m_faultTitle = nullptr;
    std::array<QLabel *, 4> m_faultCaptions{};
    std::array<QLabel *, 4> m_faultValues{}; // DSP, DAC, Flash, Temp

    friend class TestSetup;
};

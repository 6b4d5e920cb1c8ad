#pragma once

#include "broadcastmsg.h"

#include <QDialog>
#include <QList>

class QDialogButtonBox;
class QLabel;
class QLineEdit;

// Modal dialog collecting a new address, subnet mask and gateway for one processor.
// OK stays disabled until the three pass the network rule of proto::ipv4 (an empty gateway
// means 0.0.0.0, none); the first refused field is marked and the reason shown below. An
// address another known processor has is shown as such, and OK then asks before it accepts.
class QIpSetting : public QDialog {
    Q_OBJECT
public:
    explicit QIpSetting(QWidget *parent = nullptr);

    // Values in the form of `ipaddress` (first octet in the most significant byte); read
    // after exec() returns.
    quint32 address() const { return m_address; }
    quint32 mask() const { return m_mask; }
    quint32 gateway() const { return m_gateway; }

    QLineEdit *addressEdit() const { return m_addressEdit; }
    QLineEdit *maskEdit() const { return m_maskEdit; }
    QLineEdit *gatewayEdit() const { return m_gatewayEdit; }
    QDialogButtonBox *buttonBox() const { return m_buttonBox; }

    QLabel *problemLabel() const { return m_problemLabel; }

    // The processor the dialog is for and every processor known, for the address rule of
    // devices::processorAt. Set before each opening.
    void setKnownProcessors(quint32 machineId, QList<broadcastMsg> known);

public slots:
    void Accept();
    void Reject();

    void reject() override;

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslateUi();
    void validate();
    // The warning for the typed address when another known processor has it; empty if none.
    QString addressInUse() const;
    void clearFields();

    quint32 m_address = 0;
    quint32 m_mask = 0;
    quint32 m_gateway = 0;
    quint32 m_machineId = 0;
    QList<broadcastMsg> m_known;
    QDialogButtonBox *m_buttonBox = nullptr;
    QLabel *m_addressLabel = nullptr;
    QLabel *m_maskLabel = nullptr;
    QLabel *m_gatewayLabel = nullptr;
    QLabel *m_problemLabel = nullptr;
    QLineEdit *m_addressEdit = nullptr;
    QLineEdit *m_maskEdit = nullptr;
    QLineEdit *m_gatewayEdit = nullptr;
};

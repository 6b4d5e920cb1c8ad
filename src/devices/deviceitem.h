#pragma once

#include <QPointer>
#include <QWidget>

class QAction;
class QLabel;
class QMenu;
class QPushButton;

// One tile of the device list: model, address and preset of a processor with its fault and
// network badges. A left click selects it; its context menu asks for the IP dialog or the
// removal of the device.
class QDeviceItem : public QWidget {
    Q_OBJECT
public:
    explicit QDeviceItem(QWidget *parent = nullptr);

    void setModelText(const QString &text);
    void setAddressText(const QString &text);
    void setPresetText(const QString &text);
    QString modelText() const;
    QString addressText() const;
    QString presetText() const;

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    void setFault(bool fault);
    void setNetworkActive(bool active);
    bool hasFault() const { return m_fault; }
    bool isNetworkActive() const { return m_networkActive; }

    QPushButton *faultBadge() const { return m_faultBadge; }
    QPushButton *networkBadge() const { return m_netBadge; }
    QMenu *contextMenu() const { return m_menu; }
    QAction *ipAction() const { return m_ipAction; }
    QAction *removeAction() const { return m_removeAction; }
    QAction *removeUnheardAction() const { return m_removeUnheardAction; }

    static const char *const kBadgeOff;
    static const char *const kBadgeFound;
    static const char *const kBadgeFault;

signals:
    void Selected();
    // A left click on the tile that is already selected.
    void Reselected();
    void ipClicked();
    void Remove();
    void RemoveUnheard();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void retranslateUi();
    // Shows a text whole, or elided to the label's width (the tool tip has it whole).
    void showText(int line);
    void updateBadgeTips();
    void actionTriggered(QAction *action);
    void emitChoice(QAction *action);

    QLabel *m_modelLabel = nullptr;
    QLabel *m_addressLabel = nullptr;
    QLabel *m_presetLabel = nullptr;
    QString m_texts[3]; // model, address, preset as given
    bool m_selected = false;
    bool m_fault = false;
    bool m_networkActive = false;
    bool m_styled = false; // the look was set once; later calls restyle only on a change
    QPushButton *m_faultBadge = nullptr;
    QPushButton *m_netBadge = nullptr;
    QMenu *m_menu = nullptr;
    QAction *m_ipAction = nullptr;
    QAction *m_removeAction = nullptr;
    QAction *m_removeUnheardAction = nullptr;
    bool m_menuOpen = false;
    QPointer<QAction> m_chosen;
};

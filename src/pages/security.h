#pragma once

#include "pages/locktable.h"

#include <QWidget>

#include <array>
#include <bitset>

class QLabel;
class QLineEdit;
class QLock;
class QPushButton;

// The "Security" page: the program-wide lock table shown as a grid of padlocks, page
// access with the lock password, and the lock signals that the container passes to the
// module pages. A click only asks the processor for the next state; the table, the icons
// and the module pages change only when the processor reports the state back.
class QSecurity : public QWidget {
    Q_OBJECT
public:
    static constexpr quint8 kAccessItem = 1;
    static constexpr quint8 kFrameType = 5;
    static inline const QByteArray kQuitCode = QByteArrayLiteral("\x90\xA7");

    explicit QSecurity(QWidget *parent = nullptr);

    // A security Frame from the processor (class 2, type 5).
    void receive(quint8 code, quint8 direction, quint16 length, const uchar *payload);

    // Lookups for the filter pages; 0 for a channel or band that does not exist.
    uchar inFilterGraphLock(uchar channel) const;
    uchar inHPFilterLock(uchar channel) const;
    uchar inLPFilterLock(uchar channel) const;
    uchar inFilterBandLock(uchar channel, uchar band) const;
    uchar outFilterGraphLock(uchar channel) const;
    uchar outHPFilterLock(uchar channel) const;
    uchar outLPFilterLock(uchar channel) const;
    uchar outFilterBandLock(uchar channel, uchar band) const;

    // The state of one table entry (offset 0-287), and its icon.
    uchar lockAt(int offset) const { return m_table[size_t(offset)]; }
    QLock *lockIcon(int offset) const { return m_icons[size_t(offset)]; }
    bool hasAccess() const { return m_access; }
    QLineEdit *passwordEdit() const { return m_pwdEdit; }
    QPushButton *quitButton() const { return m_quitButton; }
    QLock *pageLock() const { return m_pageLock; }
    QLabel *messageLabel() const { return m_message; }

    // Asks for page access and every lock state at once: after a login, so the table holds
    // this processor's states before the panels go by it.
    void requestLockTable();

Q_SIGNALS:
    void inlevelLockChanged(uchar channel, uchar state);
    void gateLockChanged(uchar channel, uchar state);
    void feedbackLockChanged(uchar channel, uchar state);
    void inFilterGraphLockChanged(uchar channel);
    void inHPFilterLockChanged(uchar channel);
    void inLPFilterLockChanged(uchar channel);
    void inFilterBandLockChanged(uchar channel, uchar band);
    void inlimiterLockChanged(uchar channel, uchar state);
    void indelayLockChanged(uchar channel, uchar state);
    void mtxmixLockChanged(uchar channel, uchar state);
    void signalLockChanged(uchar channel, uchar state);
    void outlevelLockChanged(uchar channel, uchar state);
    void outFilterGraphLockChanged(uchar channel);
    void outHPFilterLockChanged(uchar channel);
    void outLPFilterLockChanged(uchar channel);
    void outFilterBandLockChanged(uchar channel, uchar band);
    void outlimiterLockChanged(uchar channel, uchar state);
    void outdelayLockChanged(uchar channel, uchar state);

public Q_SLOTS:
    void timeOut20ms();
    void quitClicked();
    void pwdEditingFinished();
    // One slot per lock group; the grid passes the clicked lock's channel (and band).
    void inlevelClicked(uchar channel);
    void gateClicked(uchar channel);
    void feedbackClicked(uchar channel);
    void inGraphClicked(uchar channel);
    void inHPFilterClicked(uchar channel);
    void inLPFilterClicked(uchar channel);
    void inFilterBandClicked(uchar channel, uchar band);
    void inLimiterClicked(uchar channel);
    void inDelayClicked(uchar channel);
    void mtxmixClicked(uchar channel);
    void signalClicked(uchar channel);
    void outlevelClicked(uchar channel);
    void outGraphClicked(uchar channel);
    void outHPFilterClicked(uchar channel);
    void outLPFilterClicked(uchar channel);
    void outFilterBandClicked(uchar channel, uchar band);
    void outLimiterClicked(uchar channel);
    void outDelayClicked(uchar channel);
    // The current connection changed or dropped: access ends and the table is stale.
    void connectionChanged();

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void buildUi();
    QWidget *buildTopBar(QWidget *parent);
    QWidget *buildGrid(QWidget *parent);
    void addLegend(QWidget *grid, int x, int y);
    void addModuleColumn(QWidget *grid, int x, int top, int pitch, quint8 item);
    void retranslate();

    void sendSecurity(quint8 item, quint8 direction, const QByteArray &payload) const;
    void sendAccessRequest();
    void simpleClicked(quint8 item, uchar channel);
    void filterClicked(quint8 item, uchar channel, int entry);
    uchar filterLock(quint8 item, uchar channel, int entry) const;
    void applyAccess(bool access);
    void applyEntry(int offset, uchar state);
    void emitSimple(quint8 item, uchar channel, uchar state);
    void emitFilter(quint8 item, uchar channel, int entry);
    void showMessage(const QString &text);

    std::array<uchar, locktable::kSize> m_table{};
    std::array<QLock *, locktable::kSize> m_icons{};
    // Which blocks (simple items) or rows (filter channels) were reported since the
    // connection last changed; a click on an entry not read yet sends nothing.
    std::bitset<locktable::kSize> m_fresh;
    bool m_access = false;
    quint32 m_tick = 0;
    // Page-access requests not answered yet, and how many answers to skip before the one
    // that judges the last password sent (0: no password waits for its verdict).
    int m_accessRequests = 0;
    int m_verdictIn = 0;

    QLock *m_pageLock = nullptr;
    QLabel *m_pwdLabel = nullptr;
    QLineEdit *m_pwdEdit = nullptr;
    QPushButton *m_quitButton = nullptr;
    QLabel *m_message = nullptr;
    std::array<QLabel *, 12> m_titles{};
    QLabel *m_legendTitle = nullptr;
    std::array<QLabel *, 3> m_legendTexts{};
};

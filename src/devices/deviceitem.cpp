#include "deviceitem.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QToolTip>
#include <QVBoxLayout>

namespace {
constexpr int kAlignCenter = Qt::AlignHCenter | Qt::AlignVCenter; // 132
const QColor kNormalBackground(243, 243, 243);
const QColor kSelectedBackground(18, 183, 245);
const char *const kNormalText = "color: rgb(0, 0, 0);";
const char *const kSelectedText = "color: rgb(255, 255, 255);";
} // namespace

const char *const QDeviceItem::kBadgeOff =
    "border-radius:5px;padding:2px 4px;background-color:#707070";
const char *const QDeviceItem::kBadgeFound =
    "border-radius:5px;padding:2px 4px;background-color:#00FF00";
const char *const QDeviceItem::kBadgeFault =
    "border-radius:5px;padding:2px 4px;background-color:#FF0000";

QDeviceItem::QDeviceItem(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);

    const QFont arial(QStringLiteral("Arial"));
    for (QLabel **label : {&m_modelLabel, &m_addressLabel, &m_presetLabel}) {
        *label = new QLabel(this);
        (*label)->setAlignment(Qt::Alignment(kAlignCenter));
        (*label)->setFont(arial);
        // A long text is elided to the tile, never widening it past the list.
        (*label)->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        (*label)->setMinimumWidth(0);
        layout->addWidget(*label);
    }
    QFont modelFont = arial;
    modelFont.setBold(true);
    m_modelLabel->setFont(modelFont);

    auto *badges = new QHBoxLayout;
    badges->addStretch();
    for (QPushButton **badge : {&m_faultBadge, &m_netBadge}) {
        *badge = new QPushButton(this);
        (*badge)->setFixedSize(10, 10);
        (*badge)->setEnabled(false);
        (*badge)->setFocusPolicy(Qt::NoFocus);
        (*badge)->setStyleSheet(QString::fromLatin1(kBadgeOff));
        badges->addWidget(*badge, 0, Qt::AlignRight);
    }
    layout->addLayout(badges);

    m_menu = new QMenu(this);
    m_ipAction = m_menu->addAction(QString());
    m_removeAction = m_menu->addAction(QString());
    m_menu->addSeparator();
    m_removeUnheardAction = m_menu->addAction(QString());
    for (QAction *action : {m_ipAction, m_removeAction, m_removeUnheardAction})
        connect(action, &QAction::triggered, this, [this, action] { actionTriggered(action); });

    setAutoFillBackground(true);
    setSelected(false);
    m_styled = true;
    retranslateUi();
}

void QDeviceItem::setModelText(const QString &text)
{
    if (text == m_texts[0] && m_styled)
        return;
    m_texts[0] = text;
    showText(0);
}
void QDeviceItem::setAddressText(const QString &text)
{
    if (text == m_texts[1] && m_styled)
        return;
    m_texts[1] = text;
    showText(1);
}
void QDeviceItem::setPresetText(const QString &text)
{
    if (text == m_texts[2] && m_styled)
        return;
    m_texts[2] = text;
    showText(2);
}
QString QDeviceItem::modelText() const
{
    return m_texts[0];
}
QString QDeviceItem::addressText() const
{
    return m_texts[1];
}
QString QDeviceItem::presetText() const
{
    return m_texts[2];
}

void QDeviceItem::showText(int line)
{
    QLabel *label = line == 0 ? m_modelLabel : line == 1 ? m_addressLabel : m_presetLabel;
    const int room = label->contentsRect().width();
    const QString &text = m_texts[line];
    label->setText(room > 0 ? label->fontMetrics().elidedText(text, Qt::ElideRight, room) : text);
}

void QDeviceItem::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The labels have their new width once the layout has run.
    if (QLayout *l = layout())
        l->activate();
    for (int line = 0; line < 3; ++line)
        showText(line);
}

void QDeviceItem::setSelected(bool selected)
{
    if (m_styled && selected == m_selected)
        return;
    m_selected = selected;
    QPalette pal = palette();
    pal.setColor(QPalette::All, QPalette::Window,
                 selected ? kSelectedBackground : kNormalBackground);
    setPalette(pal);
    const QString style = QString::fromLatin1(selected ? kSelectedText : kNormalText);
    for (QLabel *label : {m_modelLabel, m_addressLabel, m_presetLabel})
        label->setStyleSheet(style);
}

void QDeviceItem::setFault(bool fault)
{
    if (fault == m_fault)
        return;
    m_fault = fault;
    m_faultBadge->setStyleSheet(QString::fromLatin1(fault ? kBadgeFault : kBadgeOff));
    updateBadgeTips();
}

void QDeviceItem::setNetworkActive(bool active)
{
    if (active == m_networkActive)
        return;
    m_networkActive = active;
    m_netBadge->setStyleSheet(QString::fromLatin1(active ? kBadgeFound : kBadgeOff));
    updateBadgeTips();
}

void QDeviceItem::mousePressEvent(QMouseEvent *event)
{
    if (m_selected && event->button() == Qt::LeftButton) {
        event->accept();
        emit Reselected();
        return;
    }
    if (m_selected || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    setSelected(true);
    emit Selected();
}

void QDeviceItem::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
    // The choice is acted on after the menu has closed: removal deletes this tile, which
    // must not happen inside the menu's own event handling.
    QPointer<QDeviceItem> self(this);
    m_menuOpen = true;
    m_chosen = nullptr;
    QAction *chosen = m_menu->exec(QCursor::pos());
    if (!self)
        return;
    m_menuOpen = false;
    emitChoice(chosen ? chosen : m_chosen.data());
}

void QDeviceItem::actionTriggered(QAction *action)
{
    if (m_menuOpen)
        m_chosen = action; // acted on once the menu has closed
    else
        emitChoice(action);
}

void QDeviceItem::emitChoice(QAction *action)
{
    if (action == m_ipAction)
        emit ipClicked();
    else if (action == m_removeAction)
        emit Remove();
    else if (action == m_removeUnheardAction)
        emit RemoveUnheard();
}

bool QDeviceItem::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        QWidget *child = childAt(help->pos());
        const int line = child == m_modelLabel     ? 0
                         : child == m_addressLabel ? 1
                         : child == m_presetLabel  ? 2
                                                   : -1;
        if (line >= 0 && !m_texts[line].isEmpty()) {
            QToolTip::showText(help->globalPos(), m_texts[line], this);
        } else if (child && !child->toolTip().isEmpty()) {
            QToolTip::showText(help->globalPos(), child->toolTip(), this);
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

void QDeviceItem::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}

void QDeviceItem::retranslateUi()
{
    m_removeAction->setText(tr("Remove Device"));
    m_ipAction->setText(tr("IP Setting"));
    m_removeUnheardAction->setText(tr("Remove processors not heard since start"));
    updateBadgeTips();
}

void QDeviceItem::updateBadgeTips()
{
    m_faultBadge->setToolTip(m_fault ? tr("Fault reported") : tr("No fault"));
    m_netBadge->setToolTip(m_networkActive ? tr("Online") : tr("Offline"));
}

#include "deletebuttondelegate.h"

#include "devtable.h"
#include "widgets/language.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

namespace {

QFont buttonFont()
{
    QFont font;
    const QString family = currentLanguageFont();
    if (!family.isEmpty())
        font.setFamily(family);
    font.setPointSize(9);
    return font;
}

} // namespace

DeleteButtonDelegate::DeleteButtonDelegate(std::function<void(int)> clicked, QObject *parent)
    : QStyledItemDelegate(parent), m_clicked(std::move(clicked))
{
}

void DeleteButtonDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    QStyleOptionButton button;
    button.rect = option.rect.adjusted(1, 1, -1, -1);
    button.text = QDevTable::tr("Delete");
    button.fontMetrics = QFontMetrics(buttonFont());
    button.state = QStyle::State_Enabled | QStyle::State_Raised;
    if (index.row() == m_pressedRow)
        button.state |= QStyle::State_Sunken;
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    painter->save();
    painter->setFont(buttonFont());
    style->drawControl(QStyle::CE_PushButton, &button, painter, widget);
    painter->restore();
}

bool DeleteButtonDelegate::editorEvent(QEvent *event, QAbstractItemModel *,
                                       const QStyleOptionViewItem &option, const QModelIndex &index)
{
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick)
        return false;
    auto *mouse = static_cast<QMouseEvent *>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    const bool inside = option.rect.contains(mouse->position().toPoint());
    if (type != QEvent::MouseButtonRelease) {
        m_pressedRow = inside ? index.row() : -1;
        return true;
    }
    const bool click = inside && m_pressedRow == index.row();
    m_pressedRow = -1;
    if (click)
        m_clicked(index.row());
    return true;
}

#pragma once

#include <QStyledItemDelegate>

#include <functional>

// The "Delete" button of every row of the device table, painted rather than a widget per
// row, so a long list costs no widgets and the table lays out at once.
class DeleteButtonDelegate : public QStyledItemDelegate {
public:
    DeleteButtonDelegate(std::function<void(int)> clicked, QObject *parent);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

private:
    std::function<void(int)> m_clicked;
    int m_pressedRow = -1;
};

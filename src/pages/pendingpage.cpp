#include "pendingpage.h"

#include <QPainter>
#include <QStyleOption>

PendingPage::PendingPage(QWidget *parent) : QWidget(parent) {}

void PendingPage::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

PendingDialog::PendingDialog(QWidget *parent) : QDialog(parent) {}

#include "qhslider.h"

#include "widgets/lockedlook.h"

#include <QLinearGradient>
#include <QPainter>
#include <QStyleOption>

QHSlider::QHSlider(QWidget *parent) : ScaledControl(0, 100, true, parent) {}

QRectF QHSlider::handleRect() const
{
    const double span = double(scaledMaximum()) - scaledMinimum();
    const double travel = width() - kHandleWidth;
    const double left = span > 0 ? (scaledValue() - scaledMinimum()) / span * travel : 0.0;
    const bool atMinimum = scaledValue() == scaledMinimum();
    return QRectF(left, 7, atMinimum ? kHandleWidth - 0.5 : kHandleWidth, height() - 14);
}

int QHSlider::valueAt(QPointF pos) const
{
    const double travel = width() - kHandleWidth;
    if (travel <= 0)
        return scaledValue();
    const double span = double(scaledMaximum()) - scaledMinimum();
    return scaledMinimum() + int((pos.x() - kHandleWidth / 2) * span / travel);
}

void QHSlider::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    fadeWhenLocked(painter, *this);
    painter.setRenderHint(QPainter::Antialiasing);

    const double w = width();
    const double h = height();
    QLinearGradient groove(0, h / 2 - 4, 0, h / 2 + 1);
    groove.setColorAt(0, Qt::black);
    groove.setColorAt(1, Qt::white);
    painter.setPen(QPen(QBrush(groove), 3, Qt::SolidLine, Qt::SquareCap));
    painter.drawLine(QPointF(w - 20, h / 2), QPointF(20, h / 2));

    m_handle = handleRect();
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::black);
    painter.drawRoundedRect(m_handle, 25, 25, Qt::RelativeSize);
    const double x = m_handle.center().x();
    painter.setPen(QPen(Qt::green, 2));
    painter.drawLine(QPointF(x, m_handle.top() + 2), QPointF(x, m_handle.bottom() - 2));
}

#include "qlock.h"

#include <QMouseEvent>
#include <QPainter>

QLock::QLock(QWidget *parent) : QWidget(parent) {}

QLock::QLock(int state, const QString &text, QWidget *parent)
    : QWidget(parent), m_state(state), m_text(text)
{
}

void QLock::setState(int state)
{
    m_state = state;
    update();
}

void QLock::setText(const QString &text)
{
    m_text = text;
    update();
}

QColor QLock::stateColor(int state)
{
    switch (state) {
    case 0:
        return QColor(0, 192, 0);
    case 1:
        return QColor(255, 153, 0);
    default:
        return QColor(255, 0, 0);
    }
}

void QLock::paintEvent(QPaintEvent *)
{
    const int w = width();
    const int h = height();
    QPainter painter(this);
    painter.setWindow(0, 0, w, h);
    painter.setRenderHint(QPainter::Antialiasing);

    const QPen outline(QColor(45, 45, 45), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(outline);
    painter.setBrush(stateColor(m_state));
    const QRect body(0, h / 2, w, h / 2);
    painter.drawRect(body);

    painter.setBrush(Qt::NoBrush);
    const QRect shackle(2, 2, w - 4, h - 4);
    if (m_state == 0)
        painter.drawArc(shackle, 40 * 16, 140 * 16);
    else
        painter.drawArc(shackle, 0, 180 * 16);

    painter.setPen(QPen(Qt::black, 2));
    painter.setFont(font());
    painter.drawText(body, Qt::AlignCenter, m_text);
}

void QLock::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    emit clicked();
}

#include "qmeterwidget.h"

#include <QPainter>
#include <QStyleOption>

#include <algorithm>
#include <cmath>

namespace {
const QColor kYellowLit(255, 255, 0);
const QColor kYellowDark(84, 87, 39);
const QColor kGreenLit(0, 255, 0);
const QColor kGreenDark(38, 90, 41);

int bounded(int minimum, int value, int maximum)
{
    // Written out so that a misconfigured range (minimum above maximum) never asserts.
    return std::max(minimum, std::min(maximum, value));
}
} // namespace

QMeterWidget::QMeterWidget(QWidget *parent) : QWidget(parent) {}

void QMeterWidget::setSegmentCount(int count)
{
    m_segments = count;
}

void QMeterWidget::setMinimum(int minimum)
{
    m_minimum = minimum;
    keepValueInRange();
}

void QMeterWidget::setMaximum(int maximum)
{
    m_maximum = maximum;
    keepValueInRange();
}

void QMeterWidget::setReversed(bool reversed)
{
    m_reversed = reversed;
}

void QMeterWidget::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
    m_value = bounded(m_minimum, m_value, m_maximum);
    update();
}

void QMeterWidget::setValue(int value)
{
    const int v = bounded(m_minimum, value, m_maximum);
    if (v == m_value)
        return;
    const int before = litSegments(m_value);
    m_value = v;
    // Readings arrive several times a second; most move the bar by less than a segment.
    if (litSegments(v) != before)
        update();
}

int QMeterWidget::litSegments(int value) const
{
    const double span = double(m_maximum) - m_minimum;
    if (m_segments <= 0 || span <= 0)
        return 0;
    const double lit = m_segments * (value - m_minimum) / span;
    return std::clamp(int(std::ceil(lit)), 0, m_segments);
}

void QMeterWidget::keepValueInRange()
{
    // The value stays within the range; the bar is redrawn only if that moved it.
    const int v = bounded(m_minimum, m_value, m_maximum);
    if (v != m_value) {
        m_value = v;
        update();
    }
}

void QMeterWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);

    const int w = width();
    const int h = height();
    painter.setWindow(0, 0, w - 1, h - 1);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::black);
    painter.drawRect(0, 0, w - 1, h - 1);

    const int n = m_segments;
    if (n <= 0)
        return;
    const double segment = double(h - n - 1) / n;
    const double span = double(m_maximum) - m_minimum;
    // An empty range shows every segment dark rather than dividing by zero.
    const double boundary = span > 0 ? n * (m_highLevel - m_minimum) / span : 0.0;
    const double lit = span > 0 ? n * (m_value - m_minimum) / span : 0.0;

    double y = m_reversed ? 0.0 : h - segment - 1;
    const double advance = m_reversed ? segment + 1 : -(segment + 1);
    for (int i = 0; i < n; ++i) {
        const QColor &colour = i >= boundary ? (i < lit ? kYellowLit : kYellowDark)
                                             : (i < lit ? kGreenLit : kGreenDark);
        painter.fillRect(QRectF(0, y, w, segment), colour);
        y += advance;
    }
}

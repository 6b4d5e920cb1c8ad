#include "qmeterwidget.h"

#include <QPainter>

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

QMeterWidget::QMeterWidget(QWidget *parent) : QWidget(parent)
{
    // Every pixel is drawn on black, so a new reading repaints the meter alone and not the
    // backgrounds of the panels beneath it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

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

void QMeterWidget::drawMeter(QPainter &painter, int lit) const
{
    const int w = width();
    const int h = height();
    painter.fillRect(0, 0, w, h, Qt::black); // under the smoothed edge too: the meter is opaque
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

    double y = m_reversed ? 0.0 : h - segment - 1;
    const double advance = m_reversed ? segment + 1 : -(segment + 1);
    for (int i = 0; i < n; ++i) {
        const QColor &colour = i >= boundary ? (i < lit ? kYellowLit : kYellowDark)
                                             : (i < lit ? kGreenLit : kGreenDark);
        painter.fillRect(QRectF(0, y, w, segment), colour);
        y += advance;
    }
}

const QMeterWidget::Drawings &QMeterWidget::drawings()
{
    const qreal ratio = devicePixelRatioF();
    Drawings &d = m_drawings;
    if (d.size == size() && d.ratio == ratio && d.segments == m_segments &&
        d.minimum == m_minimum && d.maximum == m_maximum && d.reversed == m_reversed)
        return d;
    d = Drawings{QPixmap(), QPixmap(), size(), ratio, m_segments, m_minimum, m_maximum, m_reversed};
    for (QPixmap *pixmap : {&d.lit, &d.dark}) {
        *pixmap = QPixmap(size() * ratio);
        pixmap->setDevicePixelRatio(ratio);
        QPainter painter(pixmap);
        drawMeter(painter, pixmap == &d.lit ? m_segments : 0);
    }
    return d;
}

int QMeterWidget::splitRow(int lit, qreal ratio) const
{
    const int n = m_segments;
    const int h = height();
    const double segment = double(h - n - 1) / n;
    // The painter's window stretches h - 1 units over h pixels; segments are a unit apart, so
    // no pixel row holds parts of two segments. The split is the first row of the segment
    // just below the lit/dark boundary.
    const double toDevice = ratio * h / (h - 1);
    const double edge = m_reversed ? lit * (segment + 1) : h - lit * (segment + 1);
    return int(std::floor(edge * toDevice));
}

void QMeterWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (width() < 2 || height() < m_segments + 1 || m_segments <= 0) {
        // Too small for a gap between segments: drawn directly.
        drawMeter(painter, litSegments(m_value));
        return;
    }
    // Readings repaint the meter ten times a second; two drawings made once, each shown on
    // its side of the split, give the same pixels as drawing every segment each time.
    const Drawings &d = drawings();
    const qreal ratio = d.ratio;
    const int lit = litSegments(m_value);
    const int split = std::clamp(splitRow(lit, ratio), 0, d.lit.height());
    const QPixmap &top = m_reversed ? d.lit : d.dark;
    const QPixmap &bottom = m_reversed ? d.dark : d.lit;
    const int w = d.lit.width();
    if (split > 0)
        painter.drawPixmap(QRectF(0, 0, w / ratio, split / ratio), top, QRectF(0, 0, w, split));
    if (split < d.lit.height()) {
        const int rows = d.lit.height() - split;
        painter.drawPixmap(QRectF(0, split / ratio, w / ratio, rows / ratio), bottom,
                           QRectF(0, split, w, rows));
    }
}

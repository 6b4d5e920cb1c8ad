#include "qtlimitctrl.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const QColor kBackground(34, 34, 34);
const QColor kGrid(128, 128, 128);
const QColor kFill(64, 64, 64);
const QColor kCurve(229, 229, 229);

// Pixel offset of a table value; saturated so that a far-off threshold cannot overflow.
int scaled(double value, int height)
{
    const double v = std::clamp(value, -4.0 * qtLimitCtrl::kPoints, 4.0 * qtLimitCtrl::kPoints);
    return int(v * height / qtLimitCtrl::kPoints);
}

} // namespace

qtLimitCtrl::qtLimitCtrl(QWidget *parent) : QWidget(parent)
{
    compute();
}

void qtLimitCtrl::setThreshold(double threshold)
{
    if (!std::isfinite(threshold))
        return;
    m_threshold = threshold;
    compute();
    update();
}

void qtLimitCtrl::setRatio(double ratio)
{
    if (std::isnan(ratio))
        return;
    m_ratio = ratio;
    compute();
    update();
}

void qtLimitCtrl::setBypass(bool bypass)
{
    m_bypass = bypass;
    compute();
    update();
}

void qtLimitCtrl::compute()
{
    const double f = (m_threshold - kMinimum) / ((kMaximum - kMinimum) / kPoints);
    // Below 1:1 there is nothing to compress, and 0 would divide by zero.
    const double ratio = std::max(m_ratio, 1.0);
    bool kneeFound = false;
    for (int i = 0; i < kPoints; ++i) {
        double value = i;
        if (!m_bypass && i >= f) {
            if (!kneeFound) {
                m_knee = i;
                kneeFound = true;
            }
            value = ratio > 19.0 ? f : f + (i - f) / ratio;
        }
        m_table[size_t(i)] = value;
    }
}

void qtLimitCtrl::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), kBackground);

    const int left = 25;
    const int top = 10;
    const int w = width() - 35;
    const int h = height() - 35;
    const int bottom = top + h;
    const QPen gridPen(kGrid, 1, Qt::SolidLine);
    p.setPen(gridPen);
    p.drawRect(left, top, w, h);

    const double step = double(w) / kPoints;
    auto point = [&](int i) {
        return QPoint(left + int(step * i), bottom - scaled(m_table[size_t(i)], h));
    };
    const QPoint knee = m_knee > 0 ? point(m_knee) : QPoint(left, bottom);
    const QPoint polygon[4] = {QPoint(left, bottom), knee, point(kPoints - 1),
                               QPoint(left + w, bottom)};
    p.setPen(QPen(kCurve, 1, Qt::SolidLine));
    p.setBrush(kFill);
    p.drawPolygon(polygon, 4);
    p.setBrush(Qt::NoBrush);

    const int labelStep = int(std::abs(kMaximum - kMinimum) / 5);
    p.setPen(kGrid);
    p.drawText(2, top + 10, QString::asprintf("%d", int(kMaximum)));
    for (int k = 1; k <= 5; ++k) {
        const int y = top + k * (h / 5);
        p.setPen(gridPen);
        p.drawLine(left, y, left + w, y);
        p.setPen(kGrid);
        p.drawText(2, top + 10 + k * (h / 5) - 5,
                   QString::asprintf("%d", int(kMaximum) - k * labelStep));
    }
    for (int k = 1; k <= 5; ++k) {
        const int x = left + k * (w / 5);
        p.setPen(gridPen);
        p.drawLine(x, top, x, bottom);
        p.setPen(kGrid);
        p.drawText(x - 10, top + h + 3 + 10,
                   QString::asprintf("%d", int(kMinimum) + k * labelStep));
    }
    p.setPen(gridPen);
    p.drawLine(left, bottom, left + w, top);
}

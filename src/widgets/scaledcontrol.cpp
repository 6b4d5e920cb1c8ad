#include "scaledcontrol.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {
constexpr int kWheelNotch = 120;

// Truncated toward zero and held within int: a caller may hand any float; NaN gives 0.
int saturated(double v)
{
    if (std::isnan(v))
        return 0;
    return int(std::clamp(v, double(INT_MIN), double(INT_MAX)));
}

// v x scale to the nearest integer, halves upward. The product is taken in single precision
// like the value itself, so 1.15 with one decimal is 11.5 and becomes 12.
int scaledHalfUp(float v, double scale)
{
    const float product = v * float(scale);
    return saturated(std::floor(double(product) + 0.5));
}
} // namespace

ScaledControl::ScaledControl(int minimum, int maximum, bool rangePullsValue, QWidget *parent)
    : QWidget(parent), m_minimum(minimum), m_maximum(maximum), m_rangePullsValue(rangePullsValue)
{
}

double ScaledControl::scale() const
{
    return std::pow(10.0, m_decimals);
}

int ScaledControl::bounded(int scaled) const
{
    // Written out so that a range given upside down never asserts.
    return std::max(m_minimum, std::min(m_maximum, scaled));
}

void ScaledControl::setRange(float minimum, float maximum)
{
    m_minimum = scaledHalfUp(minimum, scale());
    m_maximum = scaledHalfUp(maximum, scale());
    if (m_rangePullsValue)
        m_value = bounded(m_value);
    update();
}

void ScaledControl::setValue(float value)
{
    m_value = scaledHalfUp(value, scale());
    update();
}

void ScaledControl::setDecimals(int decimals)
{
    m_decimals = std::clamp(decimals, 0, 6);
    const double factor = scale();
    m_minimum = saturated(m_minimum * factor);
    m_maximum = saturated(m_maximum * factor);
    update();
}

void ScaledControl::setStep(float step)
{
    m_step = float(double(step) * scale());
}

void ScaledControl::changeByUser(int scaled)
{
    scaled = bounded(scaled);
    if (scaled == m_value)
        return;
    m_value = scaled;
    update();
    emit valueChanged(float(m_value / scale()));
}

void ScaledControl::mousePressEvent(QMouseEvent *event)
{
    // A click beside the handle does not move it.
    if (event->button() == Qt::LeftButton && handleRect().contains(event->position())) {
        m_dragging = true;
        event->accept();
    } else {
        event->ignore();
    }
}

void ScaledControl::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging) {
        event->ignore();
        return;
    }
    changeByUser(valueAt(event->position()));
}

void ScaledControl::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
}

void ScaledControl::wheelEvent(QWheelEvent *event)
{
    // One step per notch event in the direction turned. Fine-grained wheels and touchpads
    // send small deltas, which add up to a notch until the direction reverses.
    const int delta = event->angleDelta().y();
    event->accept();
    if (delta == 0)
        return;
    if ((delta > 0) != (m_wheelDelta > 0))
        m_wheelDelta = 0;
    m_wheelDelta += delta;
    if (std::abs(m_wheelDelta) < kWheelNotch)
        return;
    const bool up = m_wheelDelta > 0;
    m_wheelDelta = 0;
    const int step = std::max(1, int(std::lround(m_step)));
    changeByUser(up ? m_value + step : m_value - step);
}

#include "scaledcontrol.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kWheelNotch = 120;

int roundHalfUp(double v)
{
    return int(std::floor(v + 0.5));
}
} // namespace

ScaledControl::ScaledControl(int minimum, int maximum, QWidget *parent)
    : QWidget(parent), m_minimum(minimum), m_maximum(maximum)
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
    m_minimum = roundHalfUp(double(minimum) * scale());
    m_maximum = roundHalfUp(double(maximum) * scale());
    m_value = bounded(m_value);
    update();
}

void ScaledControl::setValue(float value)
{
    m_value = bounded(roundHalfUp(double(value) * scale()));
    update();
}

void ScaledControl::setDecimals(int decimals)
{
    decimals = std::clamp(decimals, 0, 6);
    const double factor = std::pow(10.0, decimals - m_decimals);
    m_decimals = decimals;
    m_minimum = roundHalfUp(m_minimum * factor);
    m_maximum = roundHalfUp(m_maximum * factor);
    m_value = bounded(m_value);
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
    // Fine-grained wheels and touchpads send small deltas; they add up to whole notches.
    m_wheelDelta += event->angleDelta().y();
    const int notches = m_wheelDelta / kWheelNotch;
    m_wheelDelta -= notches * kWheelNotch;
    event->accept();
    if (notches == 0)
        return;
    const int step = std::max(1, int(std::lround(m_step)));
    changeByUser(m_value + notches * step);
}

#include "knob.h"

#include "widgets/lockedlook.h"
#include "widgets/logging.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <QWheelEvent>

#include <algorithm>

namespace {
constexpr int kWheelNotch = 120;

struct KnobLook {
    int pixels;
    const char *base;
    const char *indicator;
};

constexpr KnobLook kLooks[] = {
    {50, ":/resource/KnobBaseSmall", ":/resource/KnobIndicatorSmall"},
    {70, ":/resource/KnobBase", ":/resource/KnobIndicator"},
    {100, ":/resource/KnobBaseLarge", ":/resource/KnobIndicatorLarge"},
};
} // namespace

Knob::Knob(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(kLooks[m_size].pixels, kLooks[m_size].pixels);
    loadImages();
}

void Knob::loadImages()
{
    m_base = QPixmap(kLooks[m_size].base);
    m_indicator = QPixmap(kLooks[m_size].indicator);
    if (m_base.isNull() || m_indicator.isNull())
        qCWarning(lcWidgets) << "knob images missing for size" << m_size;
}

void Knob::setMinimum(float minimum)
{
    m_minimum = minimum;
    updatePosition();
}

void Knob::setMaximum(float maximum)
{
    m_maximum = maximum;
    updatePosition();
}

void Knob::setValue(float value)
{
    // Written out so that a range given upside down never asserts.
    m_value = std::max(m_minimum, std::min(m_maximum, value));
    updatePosition();
}

void Knob::updatePosition()
{
    // The pointer stays on the scale even while a new range leaves the value outside it.
    const float span = m_maximum - m_minimum;
    m_position = span > 0 ? std::clamp((m_value - m_minimum) / span, 0.0f, 1.0f) : 0.0f;
    update();
}

void Knob::setKnobSize(int size)
{
    if (size < Small || size > Large || size == m_size)
        return;
    m_size = size;
    setFixedSize(kLooks[m_size].pixels, kLooks[m_size].pixels);
    loadImages();
    update();
}

void Knob::changeByUser(float value)
{
    setValue(value);
    emit valueChanged(m_value);
}

void Knob::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    fadeWhenLocked(painter, *this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    painter.drawPixmap(0, 0, m_base);
    const double halfW = m_base.width() / 2.0;
    const double halfH = m_base.height() / 2.0;
    painter.translate(halfW, halfH);
    painter.rotate(240.0 * m_position - 120.0);
    painter.drawPixmap(QPointF(-halfW, -halfH), m_indicator);
}

void Knob::mousePressEvent(QMouseEvent *event)
{
    m_lastX = float(event->position().x());
    m_lastY = float(event->position().y());
    event->accept();
}

void Knob::mouseMoveEvent(QMouseEvent *event)
{
    const float x = float(event->position().x());
    const float y = float(event->position().y());
    const float moved = (x - m_lastX) - (y - m_lastY);
    m_lastX = x;
    m_lastY = y;
    changeByUser(m_value + (m_maximum - m_minimum) * m_sensitivity * moved);
}

void Knob::wheelEvent(QWheelEvent *event)
{
    // Fine-grained wheels and touchpads send small deltas; they add up to whole notches
    // until the direction reverses.
    const int delta = event->angleDelta().y();
    if ((delta > 0 && m_wheelDelta < 0) || (delta < 0 && m_wheelDelta > 0))
        m_wheelDelta = 0;
    m_wheelDelta += delta;
    const int notches = m_wheelDelta / kWheelNotch;
    m_wheelDelta -= notches * kWheelNotch;
    event->accept();
    if (notches != 0)
        changeByUser(m_value + notches * m_step);
}

void Knob::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        changeByUser(m_value - m_step);
        break;
    case Qt::Key_Up:
    case Qt::Key_Right:
        changeByUser(m_value + m_step);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

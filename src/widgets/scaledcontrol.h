#pragma once

#include <QRectF>
#include <QWidget>

// Common model of the fader and the horizontal slider: the value, the range and the wheel
// step are integers scaled by 10^decimals, so that 12.34 with two decimals is 1234. A drag
// starts only on the handle. Programmatic changes never signal; only mouse and wheel input
// emit valueChanged with the unscaled value, and user input always stays within the range.
class ScaledControl : public QWidget {
    Q_OBJECT

public:
    // rangePullsValue: setRange also moves the value into the new range.
    ScaledControl(int minimum, int maximum, bool rangePullsValue, QWidget *parent = nullptr);

    void setRange(float minimum, float maximum);
    // Rounded to the nearest scaled integer, halves upward; the range is not applied here.
    void setValue(float value);
    // Multiplies the stored range by 10^decimals, so it belongs after setRange.
    void setDecimals(int decimals);
    void setStep(float step);

    float value() const { return float(m_value / scale()); }
    float minimum() const { return float(m_minimum / scale()); }
    float maximum() const { return float(m_maximum / scale()); }
    int scaledValue() const { return m_value; }
    int scaledMinimum() const { return m_minimum; }
    int scaledMaximum() const { return m_maximum; }
    int decimals() const { return m_decimals; }
    float step() const { return m_step; }
    bool isDragging() const { return m_dragging; }

    // Where the handle sits for the current value (also where it was last painted).
    virtual QRectF handleRect() const = 0;

signals:
    void valueChanged(float value);

protected:
    // Scaled value for a mouse position during a drag, not yet clamped.
    virtual int valueAt(QPointF pos) const = 0;

    double scale() const;
    int bounded(int scaled) const;

    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

    QRectF m_handle;

private:
    void changeByUser(int scaled);

    int m_value = 0;
    int m_minimum;
    int m_maximum;
    bool m_rangePullsValue;
    int m_decimals = 0;
    float m_step = 1.0f;
    bool m_dragging = false;
    int m_wheelDelta = 0;
};

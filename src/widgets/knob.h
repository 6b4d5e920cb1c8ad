#pragma once

#include <QPixmap>
#include <QWidget>

// Rotary knob drawn from a base image and a pointer image that turns from -120 degrees at
// the minimum to +120 degrees at the maximum. Dragging right or up raises the value (200
// pixels cover the range); the wheel and the arrow keys move it by the step. Programmatic
// changes never signal.
class Knob : public QWidget {
    Q_OBJECT

public:
    enum Size { Small = 0, Middle = 1, Large = 2 };

    explicit Knob(QWidget *parent = nullptr);

    // The range setters leave the value alone; the next setValue brings it inside.
    void setMinimum(float minimum);
    void setMaximum(float maximum);
    // Kept within [minimum, maximum].
    void setValue(float value);
    void setKnobSize(int size);
    void setStep(float step) { m_step = step; }

    float minimum() const { return m_minimum; }
    float maximum() const { return m_maximum; }
    float value() const { return m_value; }
    // Place of the value in the range, 0 .. 1.
    float position() const { return m_position; }
    int knobSize() const { return m_size; }
    float step() const { return m_step; }

signals:
    void valueChanged(float value);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void loadImages();
    void updatePosition();
    void changeByUser(float value);

    float m_minimum = 0.0f;
    float m_maximum = 1.0f;
    float m_value = 0.0f;
    float m_position = 0.0f;
    float m_sensitivity = 0.005f;
    float m_lastX = 0.0f;
    float m_lastY = 0.0f;
    int m_size = Middle;
    float m_step = 1.0f;
    int m_wheelDelta = 0;
    QPixmap m_base;
    QPixmap m_indicator;
};

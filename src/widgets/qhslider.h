#pragma once

#include "widgets/scaledcontrol.h"

// Horizontal slider with a grooved track and a dark handle with a green index line.
// Defaults: range 0 .. 100, no decimals, step 1.
class QHSlider : public ScaledControl {
    Q_OBJECT

public:
    static constexpr double kHandleWidth = 22.0;

    explicit QHSlider(QWidget *parent = nullptr);

    QRectF handleRect() const override;

protected:
    int valueAt(QPointF pos) const override;
    void paintEvent(QPaintEvent *event) override;
};

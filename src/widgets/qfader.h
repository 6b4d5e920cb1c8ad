#pragma once

#include "widgets/scaledcontrol.h"

#include <QColor>
#include <QList>
#include <QPixmap>

// Vertical level fader with a dB scale. The 0 dB point sits at one third of the travel,
// so the range above 0 gets a third of the height and the range below it the rest.
// Defaults: range -70 .. 12, no decimals, step 1.
class QFader : public ScaledControl {
    Q_OBJECT

public:
    static constexpr double kHandleHeight = 43.0;
    static constexpr double kHandleWidth = 20.0;
    static constexpr double kHandleLeft = 12.0;

    explicit QFader(QWidget *parent = nullptr);

    void setColor(const QColor &color);
    QColor color() const { return m_color; }

    QRectF handleRect() const override;

    // The scale from the top: four marks above 0 dB, the 0 mark level with the handle
    // centre at 0 dB, seven marks below it down to the handle centre at the minimum.
    struct ScaleMark {
        double y;
        int label;
    };
    QList<ScaleMark> scaleMarks() const;

protected:
    int valueAt(QPointF pos) const override;
    void paintEvent(QPaintEvent *event) override;

private:
    double zeroPoint() const;
    void paintScale(QPainter &painter) const;

    int m_zeroNumerator = 1;
    int m_zeroDenominator = 3;
    QColor m_color{80, 80, 80};
    QPixmap m_cap;
};

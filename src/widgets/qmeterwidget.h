#pragma once

#include <QPixmap>
#include <QWidget>

// Segmented bar meter: a column of equal segments lit from one end up to the value, green
// below the high level and yellow from it up. It shows exactly the last value set; there is
// no peak hold or decay. Give it a fixed size.
class QMeterWidget : public QWidget {
    Q_OBJECT

public:
    explicit QMeterWidget(QWidget *parent = nullptr);

    void setSegmentCount(int count);
    void setMinimum(int minimum);
    void setMaximum(int maximum);
    void setReversed(bool reversed);
    void setRange(int minimum, int maximum);
    // Clamped to the range; repaints only when the stored value changes.
    void setValue(int value);

    int segmentCount() const { return m_segments; }
    int highLevel() const { return m_highLevel; }
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int value() const { return m_value; }
    bool reversed() const { return m_reversed; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The meter drawn with every segment lit and with none, for the current size and range.
    struct Drawings {
        QPixmap lit;
        QPixmap dark;
        QSize size;
        qreal ratio = 0;
        int segments = 0;
        int minimum = 0;
        int maximum = 0;
        bool reversed = false;
    };

    // Draws the meter with segments 0 .. lit - 1 lit.
    void drawMeter(QPainter &painter, int lit) const;
    const Drawings &drawings();
    // The device pixel row that separates the lit segments from the dark ones.
    int splitRow(int lit, qreal ratio) const;
    void keepValueInRange();
    // Segments drawn lit for value: those whose index is below the lit fraction.
    int litSegments(int value) const;

    int m_segments = 26;
    int m_highLevel = 0;
    int m_minimum = 0;
    int m_maximum = 100;
    int m_value = 0;
    bool m_reversed = false;
    Drawings m_drawings;
};

#include "qfader.h"

#include "widgets/lockedlook.h"
#include "widgets/logging.h"

#include <QPainter>
#include <QStyleOption>

#include <algorithm>
#include <cmath>

namespace {
int nearest(double v)
{
    return int(std::floor(v + 0.5));
}
} // namespace

QFader::QFader(QWidget *parent)
    : ScaledControl(-70, 12, false, parent), m_cap(":/resource/Fader_Q2")
{
    if (m_cap.isNull())
        qCWarning(lcWidgets) << "fader cap image missing";
}

void QFader::setColor(const QColor &color)
{
    m_color = color;
    update();
}

double QFader::zeroPoint() const
{
    return (height() - kHandleHeight) * m_zeroNumerator / m_zeroDenominator;
}

QRectF QFader::handleRect() const
{
    const double h = height();
    const double y0 = zeroPoint();
    const int v = scaledValue();
    const int minimum = scaledMinimum();
    const int maximum = scaledMaximum();
    double top = 0.0;
    if (maximum > 0 && minimum < 0) {
        top = v < 0 ? y0 + double(v) / minimum * (h - y0 - kHandleHeight)
                    : y0 * double(maximum - v) / maximum;
    } else if (maximum <= 0 && minimum < 0) {
        top = double(v) / minimum * (h - kHandleHeight);
    } else if (maximum > minimum) {
        // Ranges without a 0 dB point inside are spread evenly over the travel.
        top = double(maximum - v) / (maximum - minimum) * (h - kHandleHeight);
    }
    return QRectF(kHandleLeft, top, kHandleWidth, v == minimum ? 42.5 : kHandleHeight);
}

int QFader::valueAt(QPointF pos) const
{
    const double y = pos.y();
    const double h = height();
    const double b = handleRect().height();
    const int minimum = scaledMinimum();
    const int maximum = scaledMaximum();
    double v = 0.0;
    if (maximum > 0 && minimum < 0) {
        const double e = zeroPoint() + b / 2; // handle centre at 0 dB
        if (y > e) {
            const double below = h - b / 2 - e;
            v = below > 0 ? std::max((y - e) * minimum / below, double(minimum)) : minimum;
        } else {
            const double above = e - b / 2;
            v = above > 0 ? std::min(maximum - maximum * (y - b / 2) / above, double(maximum))
                          : maximum;
        }
    } else if (h > kHandleHeight) {
        // The inverse of the placement in handleRect for the other ranges.
        const double travel = (y - b / 2) / (h - kHandleHeight);
        v = maximum <= 0 && minimum < 0 ? travel * minimum
                                        : maximum - travel * (double(maximum) - minimum);
    }
    return int(v); // truncated toward zero
}

QList<QFader::ScaleMark> QFader::scaleMarks() const
{
    const double h = height();
    const double top = maximum();
    const double bottom = -double(scaledMinimum()) / scale();
    QList<ScaleMark> marks;
    double y = int(kHandleHeight / 2);
    const double upper = (h - kHandleHeight) / 3 / 4;
    for (int i = 0; i < 4; ++i) {
        marks.append({y, int(top) - nearest(top * 0.25 * i)});
        y += upper;
    }
    marks.append({y, 0});
    const double lower = (h - kHandleHeight / 2 - y) / 7;
    for (int i = 1; i <= 7; ++i)
        marks.append({y + lower * i, -nearest(bottom / 7 * i)});
    return marks;
}

void QFader::paintScale(QPainter &painter) const
{
    const double w = width();
    QFont font("Arial");
    font.setPointSize(6);
    painter.setFont(font);
    painter.setPen(QPen(m_color, 2));
    const QList<ScaleMark> marks = scaleMarks();
    for (qsizetype i = 0; i < marks.size(); ++i) {
        const ScaleMark &mark = marks[i];
        const double y = mark.y;
        const bool aboveZero = i <= 4; // the 0 mark is the fifth
        painter.drawLine(QPointF(6, y), QPointF(16, y));
        painter.drawLine(QPointF(w - 28, y), QPointF(w - 18, y));
        // Labels below the 0 mark carry a minus sign and get a wider box.
        const QRectF box = aboveZero ? QRectF(QPointF(w - 12, y - 6), QPointF(w - 3, y + 5))
                                     : QRectF(QPointF(w - 16, y - 6), QPointF(w - 1, y + 5));
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, QString::number(mark.label));
    }
}

void QFader::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    fadeWhenLocked(painter, *this);
    painter.setRenderHint(QPainter::Antialiasing);

    const double w = width();
    const double h = height();
    painter.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(w / 2 - 5, 3), QPointF(w / 2 - 5, h - 3));

    paintScale(painter);

    m_handle = handleRect();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(m_handle.toRect(), m_cap);
}

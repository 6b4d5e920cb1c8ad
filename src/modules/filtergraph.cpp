#include "modules/filtergraph.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

#include <algorithm>
#include <cmath>

namespace fr = filterresponse;

namespace {

const QColor kBackground(34, 34, 34);
const QColor kGrid(128, 128, 128);
const QColor kText(128, 128, 128);
const QColor kCurve(45, 255, 254);
const QColor kHandle(234, 234, 234);

constexpr float kInitialBandFreqs[FilterGraph::kBands] = {
    40, 60, 80, 100, 200, 300, 400, 500, 600, 700, 800, 900, 1000, 2000, 3000, 4000};
constexpr double kHandleSize = 16.0;
constexpr double kGrabMargin = 5.0;

// Number of decimal digits of a positive integer.
int digitsOf(int f)
{
    int n = 1;
    while (f >= 10) {
        f /= 10;
        ++n;
    }
    return n;
}

int tenPower(int n)
{
    int p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

} // namespace

FilterGraph::FilterGraph(QWidget *parent) : QWidget(parent)
{
    for (int i = 0; i < kBands; ++i)
        m_bands[size_t(i)].freq = kInitialBandFreqs[i];
    m_hp.freq = 20;
    m_lp.freq = 20000;
    layoutPlot();
    recompute();
}

void FilterGraph::setBand(int band, quint8 off, quint8 type, float freq, float gain, float q)
{
    if (band < 0 || band >= kBands)
        return;
    Band &b = m_bands[size_t(band)];
    // Polls report the same values again and again; only a change is worth a repaint.
    if (b.off == off && b.type == type && b.freq == freq && b.gain == gain && b.q == q)
        return;
    b.off = off;
    b.type = type;
    b.freq = freq;
    b.gain = gain;
    b.q = q;
    recompute();
}

void FilterGraph::setHighPass(quint8 off, quint8 family, quint8 slope, float freq)
{
    if (m_hp.off == off && m_hp.family == family && m_hp.slope == slope && m_hp.freq == freq)
        return;
    m_hp.off = off;
    m_hp.family = family;
    m_hp.slope = slope;
    m_hp.freq = freq;
    recompute();
}

void FilterGraph::setLowPass(quint8 off, quint8 family, quint8 slope, float freq)
{
    if (m_lp.off == off && m_lp.family == family && m_lp.slope == slope && m_lp.freq == freq)
        return;
    m_lp.off = off;
    m_lp.family = family;
    m_lp.slope = slope;
    m_lp.freq = freq;
    recompute();
}

void FilterGraph::setBandCount(int n)
{
    m_bandCount = std::clamp(n, 0, int(kBands));
    recompute();
}

void FilterGraph::setGainRange(int maximum, int minimum)
{
    if (maximum <= minimum) // a flat range would divide by zero in every mapping
        return;
    m_gainMax = maximum;
    m_gainMin = minimum;
    update();
}

void FilterGraph::setBandDraggable(int band, bool flag)
{
    if (band >= 0 && band < kBands)
        m_bands[size_t(band)].draggable = flag;
}

void FilterGraph::setBandVisible(int band, bool flag)
{
    if (band < 0 || band >= kBands || m_bands[size_t(band)].visible == flag)
        return;
    m_bands[size_t(band)].visible = flag;
    recompute();
}

void FilterGraph::setHighPassDraggable(bool flag)
{
    m_hp.draggable = flag;
}

void FilterGraph::setLowPassDraggable(bool flag)
{
    m_lp.draggable = flag;
}

void FilterGraph::setHighPassVisible(bool flag)
{
    if (m_hp.visible == flag)
        return;
    m_hp.visible = flag;
    recompute();
}

void FilterGraph::setLowPassVisible(bool flag)
{
    if (m_lp.visible == flag)
        return;
    m_lp.visible = flag;
    recompute();
}

bool FilterGraph::bandDraggable(int band) const
{
    return band >= 0 && band < kBands && m_bands[size_t(band)].draggable;
}

bool FilterGraph::bandVisible(int band) const
{
    return band >= 0 && band < kBands && m_bands[size_t(band)].visible;
}

int FilterGraph::passSections(const PassFilter &f, bool highPass, fr::Section *out) const
{
    if (f.off != 0 || !f.visible || !fr::validFamilySlope(f.family, f.slope))
        return 0;
    const int order = fr::filterOrder(f.slope);
    const int type = highPass ? fr::HighPass : fr::LowPass;
    int n = 0;
    for (int s = 0; s < order / 2; ++s)
        out[n++] = fr::designBiquad(type, f.freq, 0.0, fr::sectionQ(f.family, f.slope, s));
    if (order == 1 || order == 3)
        out[n++] = fr::designFirstOrder(highPass, f.freq);
    return n;
}

void FilterGraph::recompute()
{
    int n = passSections(m_hp, true, m_sections.data());
    n += passSections(m_lp, false, m_sections.data() + n);
    for (int i = 0; i < m_bandCount; ++i) {
        const Band &b = m_bands[size_t(i)];
        // All-pass (3) has a flat magnitude; unknown codes draw nothing either.
        if (b.off != 0 || b.type >= 3 || !b.visible)
            continue;
        m_sections[size_t(n++)] = fr::designBiquad(b.type + 3, b.freq, b.gain, b.q);
    }
    m_acc.reset();
    m_acc.add(m_sections.data(), n);
    m_acc.finish(m_response);
    update();
}

void FilterGraph::layoutPlot()
{
    m_left = 35;
    m_top = 10;
    m_right = width() - 6;
    m_bottom = height() - 21;
}

QRect FilterGraph::plotRect() const
{
    return QRect(QPoint(m_left, m_top), QPoint(m_right, m_bottom));
}

double FilterGraph::xOfFrequency(double f) const
{
    const int w = m_right - m_left + 1;
    const double decades = std::log10(double(m_freqMax)) - std::log10(double(m_freqMin));
    const float perDecade = float(w / decades);
    return (std::log10(f) - std::log10(double(m_freqMin))) * perDecade;
}

double FilterGraph::frequencyOfX(double x) const
{
    const int w = m_right - m_left + 1;
    const double decades = std::log10(double(m_freqMax)) - std::log10(double(m_freqMin));
    const float perDecade = float(w / decades);
    return std::pow(10.0, std::log10(double(m_freqMin)) + x / perDecade);
}

int FilterGraph::yOfValue(double v) const
{
    const int h = m_bottom - m_top + 1;
    double y = m_bottom - h / 2 - v * h / (m_gainMax - m_gainMin);
    // A response of -inf (a zero of the filter) or beyond the int range is pinned off-plot
    // before truncation; the caller clamps it into the plot.
    if (std::isnan(y))
        y = m_bottom;
    y = std::clamp(y, -1.0e6, 1.0e6);
    return int(y);
}

double FilterGraph::handleY(double gain) const
{
    const int h = m_bottom - m_top + 1;
    return m_top + (m_gainMax - gain) * h / (m_gainMax - m_gainMin);
}

QRectF FilterGraph::circleAt(double cx, double cy)
{
    return QRectF(cx - kHandleSize / 2, cy - kHandleSize / 2, kHandleSize, kHandleSize);
}

void FilterGraph::paintEvent(QPaintEvent *)
{
    layoutPlot();
    QPainter p(this);
    QStyleOption opt;
    opt.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &opt, &p, this);
    drawGrid(p);
    drawAxisText(p);
    drawCurve(p);
    drawHandles(p);
}

void FilterGraph::drawGrid(QPainter &p)
{
    p.fillRect(rect(), kBackground);
    p.setPen(QPen(kGrid));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plotRect());
    const int t = (height() - 30) / 8;
    for (int i = 1; i <= 7; ++i)
        p.drawLine(m_left, m_top + i * t, m_right, m_top + i * t);
    for (int f = m_freqMin; f > 0 && f < m_freqMax; f += tenPower(digitsOf(f) - 1)) {
        const int x = m_left + int(xOfFrequency(f));
        p.drawLine(x, m_top, x, m_bottom);
    }
}

void FilterGraph::drawAxisText(QPainter &p)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    font.setWeight(QFont::Normal);
    p.setFont(font);
    p.setPen(QPen(kText));
    const int h = m_bottom - m_top + 1;
    p.drawText(8, m_top + 7, QString::asprintf("%ddB", m_gainMax));
    int v = m_gainMax;
    for (int i = 1; i <= 8; ++i) {
        v = int(v - m_gainMax / 4.0);
        int x;
        if (v >= 20)
            continue;
        if (v >= 10)
            x = 8;
        else if (v >= 0)
            x = 14;
        else if (v >= -9)
            x = 10;
        else
            x = 4;
        p.drawText(x, i * (h / 8) + m_top + 3, QString::asprintf("%ddB", v));
    }
    for (int f = m_freqMin; f > 0 && f < m_freqMax; f += tenPower(digitsOf(f) - 1)) {
        if (f != m_freqMin && f != tenPower(digitsOf(f) - 1))
            continue; // labels at the minimum and at every power of ten
        const QString label =
            f <= 999 ? QString::asprintf("%dHz", f) : QString::asprintf("%dKHz", f / 1000);
        p.drawText(m_left + int(xOfFrequency(f)) - 10, m_bottom + 13, label);
    }
}

void FilterGraph::drawCurve(QPainter &p)
{
    p.setPen(QPen(kCurve));
    const int w = m_right - m_left + 1;
    QPoint previous;
    for (int k = 0; k < fr::kPoints; ++k) {
        const int xr = int(xOfFrequency(fr::evaluationFrequency(k)));
        if (xr > w)
            break;
        const QPoint pt(std::clamp(m_left + xr, m_left, m_right),
                        std::clamp(yOfValue(m_response[size_t(k)]), m_top, m_bottom));
        if (k > 0)
            p.drawLine(previous, pt);
        previous = pt;
    }
}

void FilterGraph::drawHandles(QPainter &p)
{
    p.setFont(QFont());
    auto drawHandle = [&p](const QRectF &r, const QString &label, int dx) {
        p.setPen(QPen(kHandle));
        p.setBrush(kHandle);
        p.drawEllipse(r);
        p.setPen(QPen(Qt::black));
        p.drawText(QPointF(r.left() + dx, r.top() + 13), label);
    };
    for (int i = 0; i < kBands; ++i) {
        Band &b = m_bands[size_t(i)];
        b.drawn = i < m_bandCount && b.visible;
        if (!b.drawn)
            continue;
        b.rect = circleAt(m_left + xOfFrequency(b.freq), handleY(b.gain));
        drawHandle(b.rect, QString::asprintf("%d", i + 1), i + 1 < 10 ? 5 : 2);
    }
    const double zeroY = handleY(0.0);
    m_hp.drawn = m_hp.visible;
    if (m_hp.drawn) {
        m_hp.rect = circleAt(m_left + xOfFrequency(m_hp.freq), zeroY);
        drawHandle(m_hp.rect, QStringLiteral("H"), 4);
    }
    m_lp.drawn = m_lp.visible;
    if (m_lp.drawn) {
        m_lp.rect = circleAt(m_left + xOfFrequency(m_lp.freq), zeroY);
        drawHandle(m_lp.rect, QStringLiteral("L"), 5);
    }
}

void FilterGraph::clearPressed()
{
    for (Band &b : m_bands)
        b.pressed = false;
    m_hp.pressed = m_lp.pressed = false;
}

void FilterGraph::mousePressEvent(QMouseEvent *event)
{
    clearPressed();
    if (event->button() != Qt::LeftButton)
        return;
    const QPointF pos = event->position();
    auto hit = [&pos](const QRectF &r) {
        return r.adjusted(-kGrabMargin, -kGrabMargin, kGrabMargin, kGrabMargin).contains(pos);
    };
    // A handle hidden since the last paint is not there to grab any more.
    for (int i = 0; i < m_bandCount; ++i) {
        Band &b = m_bands[size_t(i)];
        if (b.drawn && b.visible && hit(b.rect)) {
            b.pressed = b.draggable;
            return;
        }
    }
    for (PassFilter *f : {&m_hp, &m_lp}) {
        if (f->drawn && f->visible && hit(f->rect)) {
            f->pressed = f->draggable;
            return;
        }
    }
}

void FilterGraph::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPointF pos = event->position();
    float freq = float(frequencyOfX(pos.x() - m_left));
    freq = std::clamp(freq, float(m_dragFreqMin), float(m_dragFreqMax));
    for (int i = 0; i < m_bandCount; ++i) {
        Band &b = m_bands[size_t(i)];
        if (!b.pressed)
            continue;
        if (!b.draggable || !b.visible)
            return;
        const int h = m_bottom - m_top + 1;
        const float gain = float(m_gainMax - double(m_gainMax - m_gainMin) / h * (pos.y() - m_top));
        if (gain == b.gain && freq == b.freq)
            return;
        b.gain = std::clamp(gain, float(m_gainMin), float(m_gainMax));
        b.freq = std::clamp(freq, float(m_freqMin), float(m_freqMax));
        emit peqChanged(uchar(i), b.freq, b.gain);
        recompute();
        return;
    }
    for (PassFilter *f : {&m_hp, &m_lp}) {
        if (!f->pressed)
            continue;
        if (!f->draggable || !f->visible || freq == f->freq)
            return;
        f->freq = freq;
        if (f == &m_hp)
            emit HPFilterChanged(freq);
        else
            emit LPFilterChanged(freq);
        recompute();
        return;
    }
}

void FilterGraph::mouseReleaseEvent(QMouseEvent *)
{
    clearPressed();
}

void FilterGraph::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutPlot();
}

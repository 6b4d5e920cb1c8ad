#pragma once

#include "modules/filterresponse.h"

#include <QRectF>
#include <QWidget>

#include <array>

// Draws the magnitude response of one channel's equaliser (high-pass, low-pass and up to 16
// parametric bands) on a log frequency axis with one draggable handle per element.
// It knows nothing about messages: the panel pushes parameters and listens to the signals,
// which only a drag emits.
class FilterGraph : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBands = 16;

    explicit FilterGraph(QWidget *parent = nullptr);

    void setBand(int band, quint8 off, quint8 type, float freq, float gain, float q);
    void setHighPass(quint8 off, quint8 family, quint8 slope, float freq);
    void setLowPass(quint8 off, quint8 family, quint8 slope, float freq);
    void setBandCount(int n);
    void setGainRange(int maximum, int minimum);

    void setBandDraggable(int band, bool flag);
    void setBandVisible(int band, bool flag);
    void setHighPassDraggable(bool flag);
    void setLowPassDraggable(bool flag);
    void setHighPassVisible(bool flag);
    void setLowPassVisible(bool flag);
    bool bandDraggable(int band) const;
    bool bandVisible(int band) const;
    bool highPassDraggable() const { return m_hp.draggable; }
    bool lowPassDraggable() const { return m_lp.draggable; }
    bool highPassVisible() const { return m_hp.visible; }
    bool lowPassVisible() const { return m_lp.visible; }

    int bandCount() const { return m_bandCount; }
    int gainMaximum() const { return m_gainMax; }
    int gainMinimum() const { return m_gainMin; }
    float bandFrequency(int band) const { return m_bands[size_t(band)].freq; }
    float bandGain(int band) const { return m_bands[size_t(band)].gain; }
    float bandQ(int band) const { return m_bands[size_t(band)].q; }
    bool bandOff(int band) const { return m_bands[size_t(band)].off != 0; }
    float highPassFrequency() const { return m_hp.freq; }
    float lowPassFrequency() const { return m_lp.freq; }

    // Summed gain in dB at the evaluation frequencies.
    const std::array<double, filterresponse::kPoints> &response() const { return m_response; }
    // Rebuilds the response from the stored parameters (the setters call it) and repaints.
    void recompute();

    // Geometry of the last paint (or of the current size): plot edges and handle circles.
    QRect plotRect() const;
    QRectF bandHandleRect(int band) const { return m_bands[size_t(band)].rect; }
    QRectF highPassHandleRect() const { return m_hp.rect; }
    QRectF lowPassHandleRect() const { return m_lp.rect; }
    // Pixel x (relative to the plot's left edge) of a frequency and its inverse.
    double xOfFrequency(double f) const;
    double frequencyOfX(double x) const;

Q_SIGNALS:
    void peqChanged(uchar band, float freq, float gain);
    void HPFilterChanged(float freq);
    void LPFilterChanged(float freq);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Band {
        quint8 off = 0;
        quint8 type = 0;
        float freq = 0;
        float gain = 0;
        float q = 6;
        bool draggable = true;
        bool visible = true;
        bool pressed = false;
        bool drawn = false;
        QRectF rect;
    };
    struct PassFilter {
        quint8 off = 1;
        quint8 family = 0;
        quint8 slope = 0;
        float freq = 0;
        bool draggable = true;
        bool visible = true;
        bool pressed = false;
        bool drawn = false;
        QRectF rect;
    };

    int passSections(const PassFilter &f, bool highPass, filterresponse::Section *out) const;
    void layoutPlot();
    int yOfValue(double v) const;
    double handleY(double gain) const;
    static QRectF circleAt(double cx, double cy);
    void drawGrid(QPainter &p);
    void drawAxisText(QPainter &p);
    void drawCurve(QPainter &p);
    void drawHandles(QPainter &p);
    void clearPressed();

    int m_freqMin = 10;
    int m_freqMax = 24000;
    int m_gainMax = 24;
    int m_gainMin = -24;
    int m_dragFreqMax = 20000;
    int m_dragFreqMin = 20;
    int m_left = 0, m_top = 0, m_right = 0, m_bottom = 0;
    int m_bandCount = kBands;

    std::array<Band, kBands> m_bands;
    PassFilter m_hp;
    PassFilter m_lp;

    // Up to 4 sections per pass filter (or 2 for -18 dB/oct) and one per band.
    std::array<filterresponse::Section, 4 + 4 + kBands> m_sections;
    filterresponse::Accumulator m_acc;
    std::array<double, filterresponse::kPoints> m_response{};
};

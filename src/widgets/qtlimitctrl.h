#pragma once

#include <QWidget>

#include <array>

// Transfer curve of a compressor/limiter: output over input level, both from -100 to 20 dB,
// as a 256-point table. Above the threshold (the knee) the output rises 1/ratio as fast as
// the input; a ratio above 19 is drawn flat (limiting). With bypass on it is the 1:1 line.
// Display only: the mouse does nothing.
class qtLimitCtrl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPoints = 256;
    static constexpr double kMinimum = -100.0;
    static constexpr double kMaximum = 20.0;

    explicit qtLimitCtrl(QWidget *parent = nullptr);

    void setThreshold(double threshold);
    void setRatio(double ratio);
    void setBypass(bool bypass);

    double threshold() const { return m_threshold; }
    double ratio() const { return m_ratio; }
    bool bypass() const { return m_bypass; }
    int kneeIndex() const { return m_knee; }
    // Output position of point i on the 0..256 scale.
    double tableValue(int i) const { return m_table[size_t(i)]; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void compute();

    double m_ratio = 2.0;
    double m_threshold = kMinimum + (kMaximum - kMinimum) * 0.5;
    bool m_bypass = false;
    int m_knee = 0;
    std::array<double, kPoints> m_table{};
};

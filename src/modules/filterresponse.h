#pragma once

#include <array>

// Magnitude response of an equaliser made of biquad and first-order sections at 192 kHz,
// evaluated at 420 fixed log-spaced frequencies (36 per octave, 10 Hz ... 32 kHz).
namespace filterresponse {

constexpr int kPoints = 420;
constexpr double kSampleRate = 192000.0;

// Section kinds of designBiquad.
enum BiquadType { HighPass = 1, LowPass = 2, Peaking = 3, LowShelf = 4, HighShelf = 5 };

// Coefficients divided by a0 (a0 == 1).
struct Section {
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
};

Section designBiquad(int type, double f0, double gainDb, double q);
Section designFirstOrder(bool highPass, double f0);

// Evaluation frequency k in tenths of a hertz (exact, so cutting to 0.1 Hz loses nothing).
int evaluationTenths(int k);
double evaluationFrequency(int k);

// Filter order of a slope code (0..5 -> -6 ... -48 dB/oct) and the Q of each of its
// second-order sections for a family (0 Bessel, 1 Butterworth, 2 Link-Riley).
int filterOrder(int slope);
double sectionQ(int family, int slope, int section);
bool validFamilySlope(int family, int slope);

// Accumulates sections and yields the summed gain in dB: 20 log10 |H| per section, up to
// rounding (within 1e-5 dB of rounding each |H|^2 to single precision first). The squared
// magnitudes of numerators and denominators are multiplied separately, so that a section
// costs no division and a point only one logarithm. Every second pair of sections the
// products are scaled back to [1, 2) in the same pass, their powers of two kept apart (exact,
// and no branch), so no product can leave the double range. Never allocates.
class Accumulator {
public:
    void reset();
    void add(const Section &s);
    void add(const Section *sections, int count); // two at a time: half the memory traffic
    void finish(std::array<double, kPoints> &responseDb) const;

private:
    alignas(32) std::array<double, kPoints> m_num{};
    alignas(32) std::array<double, kPoints> m_den{};
    alignas(32) std::array<double, kPoints> m_log2{}; // the powers of two taken out of num / den
    int m_unscaledPairs = 0;                          // pairs multiplied in since the last scaling
};

} // namespace filterresponse

#include "modules/filterresponse.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace filterresponse {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDbPerLn = 10.0 / std::numbers::ln10; // 10 log10(x) = kDbPerLn ln(x)

// Q of each second-order section per family and slope code (slope 0 has none).
constexpr double kQTable[3][6][4] = {
    {{}, {0.5773}, {0.691}, {0.5219, 0.8055}, {0.5103, 0.6112, 1.0234},
     {0.506, 1.2258, 0.7109, 0.5596}},
    {{}, {0.7071}, {1.0}, {0.5412, 1.3065}, {0.5177, 0.7071, 1.932},
     {0.5098, 0.6013, 0.8999, 2.5628}},
    {{}, {0.5}, {0.6}, {0.71, 0.71}, {0.5, 1.0, 1.0}, {0.54, 1.34, 0.54, 1.34}},
};
constexpr int kOrders[6] = {1, 2, 3, 4, 6, 8};

// 1000 Hz * 2^((k - 239) / 36) rounded half up to three significant digits, in tenths.
int computeTenths(int k)
{
    switch (k) { // these four read as the rounded values a user expects below 100 Hz
    case 116: return 940;
    case 117: return 950;
    case 118: return 970;
    case 119: return 990;
    default: break;
    }
    const double v = 1000.0 * std::pow(2.0, (k - 239) / 36.0);
    if (v < 100.0)
        return int(std::floor(v * 10.0 + 0.5));
    if (v < 1000.0)
        return int(std::floor(v + 0.5)) * 10;
    if (v < 10000.0)
        return int(std::floor(v / 10.0 + 0.5)) * 100;
    return int(std::floor(v / 100.0 + 0.5)) * 1000;
}

// Everything that depends only on the evaluation frequencies, computed once.
struct Points {
    std::array<int, kPoints> tenths;
    alignas(32) std::array<double, kPoints> c1, s1, c2, s2; // cos/sin of w and 2w

    Points()
    {
        for (int k = 0; k < kPoints; ++k) {
            tenths[k] = computeTenths(k);
            const double w = kPi * tenths[k] / 960000.0;
            c1[k] = std::cos(w);
            s1[k] = std::sin(w);
            c2[k] = std::cos(2.0 * w);
            s2[k] = std::sin(2.0 * w);
        }
    }
};

const Points &points()
{
    static const Points p;
    return p;
}

// Products are kept within this band between range checks, so that the pair of sections
// added until the next check cannot leave the normal double range (a section's squared
// magnitudes stay far within 1e-50 ... 1e50 for any settings). Wide enough that the steepest
// filters the panels draw never fold: a fold costs two logarithms per point.
constexpr double kFoldLow = 1e-200;
constexpr double kFoldHigh = 1e200;

} // namespace

Section designBiquad(int type, double f0, double gainDb, double q)
{
    const double w0 = 2.0 * kPi * f0 / kSampleRate;
    const double A = std::pow(10.0, gainDb / 40.0);
    const double alpha = std::sin(w0) / (2.0 * q);
    const double u = std::cos(w0);
    const double sqA2alpha = 2.0 * std::sqrt(A) * alpha;
    double b0 = 1, b1 = 0, b2 = 0, a0 = 1, a1 = 0, a2 = 0;
    switch (type) {
    case HighPass:
        b0 = (1 + u) / 2, b1 = -(1 + u), b2 = (1 + u) / 2;
        a0 = 1 + alpha, a1 = -2 * u, a2 = 1 - alpha;
        break;
    case LowPass:
        b0 = (1 - u) / 2, b1 = 1 - u, b2 = (1 - u) / 2;
        a0 = 1 + alpha, a1 = -2 * u, a2 = 1 - alpha;
        break;
    case Peaking:
        b0 = 1 + alpha * A, b1 = -2 * u, b2 = 1 - alpha * A;
        a0 = 1 + alpha / A, a1 = -2 * u, a2 = 1 - alpha / A;
        break;
    case LowShelf:
        b0 = A * ((A + 1) - (A - 1) * u + sqA2alpha);
        b1 = 2 * A * ((A - 1) - (A + 1) * u);
        b2 = A * ((A + 1) - (A - 1) * u - sqA2alpha);
        a0 = (A + 1) + (A - 1) * u + sqA2alpha;
        a1 = -2 * ((A - 1) + (A + 1) * u);
        a2 = (A + 1) + (A - 1) * u - sqA2alpha;
        break;
    case HighShelf:
        b0 = A * ((A + 1) + (A - 1) * u + sqA2alpha);
        b1 = -2 * A * ((A - 1) + (A + 1) * u);
        b2 = A * ((A + 1) + (A - 1) * u - sqA2alpha);
        a0 = (A + 1) - (A - 1) * u + sqA2alpha;
        a1 = 2 * ((A - 1) - (A + 1) * u);
        a2 = (A + 1) - (A - 1) * u - sqA2alpha;
        break;
    default:
        return Section{};
    }
    return Section{b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}

Section designFirstOrder(bool highPass, double f0)
{
    const double w = 2.0 * kPi * f0;
    const double K = w / std::tan(kPi * f0 / kSampleRate);
    Section s;
    if (highPass) {
        s.b0 = K / (K + w);
        s.b1 = -K / (K + w);
    } else {
        s.b0 = s.b1 = w / (K + w);
    }
    s.a1 = (w - K) / (K + w);
    return s;
}

int evaluationTenths(int k)
{
    return points().tenths[k];
}

double evaluationFrequency(int k)
{
    return points().tenths[k] / 10.0;
}

bool validFamilySlope(int family, int slope)
{
    return family >= 0 && family < 3 && slope >= 0 && slope < 6;
}

int filterOrder(int slope)
{
    return slope >= 0 && slope < 6 ? kOrders[slope] : 0;
}

double sectionQ(int family, int slope, int section)
{
    return kQTable[family][slope][section];
}

void Accumulator::reset()
{
    m_num.fill(1.0);
    m_den.fill(1.0);
    m_folded = false;
}

namespace {

template <bool kFma> inline double madd(double a, double b, double c)
{
    if constexpr (kFma)
        return __builtin_fma(a, b, c);
    else
        return a * b + c;
}

// |N|^2 and |D|^2 of sections s and t multiplied into num and den at every point, and in the
// same pass whether any product has left the fold band. Coefficients are copied to locals and
// the arrays are restrict-qualified so that the loop vectorises. The band check is branch-free
// (folding is rare): positive doubles order like their bit patterns, so it runs on integer
// vector compares.
template <bool kFma>
inline __attribute__((always_inline)) bool
pairBody(const Section &s, const Section &t, double *__restrict num, double *__restrict den,
         const double *__restrict c1, const double *__restrict s1, const double *__restrict c2,
         const double *__restrict s2)
{
    constexpr std::int64_t lo = std::bit_cast<std::int64_t>(kFoldLow);
    constexpr std::int64_t hi = std::bit_cast<std::int64_t>(kFoldHigh);
    const double sb0 = s.b0, sb1 = s.b1, sb2 = s.b2, sa1 = s.a1, sa2 = s.a2;
    const double tb0 = t.b0, tb1 = t.b1, tb2 = t.b2, ta1 = t.a1, ta2 = t.a2;
    std::int64_t anyOut = 0;
    for (int k = 0; k < kPoints; ++k) {
        const double nr = madd<kFma>(sb2, c2[k], madd<kFma>(sb1, c1[k], sb0));
        const double ni = madd<kFma>(sb2, s2[k], sb1 * s1[k]);
        const double dr = madd<kFma>(sa2, c2[k], madd<kFma>(sa1, c1[k], 1.0));
        const double di = madd<kFma>(sa2, s2[k], sa1 * s1[k]);
        const double mr = madd<kFma>(tb2, c2[k], madd<kFma>(tb1, c1[k], tb0));
        const double mi = madd<kFma>(tb2, s2[k], tb1 * s1[k]);
        const double er = madd<kFma>(ta2, c2[k], madd<kFma>(ta1, c1[k], 1.0));
        const double ei = madd<kFma>(ta2, s2[k], ta1 * s1[k]);
        const double n = num[k] * (madd<kFma>(nr, nr, ni * ni) * madd<kFma>(mr, mr, mi * mi));
        const double d = den[k] * (madd<kFma>(dr, dr, di * di) * madd<kFma>(er, er, ei * ei));
        num[k] = n;
        den[k] = d;
        const std::int64_t nb = std::bit_cast<std::int64_t>(n);
        const std::int64_t db = std::bit_cast<std::int64_t>(d);
        anyOut |= std::int64_t(nb < lo) | std::int64_t(nb > hi) | std::int64_t(db < lo) |
                  std::int64_t(db > hi);
    }
    return anyOut != 0;
}

#define DAP_PAIR_ARGS                                                                          \
    const Section &s, const Section &t, double *__restrict num, double *__restrict den,        \
        const double *__restrict c1, const double *__restrict s1, const double *__restrict c2, \
        const double *__restrict s2

// Where the CPU has them, 256-bit vectors with fused multiply-adds; chosen once at start-up.
__attribute__((target("avx2,fma"))) bool multiplyPairAvx2(DAP_PAIR_ARGS)
{
    return pairBody<true>(s, t, num, den, c1, s1, c2, s2);
}

bool multiplyPairBaseline(DAP_PAIR_ARGS)
{
    return pairBody<false>(s, t, num, den, c1, s1, c2, s2);
}

#undef DAP_PAIR_ARGS

using MultiplyPair = bool (*)(const Section &, const Section &, double *, double *,
                              const double *, const double *, const double *, const double *);

MultiplyPair pickMultiplyPair()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") ? multiplyPairAvx2
                                                                           : multiplyPairBaseline;
}

const MultiplyPair multiplyPair = pickMultiplyPair();

} // namespace

void Accumulator::add(const Section &s)
{
    add(&s, 1);
}

void Accumulator::add(const Section *sections, int count)
{
    const Points &p = points();
    const Section identity; // pairs an odd last section with a section of gain 1
    for (int i = 0; i < count; i += 2) {
        const Section &t = i + 1 < count ? sections[i + 1] : identity;
        if (multiplyPair(sections[i], t, m_num.data(), m_den.data(), p.c1.data(), p.s1.data(),
                         p.c2.data(), p.s2.data()))
            foldExtremes();
    }
}

void Accumulator::foldExtremes()
{
    for (int k = 0; k < kPoints; ++k) {
        const double n = m_num[k], d = m_den[k];
        if (n < kFoldLow || n > kFoldHigh || d < kFoldLow || d > kFoldHigh) {
            if (!m_folded) {
                m_sumDb.fill(0.0);
                m_folded = true;
            }
            m_sumDb[k] += kDbPerLn * (std::log(n) - std::log(d));
            m_num[k] = m_den[k] = 1.0;
        }
    }
}

void Accumulator::finish(std::array<double, kPoints> &responseDb) const
{
    for (int k = 0; k < kPoints; ++k) {
        responseDb[k] = kDbPerLn * std::log(m_num[k] / m_den[k]);
        if (m_folded)
            responseDb[k] += m_sumDb[k];
    }
}

} // namespace filterresponse

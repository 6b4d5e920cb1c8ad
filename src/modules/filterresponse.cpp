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

// A section's squared magnitudes stay far within 1e-50 ... 1e50 for any settings, so two
// pairs multiplied into values in [1, 2) stay far within the normal double range.
constexpr int kPairsPerScaling = 2;

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
    m_log2.fill(0.0);
    m_unscaledPairs = 0;
}

namespace {

template <bool kFma> inline double madd(double a, double b, double c)
{
    if constexpr (kFma)
        return __builtin_fma(a, b, c);
    else
        return a * b + c;
}

// |N|^2 and |D|^2 of sections s and t multiplied into num and den at every point; with
// kScale, both are then scaled to [1, 2) and log2 takes the difference of the powers of two
// taken out. Positive normal doubles carry that power in their exponent field, so the
// scaling is bit operations that vectorise like the rest; the field becomes a double exactly
// through the 2^52 trick. Coefficients are copied to locals and the arrays are
// restrict-qualified so that the loop vectorises.
template <bool kFma, bool kScale>
inline __attribute__((always_inline)) void
pairBody(const Section &s, const Section &t, double *__restrict num, double *__restrict den,
         double *__restrict log2, const double *__restrict c1, const double *__restrict s1,
         const double *__restrict c2, const double *__restrict s2)
{
    constexpr std::uint64_t kMantissa = 0x000F'FFFF'FFFF'FFFFull;
    constexpr std::uint64_t kOne = 0x3FF0'0000'0000'0000ull;   // 1.0
    constexpr std::uint64_t kTwo52 = 0x4330'0000'0000'0000ull; // 2^52
    const double sb0 = s.b0, sb1 = s.b1, sb2 = s.b2, sa1 = s.a1, sa2 = s.a2;
    const double tb0 = t.b0, tb1 = t.b1, tb2 = t.b2, ta1 = t.a1, ta2 = t.a2;
    for (int k = 0; k < kPoints; ++k) {
        const double nr = madd<kFma>(sb2, c2[k], madd<kFma>(sb1, c1[k], sb0));
        const double ni = madd<kFma>(sb2, s2[k], sb1 * s1[k]);
        const double dr = madd<kFma>(sa2, c2[k], madd<kFma>(sa1, c1[k], 1.0));
        const double di = madd<kFma>(sa2, s2[k], sa1 * s1[k]);
        const double mr = madd<kFma>(tb2, c2[k], madd<kFma>(tb1, c1[k], tb0));
        const double mi = madd<kFma>(tb2, s2[k], tb1 * s1[k]);
        const double er = madd<kFma>(ta2, c2[k], madd<kFma>(ta1, c1[k], 1.0));
        const double ei = madd<kFma>(ta2, s2[k], ta1 * s1[k]);
        double n = num[k] * (madd<kFma>(nr, nr, ni * ni) * madd<kFma>(mr, mr, mi * mi));
        double d = den[k] * (madd<kFma>(dr, dr, di * di) * madd<kFma>(er, er, ei * ei));
        if constexpr (kScale) {
            const std::uint64_t nb = std::bit_cast<std::uint64_t>(n);
            const std::uint64_t db = std::bit_cast<std::uint64_t>(d);
            const double ne = std::bit_cast<double>((nb >> 52) | kTwo52);
            const double de = std::bit_cast<double>((db >> 52) | kTwo52);
            log2[k] += ne - de; // the 2^52 and the exponent bias cancel
            n = std::bit_cast<double>((nb & kMantissa) | kOne);
            d = std::bit_cast<double>((db & kMantissa) | kOne);
        }
        num[k] = n;
        den[k] = d;
    }
}

#define DAP_PAIR_ARGS                                                                              \
    const Section &s, const Section &t, double *__restrict num, double *__restrict den,            \
        double *__restrict log2, const double *__restrict c1, const double *__restrict s1,         \
        const double *__restrict c2, const double *__restrict s2, bool scale

// Where the CPU has them, 256-bit vectors with fused multiply-adds; chosen once at start-up.
__attribute__((target("avx2,fma"))) void multiplyPairAvx2(DAP_PAIR_ARGS)
{
    if (scale)
        pairBody<true, true>(s, t, num, den, log2, c1, s1, c2, s2);
    else
        pairBody<true, false>(s, t, num, den, log2, c1, s1, c2, s2);
}

void multiplyPairBaseline(DAP_PAIR_ARGS)
{
    if (scale)
        pairBody<false, true>(s, t, num, den, log2, c1, s1, c2, s2);
    else
        pairBody<false, false>(s, t, num, den, log2, c1, s1, c2, s2);
}

#undef DAP_PAIR_ARGS

using MultiplyPair = void (*)(const Section &, const Section &, double *, double *, double *,
                              const double *, const double *, const double *, const double *, bool);

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
        const bool scale = ++m_unscaledPairs == kPairsPerScaling;
        if (scale)
            m_unscaledPairs = 0;
        multiplyPair(sections[i], t, m_num.data(), m_den.data(), m_log2.data(), p.c1.data(),
                     p.s1.data(), p.c2.data(), p.s2.data(), scale);
    }
}

void Accumulator::finish(std::array<double, kPoints> &responseDb) const
{
    constexpr double kDbPerOctave = kDbPerLn * std::numbers::ln2; // 10 log10(2)
    for (int k = 0; k < kPoints; ++k)
        responseDb[k] = kDbPerLn * std::log(m_num[k] / m_den[k]) + kDbPerOctave * m_log2[k];
}

} // namespace filterresponse

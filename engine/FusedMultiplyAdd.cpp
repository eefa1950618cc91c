#include "engine/FusedMultiplyAdd.h"

#include <bit>
#include <cstdint>

namespace glowmarsh {

namespace {

// An unsigned 128-bit integer from two 64-bit halves: 32-bit targets have no
// wider integer type.
struct Wide {
    std::uint64_t hi = 0, lo = 0;

    bool isZero() const { return (hi | lo) == 0; }
    // Index of the highest set bit; the value must not be 0.
    int topBit() const { return hi != 0 ? 127 - std::countl_zero(hi) : 63 - std::countl_zero(lo); }
    bool operator<(const Wide& o) const { return hi != o.hi ? hi < o.hi : lo < o.lo; }
    bool operator==(const Wide& o) const { return hi == o.hi && lo == o.lo; }
};

Wide operator+(Wide a, Wide b) {
    const std::uint64_t lo = a.lo + b.lo;
    return {a.hi + b.hi + (lo < a.lo ? 1u : 0u), lo};
}

Wide operator-(Wide a, Wide b) {
    return {a.hi - b.hi - (a.lo < b.lo ? 1u : 0u), a.lo - b.lo};
}

// Shifts for 0 <= n < 128.
Wide shiftLeft(Wide a, int n) {
    if (n == 0) return a;
    if (n >= 64) return {a.lo << (n - 64), 0};
    return {(a.hi << n) | (a.lo >> (64 - n)), a.lo << n};
}

Wide shiftRight(Wide a, int n) {
    if (n == 0) return a;
    if (n >= 64) return {0, a.hi >> (n - 64)};
    return {a.hi >> n, (a.lo >> n) | (a.hi << (64 - n))};
}

// The bits below bit n (0 <= n < 128).
Wide lowBits(Wide a, int n) {
    if (n >= 64) return {n == 64 ? 0 : a.hi & ((std::uint64_t{1} << (n - 64)) - 1), a.lo};
    return {0, n == 0 ? 0 : a.lo & ((std::uint64_t{1} << n) - 1)};
}

// Shifted right by any n >= 0, with every bit shifted out gathered into bit 0
// ("sticky"): a later rounding at least two bits above bit 0 comes out as it
// would for the exact value.
Wide shiftRightSticky(Wide a, int n) {
    if (n >= 128) return {0, a.isZero() ? 0u : 1u};
    const Wide kept = shiftRight(a, n);
    return lowBits(a, n).isZero() ? kept : Wide{kept.hi, kept.lo | 1};
}

Wide product(std::uint64_t a, std::uint64_t b) {
    const std::uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32, b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
    const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    const std::uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
    return {p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32), (middle << 32) | (p00 & 0xFFFFFFFFu)};
}

// A finite value as significand * 2^exponent, the sign apart.
struct Unpacked {
    std::uint64_t significand;
    int exponent;
    bool negative;
};

Unpacked unpack(double x) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    const int biased = static_cast<int>(bits >> 52) & 0x7FF;
    const std::uint64_t fraction = bits & 0xFFFFFFFFFFFFFull;
    if (biased == 0) return {fraction, -1074, (bits >> 63) != 0};  // subnormal
    return {fraction | (std::uint64_t{1} << 52), biased - 1075, (bits >> 63) != 0};
}

// A nonzero value moved up so its top bit is bit 125: two bits of headroom
// for a carry, and at least 20 zero bits below any significand or product.
struct Aligned {
    Wide bits;
    int exponent;  // value = bits * 2^exponent
};

Aligned align(Wide value, int exponent) {
    const int shift = 125 - value.topBit();
    return {shiftLeft(value, shift), exponent - shift};
}

// value * 2^exponent (value > 0) rounded to a double once, with the sign.
double roundToDouble(Wide value, int exponent, bool negative) {
    const int top = value.topBit();
    // The lowest bit the double keeps: 53 bits down from the top, but never
    // below 2^-1074 (subnormal results keep fewer).
    int keep = top - 52;
    if (keep < -1074 - exponent) keep = -1074 - exponent;
    std::uint64_t significand = 0;
    if (keep <= 0) {
        significand = shiftLeft(value, -keep).lo;  // exact: fewer than 53 bits
    } else if (keep <= top + 1) {
        significand = shiftRight(value, keep).lo;
        const Wide rest = lowBits(value, keep);
        const Wide half = shiftLeft(Wide{0, 1}, keep - 1);
        if (half < rest || (rest == half && (significand & 1) != 0)) ++significand;
    }  // else below half the smallest subnormal: rounds to zero
    const int scale = exponent + keep;  // result = significand * 2^scale
    const std::uint64_t sign = negative ? std::uint64_t{1} << 63 : 0;
    if (scale > 971) return std::bit_cast<double>(sign | 0x7FF0000000000000ull);  // past 2^1024
    // The field holds scale + 1074 and the significand's top bit (2^52) adds
    // the 1 more the biased exponent needs. A subnormal result (scale -1074)
    // is its significand alone; one rounded up to 2^52 is the smallest
    // normal, and one rounded up to 2^53 carries into the next binade (or
    // to infinity) by itself.
    const std::uint64_t field = static_cast<std::uint64_t>(scale + 1074) << 52;
    return std::bit_cast<double>(sign | (field + significand));
}

}  // namespace

double fusedMultiplyAddSoftware(double a, double b, double c) {
    const std::uint64_t absA = std::bit_cast<std::uint64_t>(a) << 1, absB = std::bit_cast<std::uint64_t>(b) << 1;
    const std::uint64_t kInfinity = std::uint64_t{0x7FF} << 53;
    // Zero, infinite or NaN factors: the product is exact (or invalid) and
    // the addition rounds once.
    if (absA == 0 || absB == 0 || absA >= kInfinity || absB >= kInfinity) return a * b + c;
    // An infinite or NaN addend decides alone: a finite product cannot turn it.
    if ((std::bit_cast<std::uint64_t>(c) << 1) >= kInfinity) return c + c;
    // A zero addend leaves the exact product, rounded once, sign and all.
    if (c == 0.0) return a * b;

    const Unpacked ua = unpack(a), ub = unpack(b), uc = unpack(c);
    const bool productNegative = ua.negative != ub.negative;
    const Aligned p = align(product(ua.significand, ub.significand), ua.exponent + ub.exponent);
    const Aligned q = align(Wide{0, uc.significand}, uc.exponent);
    // The larger exponent first; the other is shifted down to it.
    const bool productFirst = p.exponent >= q.exponent;
    const Aligned& big = productFirst ? p : q;
    const Aligned& small = productFirst ? q : p;
    bool negative = productFirst ? productNegative : uc.negative;
    const bool smallNegative = productFirst ? uc.negative : productNegative;
    const Wide shifted = shiftRightSticky(small.bits, big.exponent - small.exponent);
    Wide sum;
    if (negative == smallNegative) {
        sum = big.bits + shifted;
    } else if (shifted < big.bits) {
        sum = big.bits - shifted;
    } else {
        sum = shifted - big.bits;
        negative = smallNegative;
    }
    if (sum.isZero()) return 0.0;  // exact cancellation: +0 when rounding to nearest
    return roundToDouble(sum, big.exponent, negative);
}

#if !defined(__FMA__) && (defined(__x86_64__) || defined(__i386__))

__attribute__((target("fma"))) double fusedMultiplyAddHardware(double a, double b, double c) {
    return __builtin_fma(a, b, c);
}

namespace {
bool detectFma() {
    // GCC's CPU model also checks that the OS saves the vector registers.
    __builtin_cpu_init();
    return __builtin_cpu_supports("fma");
}
}  // namespace

const bool cpuHasFma = detectFma();

#endif

}  // namespace glowmarsh

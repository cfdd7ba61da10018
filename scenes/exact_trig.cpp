#include "scenes/exact_trig.h"

#include <cmath>
#include <limits>

// Double-double arithmetic: a value is hi + lo with |lo| <= half an ulp of
// hi, about 106 significant bits. Every step is a plain IEEE operation in
// the written order, which -ffp-contract=off keeps unfused.
namespace {

struct DD {
    double hi;
    double lo;
};

DD quickTwoSum(double a, double b) {  // |a| >= |b|
    const double s = a + b;
    return {s, b - (s - a)};
}

DD twoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// Dekker's exact product, splitting each factor into two 26-bit halves.
DD twoProd(double a, double b) {
    constexpr double kSplitter = 134217729.0;  // 2^27 + 1
    const double p = a * b;
    const double ta = kSplitter * a;
    const double ah = ta - (ta - a);
    const double al = a - ah;
    const double tb = kSplitter * b;
    const double bh = tb - (tb - b);
    const double bl = b - bh;
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

DD add(DD a, DD b) {
    DD s = twoSum(a.hi, b.hi);
    const DD t = twoSum(a.lo, b.lo);
    s.lo += t.hi;
    s = quickTwoSum(s.hi, s.lo);
    s.lo += t.lo;
    return quickTwoSum(s.hi, s.lo);
}

DD neg(DD a) { return {-a.hi, -a.lo}; }

DD mul(DD a, DD b) {
    DD p = twoProd(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return quickTwoSum(p.hi, p.lo);
}

// a / b for a small whole number b (exact as a double).
DD divide(DD a, double b) {
    const double q1 = a.hi / b;
    const DD r = add(a, neg(twoProd(q1, b)));
    const double q2 = r.hi / b;
    const DD r2 = add(r, neg(twoProd(q2, b)));
    const double q3 = r2.hi / b;
    return add(quickTwoSum(q1, q2), DD{q3, 0.0});
}

// pi/2 in four doubles, about 210 bits.
constexpr double kHalfPi1 = 0x1.921fb54442d18p+0;
constexpr double kHalfPi2 = 0x1.1a62633145c07p-54;
constexpr double kHalfPi3 = -0x1.f1976b7ed8fbcp-110;
constexpr double kHalfPi4 = 0x1.4cf98e804177dp-164;
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
constexpr double kLargest = 1e9;  // k stays below 2^30, so k times each part is exact in twoProd

// x = k * pi/2 + r with |r| <= about pi/4; r to double-double precision.
DD reduce(double x, double& k) {
    k = std::nearbyint(x * kTwoOverPi);
    DD r = add(DD{x, 0.0}, neg(twoProd(k, kHalfPi1)));
    r = add(r, neg(twoProd(k, kHalfPi2)));
    r = add(r, neg(twoProd(k, kHalfPi3)));
    return add(r, DD{-(k * kHalfPi4), 0.0});
}

// Taylor series of sin r and cos r for |r| <= 0.8: terms fall below 2^-110
// of the sum within 30 powers.
DD sinSeries(DD r) {
    const DD r2 = mul(r, r);
    DD term = r;
    DD sum = r;
    for (int n = 2; n <= 32; n += 2) {
        term = divide(mul(term, r2), static_cast<double>(n) * (n + 1));
        sum = (n / 2) % 2 == 1 ? add(sum, neg(term)) : add(sum, term);
    }
    return sum;
}

DD cosSeries(DD r) {
    const DD r2 = mul(r, r);
    DD term{1.0, 0.0};
    DD sum{1.0, 0.0};
    for (int n = 1; n <= 31; n += 2) {
        term = divide(mul(term, r2), static_cast<double>(n) * (n + 1));
        sum = (n / 2) % 2 == 0 ? add(sum, neg(term)) : add(sum, term);
    }
    return sum;
}

// quadrant 0..3 of k; sine (0) or cosine (1) of x = k*pi/2 + r.
double fromQuadrant(DD r, double k, int shift) {
    const long long q = (static_cast<long long>(k) + shift) & 3;
    const DD v = q % 2 == 0 ? sinSeries(r) : cosSeries(r);
    // hi + lo rounded to the nearest double is the correctly rounded result.
    const double rounded = v.hi + v.lo;
    return q >= 2 ? -rounded : rounded;
}

}  // namespace

double exactSin(double x) {
    if (!(std::fabs(x) <= kLargest)) return std::numeric_limits<double>::quiet_NaN();
    if (x == 0.0) return x;  // keeps the sign of zero, as sin does
    double k = 0.0;
    const DD r = reduce(x, k);
    return fromQuadrant(r, k, 0);
}

double exactCos(double x) {
    if (!(std::fabs(x) <= kLargest)) return std::numeric_limits<double>::quiet_NaN();
    double k = 0.0;
    const DD r = reduce(x, k);
    return fromQuadrant(r, k, 1);
}

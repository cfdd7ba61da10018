// Float-to-integer truncation toward zero that stays defined for every input.
//
//   int32_t q = truncToInt32(v);        // INT32_MIN when v is outside the int32 range or NaN
//   uint32_t c = truncToInt64Low32(v);  // low 32 bits of the int64 truncation; 0 outside int64 or NaN
//
// A plain cast of an out-of-range double is undefined behaviour in C++. In the
// show a value that does not fit converts to the lowest integer of the width
// (0x80000000, or 0x8000000000000000 for 64 bits), NaN too; these helpers give
// exactly that, so even features far outside 0..1 draw the same defined frame on
// every machine and with every compiler. Every conversion in the frame
// path that could leave the range goes through here and nowhere else.
#pragma once
#include <cstdint>

// Bounds as exact doubles: -2^31 - 1 < v < 2^31 truncates into int32; -2^63 <= v < 2^63 into int64.
inline constexpr double kInt32TruncLow = -2147483649.0;
inline constexpr double kInt32TruncHigh = 2147483648.0;
inline constexpr double kInt64TruncLow = -9223372036854775808.0;
inline constexpr double kInt64TruncHigh = 9223372036854775808.0;

inline int32_t truncToInt32(double v) {
    // NaN fails both comparisons and takes the lowest value too.
    if (v > kInt32TruncLow && v < kInt32TruncHigh) return static_cast<int32_t>(v);
    return INT32_MIN;
}

inline uint32_t truncToInt64Low32(double v) {
    if (v >= kInt64TruncLow && v < kInt64TruncHigh) return static_cast<uint32_t>(static_cast<int64_t>(v));
    return 0u;  // low half of 0x8000000000000000
}

// Fixed-point and integer text without the printf machinery, for the value texts that
// exports and browsers write by the hundred thousand.
//
// FormatFixed writes exactly what std::snprintf(buf, size, "%.*f", decimals, v) writes
// in the default rounding mode: the binary value is rounded exactly to `decimals`
// places, an exact tie goes to the even digit, a negative value keeps its '-' even
// when it rounds to zero, and 0 decimals print no point. Values it does not handle
// itself (NaN, infinities, magnitudes from 2^53 up, more than kMaxFixedDecimals
// places) go to snprintf, so every input gives the printf text.
#pragma once

#include <cstddef>
#include <span>

namespace sq {

inline constexpr int kMaxFixedDecimals = 9;

// "%.*f" of `v` into `buf` (cut to fit, always terminated); returns the length of the
// full text. An empty buffer is left alone.
std::size_t FormatFixed(std::span<char> buf, int decimals, double v);

// "%d" of `v` into `buf` (cut to fit, always terminated); returns the length of the
// full text. An empty buffer is left alone.
std::size_t FormatInt(std::span<char> buf, long long v);

}  // namespace sq

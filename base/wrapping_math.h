#pragma once
// Settings and script numbers can be anything a 32-bit integer holds; positions computed from
// them wrap around as the original 32-bit arithmetic did, instead of overflowing.

#include <cstdint>

inline int32_t wrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

inline int32_t wrapMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// Truncates toward zero; the one quotient that does not fit wraps.
inline int32_t wrapDiv(int32_t a, int32_t b) {
  if (b == -1) return static_cast<int32_t>(0u - static_cast<uint32_t>(a));
  return a / b;
}

inline int32_t wrapNeg(int32_t a) { return static_cast<int32_t>(0u - static_cast<uint32_t>(a)); }

// The 32-bit abs: the one value without a positive counterpart stays itself.
inline int32_t wrapAbs(int32_t a) { return a < 0 ? wrapNeg(a) : a; }

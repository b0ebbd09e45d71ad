// Rays side by side: the number type of the loops that trace a pupil's rays
// together.
//
// A Pair holds one figure of two rays, which the processor adds,
// multiplies, divides and takes square roots of as one instruction. Each
// lane is rounded exactly as a double alone (IEEE 754 arithmetic, lane by
// lane, and no fused multiply-add), so a ray's figures do not depend on
// whether it was traced alone or beside another. Formulas written once for
// a number type T serve both: double for one ray, Pair for two. They hold
// no branch that depends on a ray: a ray that fails is marked in a Mask and
// its figures are left for the caller to keep or drop.
//
// Two lanes are the width of the vector registers of every x86-64
// processor; four (split over two registers) measured slower, as the
// tracing loop then runs out of registers.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

namespace vn {

inline constexpr std::size_t kLanes = 2;
using Pair = double __attribute__((vector_size(kLanes * sizeof(double))));

// bool for one ray; per lane 0 (false) or all bits set (true) for a Pair.
template <typename T>
using Mask = decltype(T{} < T{});

inline double Sqrt(double x) { return std::sqrt(x); }
inline Pair Sqrt(Pair x) {
  Pair root{};
  for (std::size_t lane = 0; lane < kLanes; ++lane) root[lane] = std::sqrt(x[lane]);
  return root;
}

inline bool Not(bool m) { return !m; }
inline Mask<Pair> Not(Mask<Pair> m) { return ~m; }

// True where x is finite: x − x is 0 for a finite x, NaN otherwise.
template <typename T>
inline Mask<T> FiniteMask(T x) {
  return x - x == 0.0;
}

// Whether any lane of a mask is set.
inline bool Any(Mask<Pair> m) {
  for (std::size_t lane = 0; lane < kLanes; ++lane) {
    if (m[lane] != 0) return true;
  }
  return false;
}

// kLanes consecutive figures of a column, and back.
inline Pair LoadPair(const double* column) {
  Pair value{};
  std::memcpy(&value, column, sizeof value);
  return value;
}
inline void StorePair(double* column, Pair value) { std::memcpy(column, &value, sizeof value); }

// The count rounded up to whole Pairs.
inline std::size_t PairedCount(std::size_t count) { return (count + kLanes - 1) / kLanes * kLanes; }

}  // namespace vn

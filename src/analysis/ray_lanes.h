// Rays side by side: the number types of the loops that trace a pupil's rays
// together.
//
// A Pair holds one figure of two rays, a Quad of four, which the processor
// adds, multiplies, divides and takes square roots of as one instruction.
// Each lane is rounded exactly as a double alone (IEEE 754 arithmetic, lane
// by lane, and no fused multiply-add), so a ray's figures do not depend on
// whether it was traced alone or beside others, nor on how many lanes the
// processor offers. Formulas written once for a number type T serve all:
// double for one ray, Pair or Quad for several. They hold no branch that
// depends on a ray: a ray that fails is marked in a Mask and its figures are
// left for the caller to keep or drop.
//
// Two lanes are the width of the vector registers of every x86-64
// processor; four fill the registers of a processor with AVX2, and are used
// only in code compiled for it (four split over two narrower registers
// measured slower, as the tracing loop then runs out of registers).
#pragma once

#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

namespace vn {

using Pair = double __attribute__((vector_size(2 * sizeof(double))));
using Quad = double __attribute__((vector_size(4 * sizeof(double))));

// The number of rays a lane type holds.
template <typename V>
inline constexpr std::size_t kLanesOf = sizeof(V) / sizeof(double);
inline constexpr std::size_t kLanes = kLanesOf<Pair>;
inline constexpr std::size_t kMostLanes = kLanesOf<Quad>;

// bool for one ray; per lane 0 (false) or all bits set (true) for a Pair or
// a Quad.
template <typename T>
using Mask = decltype(T{} < T{});

inline double Sqrt(double x) { return std::sqrt(x); }
template <typename V>
inline V Sqrt(V x) {
  V root{};
  for (std::size_t lane = 0; lane < kLanesOf<V>; ++lane) root[lane] = std::sqrt(x[lane]);
  return root;
}

inline bool Not(bool m) { return !m; }
template <typename M>
inline M Not(M m) {
  return ~m;
}

// True where x is finite: x − x is 0 for a finite x, NaN otherwise.
template <typename T>
inline Mask<T> FiniteMask(T x) {
  return x - x == 0.0;
}

// Whether any lane of a mask is set.
template <typename M>
inline bool Any(M m) {
  for (std::size_t lane = 0; lane < sizeof(M) / sizeof(m[0]); ++lane) {
    if (m[lane] != 0) return true;
  }
  return false;
}

// Consecutive figures of a column, one per lane, and back.
template <typename V>
inline V LoadLanes(const double* column) {
  V value{};
  std::memcpy(&value, column, sizeof value);
  return value;
}
template <typename V>
inline void StoreLanes(double* column, V value) {
  std::memcpy(column, &value, sizeof value);
}

// Loops over lanes may be compiled a second time for processors with AVX2,
// in functions marked [[gnu::target("avx2")]] and taken when HasAvx2(). Not
// on Windows, whose compilers do not keep the stack aligned for the wider
// registers.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(_WIN32)
#define VN_LANES_AVX2 1
inline bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

// The count rounded up to a whole number of the widest lanes (and so of
// every narrower kind).
inline std::size_t PaddedCount(std::size_t count) {
  return (count + kMostLanes - 1) / kMostLanes * kMostLanes;
}

}  // namespace vn

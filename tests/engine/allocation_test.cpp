// The engine's loops run thousands of times per run: they must not touch the
// heap. Every allocation of this test program is counted.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "engine/null_test_engine.h"

namespace {
std::atomic<long> gAllocations{0};
}

void* operator new(std::size_t n) {
  ++gAllocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace vn {
namespace {

TEST(EngineLoops, MakeNoHeapAllocation) {
  NullTestEngine e;
  e.system.LensRadius1 = 9e99;
  e.system.LensRadius2 = -206 / 25.4;
  e.system.LensThickness = 0.25;
  e.system.LensIndex = 1.51509;
  e.system.MirrorRadius = -100;
  e.system.ConicPlusOne = 0;
  long steps = 0;
  e.onStep = [&] { ++steps; };

  const long before = gAllocations.load();
  for (int i = 0; i < 200; ++i) {
    double D = 7.87264, h = 1.25, SA = 0;
    e.FindMarginalSA(80, 6.25, D, h, SA);
  }
  EXPECT_EQ(gAllocations.load() - before, 0);
  EXPECT_GT(steps, 1001);
}

}  // namespace
}  // namespace vn

// Cost of reducing Foucault readings through the null: six Couder zones of
// the start-up set-up, from the readings to the conic, profile and
// wavefront (aiming each zone's ray, the fits with and without the
// departure terms), must come in under 100 ms.
#include <benchmark/benchmark.h>

#include "../tests/support/start_up_set_up.h"
#include "analysis/foucault_reduction.h"

namespace {

void BM_FoucaultReduction6Zones(benchmark::State& state) {
  const vn::SolvedSetUp input = vn::test::StartUpExactInput();
  // Readings of a mirror whose conic is 0.05 off the design's, traced once
  // here, with a zonal error of 25 µm at the edge added to them, so that
  // both departure terms are fitted.
  vn::NullTestSystem s = input.system;
  s.ConicPlusOne += 0.05;
  const vn::FoldedSystem folded =
      vn::MakeFoldedSystem(s, input.objectDistance, input.lensMirrorDistance);
  std::vector<vn::FoucaultReading> readings;
  for (double h : vn::CouderZoneRadii(s.MirrorSemiDiameter, 6)) {
    const vn::Aim aim = vn::AimAtMirrorHeight(folded, h);
    const double z = *vn::AxisCrossing(vn::TraceFoldedRay(folded, aim.angle).returning);
    const double rho = h / s.MirrorSemiDiameter;
    readings.push_back({h, -z + 1e-3 * rho * rho * rho * rho * rho * rho});
  }
  int terms = 0;
  for (auto _ : state) {
    const vn::FoucaultReduction r = vn::ReduceFoucaultReadings(input, readings);
    if (!r.ok) state.SkipWithError("no reduction");
    terms = static_cast<int>(r.departureNm.size());
    benchmark::DoNotOptimize(r.conic);
  }
  state.counters["departure_terms"] = terms;
}
BENCHMARK(BM_FoucaultReduction6Zones)->Unit(benchmark::kMillisecond);

}  // namespace

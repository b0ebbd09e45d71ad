// A measurement through the null read back by the real executable: the
// measurement is made here by the exact trace of a mirror of conic −0.95
// through the start-up null, built 1 mm and 3 mm off the report's
// distances, and saved as DFTFringe saves a wavefront.
#include <gtest/gtest.h>

#include "analysis/zernike_series.h"
#include "common/json_reader.h"
#include "support/child_process.h"
#include "support/files.h"
#include "support/start_up_set_up.h"
#include "tester/dftfringe_files.h"
#include "tester/mirror_through_null.h"

namespace vn {
namespace {

constexpr double kBuiltD = test::kStartUpObjectDistanceMm - 1.0;
constexpr double kBuiltD2 = test::kStartUpLensMirrorDistanceMm - 3.0;

std::string MeasuredWft(double diameterMm) {
  SolvedSetUp at = test::StartUpExactInput();
  at.objectDistance = kBuiltD * test::kMm;
  at.lensMirrorDistance = kBuiltD2 * test::kMm;
  const MirrorThroughNull mirror = TesterModel(at).Mirror(0.05);
  EXPECT_TRUE(mirror.ok) << mirror.why;
  const ZernikeSeries series(mirror.zernike);
  return test::DftWavefrontText(
      301, [&](double x, double y) { return series.At(x, y); }, diameterMm, 2540, 632.8);
}

TEST(MeasuredOption, GivesTheMirrorAtTheDistancesBuilt) {
  const test::TempFolder folder("measured");
  const std::string path = folder / "mirror.wft";
  test::WriteText(path, MeasuredWft(317.5));
  const std::string builtAt =
      " --built-at " + GeneralNumber(kBuiltD) + "," + GeneralNumber(kBuiltD2);
  const test::ChildResult r =
      test::RunCli("--json --measured '" + path + "'" + builtAt, "LC_ALL=de_DE.UTF-8");
  ASSERT_EQ(r.status, 0) << r.err;
  const JsonReading json = ReadJson(r.out);
  ASSERT_TRUE(json.value) << r.out;
  const JsonValue* mirror = json.value->Member("measured_mirror");
  ASSERT_NE(mirror, nullptr);
  EXPECT_NEAR(mirror->Member("conic")->number, -0.95, 1e-3);
  EXPECT_EQ(mirror->Member("built_at")->Member("lens_mirror_distance")->number, kBuiltD2);
  // The text names the conic and the zones.
  const test::ChildResult text = test::RunCli("--measured '" + path + "'" + builtAt);
  EXPECT_TRUE(text.Has("Conic constant: -0.95")) << text.out;
  EXPECT_TRUE(text.Has("  edge    r 158.75 mm: ")) << text.out;

  // Another mirror's file: refused, naming the file and what differs.
  const std::string other = folder / "other.wft";
  test::WriteText(other, MeasuredWft(250));
  const test::ChildResult refused = test::RunCli("--measured '" + other + "'" + builtAt);
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(refused.err.find("--measured: " + other + ": its mirror diameter is 250 mm") !=
              std::string::npos)
      << refused.err;
  // Distances that do not read: CliFoucault.RefusesBadReadingsAndSetUpsWithExitStatus2.
}

}  // namespace
}  // namespace vn

// The user's tolerance file, and the analysis in the run's unit as text,
// JSON and CSV: figures that do not depend on the locale, JSON that reads
// back, and lengths in millimetres or inches.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>

#include "analysis/tolerance_file.h"
#include "analysis/tolerance_report.h"
#include "common/json_reader.h"
#include "support/comma_locale.h"
#include "support/start_up_set_up.h"

namespace vn {
namespace {

using test::kMm;

TEST(ToleranceFile, ReadsTheFiguresInTheFilesOrTheRunsUnit) {
  // The same file read for a millimetre and an inch run: without "units"
  // its lengths are in the run's unit, with "units" in its own. Figures it
  // leaves out keep the defaults of that unit.
  const ToleranceFileReading reading = ReadToleranceFile(
      "{\"lens_mirror_distance\": 2, \"tilt_degrees\": 0.05, \"trials\": 500,"
      " \"seed\": 42}");
  ASSERT_TRUE(reading.file) << reading.why;
  MonteCarloSettings settings;
  const BuildTolerances mm = ResolveTolerances(*reading.file, false, settings);
  EXPECT_DOUBLE_EQ(mm.lensMirrorDistance, 2 * kMm);
  EXPECT_DOUBLE_EQ(mm.objectDistance, 0.1 * kMm);
  EXPECT_EQ(mm.tiltDegrees, 0.05);
  EXPECT_EQ(settings.trials, 500);
  EXPECT_EQ(settings.seed, 42u);
  const BuildTolerances inch = ResolveTolerances(*reading.file, true, settings);
  EXPECT_EQ(inch.lensMirrorDistance, 2.0);
  EXPECT_EQ(inch.objectDistance, 0.004);

  const ToleranceFileReading inInches =
      ReadToleranceFile("{\"units\": \"inch\", \"decenter\": 0.01}");
  ASSERT_TRUE(inInches.file);
  const BuildTolerances forMm = ResolveTolerances(*inInches.file, false, settings);
  EXPECT_EQ(forMm.decenter, 0.01);
  EXPECT_EQ(forMm.lensMirrorDistance, 0.04);  // the inch defaults
}

TEST(ToleranceFile, RefusesWhatItCannotTake) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"[1]", "the tolerances must be one JSON object"},
      {"{\"spacing\": 1}", "unknown member \"spacing\""},
      {"{\"decenter\": -0.1}", "\"decenter\" must not be negative: a tolerance is ± its size"},
      {"{\"decenter\": \"0.1\"}", "\"decenter\" must be a number"},
      {"{\"units\": \"cm\"}", "\"units\" must be \"mm\" or \"inch\""},
      {"{\"trials\": 2.5}", "\"trials\" must be a whole number from 0 to 1000000"},
      {"{\"trials\": 1e7}", "\"trials\" must be a whole number from 0 to 1000000"},
      {"{\"seed\": -1}", "\"seed\" must be a whole number from 0 to 9007199254740992"},
      {"{\"decenter\": 0,1}", "line 1, column 16: expected a key in double quotes"},
  };
  for (const auto& c : cases) {
    const ToleranceFileReading r = ReadToleranceFile(c.text);
    EXPECT_FALSE(r.file) << c.text;
    EXPECT_EQ(r.why, c.error) << c.text;
  }
}

TEST(ToleranceFile, EntriesShowTheRunsUnitAndReadBack) {
  // The window's entries: the millimetre defaults read "0.1" and "1", the
  // inch ones "0.004" and "0.04", and what is read back is what was shown.
  for (const bool inch : {false, true}) {
    const BuildTolerances defaults = DefaultTolerances(inch);
    const auto texts = ToleranceTexts(defaults, inch);
    EXPECT_EQ(texts[0], inch ? "0.004" : "0.1");
    EXPECT_EQ(texts[1], inch ? "0.04" : "1");
    EXPECT_EQ(texts[7], "0.1");  // degrees in either unit
    const auto back = ReadToleranceTexts(texts, inch);
    ASSERT_TRUE(back);
    EXPECT_NEAR(back->lensMirrorDistance, defaults.lensMirrorDistance, 1e-15);
  }
  auto texts = ToleranceTexts(DefaultTolerances(false), false);
  texts[8] = "0,1";
  std::size_t bad = 0;
  EXPECT_FALSE(ReadToleranceTexts(texts, false, &bad));
  EXPECT_EQ(bad, 8u);
}

const ToleranceReport& StartUpReport() {
  static const ToleranceReport report = [] {
    const ToleranceModel& model = test::StartUpToleranceModel();
    MonteCarloSettings settings;
    settings.trials = 200;
    return RunToleranceReport(model, DefaultTolerances(false), settings,
                              model.input().lensMirrorDistance + 1 * kMm);
  }();
  return report;
}

TEST(ToleranceText, WritesTheRunsUnitAndNoLocale) {
  // Under a decimal-comma locale the figures keep their points; in a
  // millimetre run the spacing is "2076.366 mm", in an inch run 81.7467".
  test::CommaLocale comma;
  const ToleranceReport& report = StartUpReport();
  ASSERT_TRUE(report.table.ok) << report.table.why;
  const std::string mm = ToleranceText(report, false);
  const std::string inch = ToleranceText(report, true);
  EXPECT_NE(mm.find("Lens to mirror       2076.366 mm"), std::string::npos) << mm;
  EXPECT_NE(inch.find("Lens to mirror       81.7467\""), std::string::npos) << inch;
  EXPECT_NE(mm.find("Source-side radius   flat"), std::string::npos);
  EXPECT_NE(mm.find("fringes"), std::string::npos);
  EXPECT_NE(mm.find("Monte Carlo: 200 set-ups"), std::string::npos);
  EXPECT_NE(mm.find("A mirror that nulls best with the lens 2077.366 mm from it"),
            std::string::npos);
  // (The JSON's commas separate its figures; it is read back below.)
  for (const std::string& text : {mm, inch}) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
      EXPECT_FALSE(text[i] == ',' && std::isdigit(static_cast<unsigned char>(text[i + 1])))
          << "a decimal comma at " << text.substr(i > 20 ? i - 20 : 0, 40);
    }
  }
}

TEST(ToleranceText, JsonReadsBackWithEveryFigure) {
  test::CommaLocale comma;
  const ToleranceReport& report = StartUpReport();
  for (const bool inch : {false, true}) {
    const JsonReading r = ReadJson(ToleranceJson(report, inch));
    ASSERT_TRUE(r.value) << r.error.Message();
    const JsonValue& v = *r.value;
    EXPECT_TRUE(v.Member("ok")->boolean);
    EXPECT_EQ(v.Member("unit"), nullptr) << "the unit is the run's, given once at the top";
    const auto& rows = v.Member("sensitivities")->items;
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kBuildParameterCount));
    const JsonValue& spacing = rows[1];
    EXPECT_EQ(spacing.Member("parameter")->text, "lens_mirror_distance");
    EXPECT_NEAR(spacing.Member("design")->number, inch ? 81.7467 : 2076.366, 1e-3);
    EXPECT_NEAR(spacing.Member("plus")->number * (inch ? 1.0 / kMm : 1.0),
                *report.table.rows[1].plus / kMm, 1e-9);
    EXPECT_EQ(spacing.Member("zernike_fringe_waves")->items.size(), 36u);
    EXPECT_EQ(rows[3].Member("design")->kind, JsonValue::Kind::Null);  // the flat face
    const JsonValue* mc = v.Member("monte_carlo");
    ASSERT_EQ(mc->kind, JsonValue::Kind::Object);
    EXPECT_EQ(mc->Member("completed")->number, 200);
    EXPECT_EQ(v.Member("conic_from_spacing")->Member("conic")->kind, JsonValue::Kind::Number);
  }
}

TEST(ToleranceText, CsvHasOneLinePerFigureAndPerSetUp) {
  const ToleranceReport& report = StartUpReport();
  const std::string table = SensitivityCsv(report.table, false);
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 1 + kBuildParameterCount);
  EXPECT_EQ(table.substr(0, table.find(',')), "parameter");
  EXPECT_NE(table.find("\n\"lens_mirror_distance\",\"mm\",2076.366,"), std::string::npos);
  const std::string setUps = MonteCarloCsv(*report.monteCarlo);
  EXPECT_EQ(std::count(setUps.begin(), setUps.end(), '\n'), 201);
}

}  // namespace
}  // namespace vn

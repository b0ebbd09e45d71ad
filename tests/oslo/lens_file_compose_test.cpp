// The OSLO lens file text, line by line and byte by byte.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "oslo/fake_lens_file_platform.h"
#include "oslo/lens_file_export.h"

namespace vn {
namespace {

using test::StartupRecord;
using test::TextLines;  // each line keeps the CR of its CR LF
using test::Typed;

// A millimetre run: the fixed lines are the format's own (note the blanks
// ending "LEN NEW" and "WV"); the numbers come from the record:
//   EBR 1.15 in x 25.4 = 29.21 (29.209999999999997 in binary, rounded to 6),
//   TH  8.06367 x 25.4 = 204.817218 (to 9 decimals), 81.7467 x 25.4 =
//   2076.36618 (to 6), AP 6.25 x 25.4 = 158.75 exactly, not rounded,
//   AP  80 / 2 = 40, the typed diameter never scaled, RD 2540 x -1 = -2540,
//   and the typed texts "9e99", "15", "-206", "-1" as they stand.
// clang-format off
const std::vector<std::string> kStartupMmLines = {
    "// OSLO 6.2 50002     0     0", "LEN NEW \"Vantry_Null_Best\" 0 6 ", "EBR  29.21",
    "ANG  0.0000001", "DES  \"OSLO\"", "UNI 1.0",
    "// SRF 0", "AIR", "TH 204.817218", "AP 0.000248528801",
    "NXT  // SRF 1", "GLA BK7", "RD 9e99", "TH 15", "AP 40",
    "NXT  // SRF 2", "AIR", "RD -206", "TH 2076.36618", "AP 40",
    "NXT  // SRF 3", "RFH", "RD -2540", "PK THM  -1 0.0", "AP 158.75", "AST", "CC -1",
    "NXT  // SRF 4", "GLA BK7", "PK CV   -2 0.0", "PK THM  -3 0.0", "AP 40",
    "NXT  // SRF 5", "AIR", "PK CV   -4 0.0", "PK THM  -5 0.0", "AP 40",
    "NXT  // SRF 6", "AIR", "CBK 1", "WV 0.6328 0.6328 0.6328 ", "WW 1.0 1.0 1.0", "END  6",
    "DLRS 3"};
// clang-format on

TEST(ComposeLensFile, StartupSetUpInBothUnits) {
  // An inch run: U = 1, so the engine values appear unscaled; "UNI 25.4"; the
  // lens aperture 3.14961 / 2 = 1.574805; the mirror radius line -100.
  std::vector<std::string> inchLines = kStartupMmLines;
  const std::pair<int, const char*> inchChanges[] = {
      {2, "EBR  1.15"},    {5, "UNI 25.4"},     {8, "TH 8.06367"},   {13, "TH 0.590551"},
      {17, "RD -8.11"},    {18, "TH 81.7467"},  {22, "RD -100"},     {24, "AP 6.25"},
      {14, "AP 1.574805"}, {19, "AP 1.574805"}, {31, "AP 1.574805"}, {36, "AP 1.574805"}};
  for (const auto& [line, text] : inchChanges) inchLines[line] = text;

  for (bool inch : {false, true}) {
    const std::vector<std::string>& expected = inch ? inchLines : kStartupMmLines;
    const RunRecord run = StartupRecord(inch);
    const std::string text = ComposeLensFile("Vantry_Null_Best", run, run.solution);
    const auto lines = TextLines(text);
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
      EXPECT_EQ(lines[i], expected[i] + "\r") << "line " << i + 1;
    // Byte by byte: every line ended by CR LF, no BOM, no blank line at the end.
    std::string joined;
    for (const std::string& line : expected) joined += line + "\r\n";
    EXPECT_EQ(text, joined);
  }
}

TEST(ComposeLensFile, ComputedNumbersAreRoundedTypedTextsCopied) {
  // Engine values with more digits than the file keeps; products by hand:
  //   1.1512345678 x 25.4    = 29.24135802212      -> 6 decimals: 29.241358
  //   8.0636712345678 x 25.4 = 204.81724935802212  -> 9 decimals: 204.817249358
  //   9.8425197 x 25.4       = 250.00000038        -> 6 decimals: 250, no point
  //   6.251234567891 x 25.4  = 158.7813580244314   -> not rounded, 15 digits
  // No dropped digit is near a half. Typed texts stay as typed, marks and
  // prefixes included; a mirror radius typed negative is written positive.
  RunRecord r = StartupRecord(false);
  SetupFigures& s = r.solution;
  s.WorkingSemiDiameter = 1.1512345678, s.ObjectDistance = 8.0636712345678;
  s.LensMirrorDistance = 9.8425197, r.system.MirrorSemiDiameter = 6.251234567891;
  Typed(r, Entry::SourceSideRadius) = "1E+99", Typed(r, Entry::CentreThickness) = "15.000";
  Typed(r, Entry::ConicConstant) = "-1.0", r.setup.mirrorRadiusOfCurvature = -2000;
  r.setup.glassName = "O_S-BSL7*";
  const auto lines = TextLines(ComposeLensFile("T", r, r.solution));
  ASSERT_EQ(lines.size(), 44u);
  const std::pair<int, const char*> expected[] = {
      {2, "EBR  29.241358"}, {8, "TH 204.817249358"}, {18, "TH 250"},   {24, "AP 158.781358024431"},
      {11, "GLA O_S-BSL7*"}, {28, "GLA O_S-BSL7*"},   {12, "RD 1E+99"}, {13, "TH 15.000"},
      {22, "RD 2000"},       {26, "CC -1.0"}};
  for (const auto& [line, text] : expected)
    EXPECT_EQ(lines[line], text + std::string("\r")) << "line " << line + 1;
}

TEST(ComposeLensFile, GivesOsloTheSolvedIndex) {
  // BK7 chosen at 546.1 nm, where its index is 1.51872, then 1.51509 typed:
  // the run solved with 1.51509, so both passes through the lens get a model
  // glass of that index at each of the file's three wavelengths, as OSLO
  // writes one. The glass's own index, or one within half a unit of its
  // fifth decimal, keeps the catalog glass.
  const struct {
    const char* typed;
    double index;
    const char* glass;
  } cases[] = {{"1.51509", 1.51509, "GLA MOD MODEL1 1.51509 1.51509 1.51509"},
               {"1.51872", 1.51872, "GLA BK7"},
               {"1.518724", 1.518724, "GLA BK7"},
               {"1.5188", 1.5188, "GLA MOD MODEL1 1.5188 1.5188 1.5188"}};
  for (const auto& c : cases) {
    RunRecord r = StartupRecord(false);
    r.setup.testWavelength = 0.5461;
    Typed(r, Entry::LensIndex) = c.typed;
    r.setup.lensIndex = c.index;
    const auto lines = TextLines(ComposeLensFile("T", r, r.solution));
    ASSERT_EQ(lines.size(), 44u);
    for (int line : {11, 28}) EXPECT_EQ(lines[line], c.glass + std::string("\r")) << c.typed;
    EXPECT_EQ(lines[40], "WV 0.5461 0.5461 0.5461 \r");
  }
}
}  // namespace
}  // namespace vn

// The OSLO lens file text, line by line and byte by byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/arithmetic.h"
#include "oslo/lens_file_export.h"

namespace vn {
namespace {

// The start-up set-up (317.5 mm paraboloid of radius 2540 mm, 80 mm
// plano-convex BK7 lens of radius 206 mm, 15 mm thick) with round engine
// values in inches standing for a solved run. They are chosen, not solved:
// the file only copies and scales them.
LensFileSnapshot StartupMmSnapshot() {
  LensFileSnapshot s;
  s.WorkingSemiDiameter = 1.15;
  s.ObjectDistance = 8.06367;
  s.LensMirrorDistance = 81.7467;
  s.MirrorSemiDiameter = 6.25;  // 317.5 mm / 2 in inches
  s.LradI = "9e99";
  s.lthck = "15";
  s.lRadM = "-206";
  s.Mcc = "-1";
  s.LDiam = "80";
  s.MRoC = "2540";
  s.MDiam = "317.5";
  s.GlassName = "BK7";
  s.TestWavelength = 0.6328;
  return s;
}

// The same system entered in inches.
LensFileSnapshot StartupInchSnapshot() {
  LensFileSnapshot s = StartupMmSnapshot();
  s.lthck = "0.590551";
  s.lRadM = "-8.11";
  s.LDiam = "3.14961";
  s.MRoC = "100";
  s.MDiam = "12.5";
  return s;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  return text;
}

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (auto end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  EXPECT_EQ(start, text.size()) << "text after the last CR LF";
  return lines;
}

// The fixed lines are the format's own; the numbers come from the snapshot:
//   EBR  1.15 in x 25.4 = 29.21 mm (the product is 29.209999999999997 in
//        binary; Round(, 6) gives 29.21),
//   TH   8.06367 in x 25.4 = 204.817218 mm (to 9 decimals),
//   TH   81.7467 in x 25.4 = 2076.36618 mm (to 6 decimals),
//   AP   6.25 in x 25.4 = 158.75 mm, exact, not rounded,
//   AP   80 / 2 = 40 (the typed lens diameter, never scaled),
//   RD   2540 x -1 = -2540 (the typed mirror radius),
//   and the typed texts "9e99", "15", "-206", "-1" copied as they stand.
const std::vector<std::string> kStartupMmLines = {
    "// OSLO 6.2 50002     0     0",
    "LEN NEW \"Vantry_Null_Best\" 0 6 ",
    "EBR  29.21",
    "ANG  0.0000001",
    "DES  \"OSLO\"",
    "UNI 1.0",
    "// SRF 0",
    "AIR",
    "TH 204.817218",
    "AP 0.000248528801",
    "NXT  // SRF 1",
    "GLA BK7",
    "RD 9e99",
    "TH 15",
    "AP 40",
    "NXT  // SRF 2",
    "AIR",
    "RD -206",
    "TH 2076.36618",
    "AP 40",
    "NXT  // SRF 3",
    "RFH",
    "RD -2540",
    "PK THM  -1 0.0",
    "AP 158.75",
    "AST",
    "CC -1",
    "NXT  // SRF 4",
    "GLA BK7",
    "PK CV   -2 0.0",
    "PK THM  -3 0.0",
    "AP 40",
    "NXT  // SRF 5",
    "AIR",
    "PK CV   -4 0.0",
    "PK THM  -5 0.0",
    "AP 40",
    "NXT  // SRF 6",
    "AIR",
    "CBK 1",
    "WV 0.6328 0.6328 0.6328 ",
    "WW 1.0 1.0 1.0",
    "END  6",
    "DLRS 3",
};

TEST(ComposeLensFile, StartupSetUpInMillimetresLineByLine) {
  const std::string text = ComposeLensFile("Vantry_Null_Best", StartupMmSnapshot(), 25.4);
  const auto lines = SplitCrLf(text);
  ASSERT_EQ(lines.size(), 44u);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i], kStartupMmLines[i]) << "line " << i + 1;
  }
  // Byte by byte: nothing but these lines, every one ended by CR LF, no lone
  // LF, no byte-order mark, no trailing blank line.
  EXPECT_EQ(text, Joined(kStartupMmLines));
  EXPECT_EQ(text.substr(text.size() - 8), "DLRS 3\r\n");
}

TEST(ComposeLensFile, StartupSetUpInInchesKeepsEngineValuesUnscaled) {
  // An inch run: U = 1, so the engine values appear as they are; the file
  // declares "UNI 25.4"; the lens aperture is 3.14961 / 2 = 1.574805 and the
  // mirror radius line -100. Every other line is that of the millimetre file.
  std::vector<std::string> expected = kStartupMmLines;
  expected[2] = "EBR  1.15";
  expected[5] = "UNI 25.4";
  expected[8] = "TH 8.06367";
  expected[13] = "TH 0.590551";
  expected[17] = "RD -8.11";
  expected[18] = "TH 81.7467";
  expected[22] = "RD -100";
  expected[24] = "AP 6.25";
  for (int i : {14, 19, 31, 36}) expected[i] = "AP 1.574805";

  const std::string text = ComposeLensFile("Vantry_Null_Best", StartupInchSnapshot(), 1.0);
  const auto lines = SplitCrLf(text);
  ASSERT_EQ(lines.size(), 44u);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
  }
  EXPECT_EQ(text, Joined(expected));
}

TEST(ComposeLensFile, ComputedNumbersAreRoundedTypedTextsCopied) {
  // Engine values with more digits than the file keeps; products by hand:
  //   1.1512345678 x 25.4    = 29.24135802212      -> 6 decimals: 29.241358
  //   8.0636712345678 x 25.4 = 204.81724935802212  -> 9 decimals: 204.817249358
  //   9.8425197 x 25.4       = 250.00000038        -> 6 decimals: 250, no point
  //   6.251234567891 x 25.4  = 158.7813580244314   -> not rounded, 15 digits
  // No dropped digit is near a half, so a last-bit difference of the binary
  // product cannot change the text.
  LensFileSnapshot s = StartupMmSnapshot();
  s.WorkingSemiDiameter = 1.1512345678;
  s.ObjectDistance = 8.0636712345678;
  s.LensMirrorDistance = 9.8425197;
  s.MirrorSemiDiameter = 6.251234567891;
  // Typed texts stay as typed; catalog names keep their marks and prefixes;
  // a mirror radius typed negative is written positive.
  s.LradI = "1E+99";
  s.lthck = "15.000";
  s.Mcc = "-1.0";
  s.MRoC = "-2000";
  s.GlassName = "O_S-BSL7*";
  const auto lines = SplitCrLf(ComposeLensFile("T", s, 25.4));
  ASSERT_EQ(lines.size(), 44u);
  EXPECT_EQ(lines[2], "EBR  29.241358");
  EXPECT_EQ(lines[8], "TH 204.817249358");
  EXPECT_EQ(lines[18], "TH 250");
  EXPECT_EQ(lines[24], "AP 158.781358024431");
  EXPECT_EQ(lines[11], "GLA O_S-BSL7*");
  EXPECT_EQ(lines[28], "GLA O_S-BSL7*");
  EXPECT_EQ(lines[12], "RD 1E+99");
  EXPECT_EQ(lines[13], "TH 15.000");
  EXPECT_EQ(lines[22], "RD 2000");
  EXPECT_EQ(lines[26], "CC -1.0");
}

TEST(ComposeLensFile, UnreadableDiameterOrRadiusEndsTheRun) {
  for (std::string LensFileSnapshot::*entry : {&LensFileSnapshot::LDiam, &LensFileSnapshot::MRoC}) {
    for (const char* bad : {"", "80mm", "1,5"}) {
      LensFileSnapshot s = StartupMmSnapshot();
      s.*entry = bad;
      try {
        ComposeLensFile("T", s, 25.4);
        ADD_FAILURE() << "\"" << bad << "\" was read as a number";
      } catch (const RunFailure& f) {
        EXPECT_EQ(f.kind(), FailureKind::NotANumber);
      }
    }
  }
}

}  // namespace
}  // namespace vn

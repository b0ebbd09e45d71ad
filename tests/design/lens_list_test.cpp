// Reading lens lists: a bad row is named by row and column and left out, the
// rest of the list is read; spreadsheets' quoting, line ends and byte-order
// marks; the focal-length check (its lens power is the optics primitives',
// tested against closed forms there).
#include "design/lens_list.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/comma_locale.h"
#include "support/start_up_set_up.h"

namespace vn {
namespace {

using test::kMm;

TEST(LensList, ABadRowIsNamedAndTheRestOfTheListIsRead) {
  const LensList list = ReadLensList(
      "name,part number,radius 1,radius 2,centre thickness,diameter,glass,focal length\n"
      "Start-up,SU-206,9e99,-206,15,80,BK7,\n"
      "Bad radius,BR-1,abc,-100,5,50,BK7,\n"
      "Last,L-1,flat,-103,5,50,1.51509,200\n");
  ASSERT_EQ(list.lenses.size(), 2u);
  EXPECT_EQ(list.lenses[0].name, "Start-up");
  EXPECT_EQ(list.lenses[1].partNumber, "L-1");
  EXPECT_EQ(list.lenses[1].row, 4);
  ASSERT_EQ(list.problems.size(), 1u);
  const LensListProblem& p = list.problems[0];
  EXPECT_EQ(p.row, 3);
  EXPECT_EQ(p.column, 3);
  EXPECT_FALSE(p.warning);
  EXPECT_EQ(p.why,
            "row 3, column 3 (radius 1): \"abc\" is not a radius: write a number of millimetres, "
            "or flat for a plane face; the row is left out");
}

// A list of a thousand bad rows keeps the first 30 messages and counts the
// rest; a raised cancel flag ends the reading before the next row.
TEST(LensList, ManyBadRowsAreCountedAndTheReadingCanBeStopped) {
  std::string text;
  for (int k = 1; k <= 1000; ++k) text += "L,P,abc,flat,15,80,BK7\nGood,G,206,flat,15,80,BK7\n";
  const LensList list = ReadLensList(text);
  EXPECT_EQ(list.lenses.size(), 1000u);
  ASSERT_EQ(list.problems.size(), kMaxListedProblems);
  EXPECT_EQ(list.problems.back().row, 59);
  EXPECT_EQ(list.unlistedProblems, 1000u - kMaxListedProblems);
  EXPECT_FALSE(list.stopped);
  CancelToken cancel;
  cancel.Cancel();
  LensListOptions options;
  options.cancel = &cancel;
  const LensList stopped = ReadLensList(text, options);
  EXPECT_TRUE(stopped.stopped);
  EXPECT_TRUE(stopped.lenses.empty() && stopped.problems.empty());
}

TEST(LensList, AMistypedFirstRowIsNotTakenForAHeader) {
  const LensList list = ReadLensList("A,B,2O6,flat,15,80,BK7\nC,D,206,flat,15,80,BK7\n");
  ASSERT_EQ(list.lenses.size(), 1u);
  ASSERT_EQ(list.problems.size(), 1u);
  EXPECT_EQ(list.problems[0].row, 1);
  EXPECT_EQ(list.problems[0].column, 3);
}

TEST(LensList, EachFaultNamesItsColumn) {
  const std::string good = "9e99,-206,15,80,BK7";
  const struct {
    const char* row;
    int column;
    const char* message;
  } cases[] = {
      {"A,B,0,-206,15,80,BK7", 3,
       "a radius of 0 is no surface: write flat (or inf) for a plane face"},
      {"A,B,flat,-206,-15,80,BK7", 5, "\"-15\" must be more than 0"},
      {"A,B,flat,-206,15,,BK7", 6, "the empty field is not a number of millimetres"},
      {"A,B,flat,-206,15,80,0.9", 7, "\"0.9\" is no refractive index of a glass (between 1 and 3)"},
      {"A,B,flat,-206,15,80,BK77", 7,
       "\"BK77\" is neither a refractive index nor a glass of the catalogs (close: BK7"},
      {"A,B,flat,-206,15,80,BK7,x", 8,
       "\"x\" is not a focal length in millimetres (leave it empty when not known)"},
      {",,flat,-206,15,80,BK7", 1, "the lens has neither a name nor a part number"},
      {"A,B,flat,-206,15,80", 0,
       "6 fields, but a lens needs at least 7 (name, part number, radius 1, radius 2, centre "
       "thickness, diameter, glass)"},
      {"A;B;flat;-206;15;80;BK7", 0,
       "fields are separated by commas, with a point before decimals"},
      {"\"A\"x,B,flat,-206,15,80,BK7", 1, "text follows the closing quote"},
  };
  for (const auto& c : cases) {
    // A good first row, so the bad one is never taken for a header.
    const LensList list = ReadLensList("Good,G," + good + "\n" + c.row + "\n");
    ASSERT_EQ(list.lenses.size(), 1u) << c.row;
    ASSERT_EQ(list.problems.size(), 1u) << c.row;
    EXPECT_EQ(list.problems[0].row, 2) << c.row;
    EXPECT_EQ(list.problems[0].column, c.column) << c.row;
    EXPECT_NE(list.problems[0].why.find(c.message), std::string::npos) << list.problems[0].why;
  }
}

TEST(LensList, ReadsWhatSpreadsheetsWrite) {
  // A byte-order mark, CR LF line ends, quoted fields with commas, quotes and
  // a line break inside, blanks around fields, comments and blank rows.
  const LensList list = ReadLensList(
      "\xEF\xBB\xBFName,Part,R1,R2,CT,Dia,Glass\r\n"
      "# a comment\r\n"
      "\r\n"
      "\"Lens, \"\"big\"\"\", \"P-1\" , INF , -206 ,15,80, BK7\r\n"
      "\"Two\nlines\",P-2,\xE2\x88\x9E,-206,15,80,S-BSL7\r\n"
      "Last,P-3,Plano,-206,15,80,1.5\r\n");
  ASSERT_TRUE(list.problems.empty()) << list.problems[0].why;
  ASSERT_EQ(list.lenses.size(), 3u);
  EXPECT_EQ(list.lenses[0].name, "Lens, \"big\"");
  EXPECT_EQ(list.lenses[0].partNumber, "P-1");
  EXPECT_EQ(list.lenses[0].row, 4);
  EXPECT_EQ(list.lenses[1].name, "Two\nlines");
  EXPECT_EQ(list.lenses[1].row, 5);
  EXPECT_EQ(list.lenses[1].glassName, "S-BSL7");
  EXPECT_EQ(list.lenses[2].row, 7);  // the line after the two-line row
  for (const ListedLens& l : list.lenses) {
    EXPECT_EQ(l.lens.sourceRadius, 9e99);
    EXPECT_DOUBLE_EQ(l.lens.mirrorRadius, -206 * kMm);
  }
  EXPECT_EQ(list.lenses[2].lens.index, 1.5);
}

TEST(LensList, AGlassIsTakenAtTheTestWavelengthAsTheDialogRoundsIt) {
  LensListOptions options;
  options.wavelengthNm = 632.8;
  const LensList list =
      ReadLensList("A,B,flat,-206,15,80,bk7\nC,D,flat,-206,15,80,N-BK7\n", options);
  ASSERT_EQ(list.lenses.size(), 2u);
  // The start-up index: the dialog's BK7 at 632.8 nm.
  EXPECT_EQ(list.lenses[0].lens.index, 1.51509);
  EXPECT_EQ(list.lenses[0].glassName, "BK7");
  // A lead-free glass is stood in for by its classic counterpart, with a warning.
  EXPECT_EQ(list.lenses[1].glassName, "BK7");
  ASSERT_EQ(list.problems.size(), 1u);
  EXPECT_TRUE(list.problems[0].warning);
  EXPECT_EQ(list.problems[0].why,
            "row 2, column 7 (glass): N-BK7 is not in the catalogs; BK7, the classic glass it "
            "replaces, is taken for it");
}

TEST(LensList, AFocalLengthTheRadiiDoNotGiveIsWarnedOf) {
  // A biconvex lens of radius 103.4 mm in BK7 (nd 1.5168) focuses at about
  // 100 mm; typed with radius 2 positive it is a nearly afocal meniscus.
  const LensList list = ReadLensList(
      "Right,R,103.4,-103.4,3,25,BK7,100\n"
      "Wrong,W,103.4,103.4,3,25,BK7,100\n");
  ASSERT_EQ(list.lenses.size(), 2u);
  ASSERT_EQ(list.problems.size(), 1u);
  EXPECT_EQ(list.problems[0].row, 2);
  EXPECT_EQ(list.problems[0].column, 8);
  EXPECT_TRUE(list.problems[0].warning);
  EXPECT_NE(list.problems[0].why.find("check the radii's signs"), std::string::npos);
  EXPECT_EQ(*list.lenses[0].vendorFocalLength, 100 * kMm);
}

TEST(LensList, ANameThatIsNotUtf8IsShownWithReplacementCharacters) {
  const LensList list = ReadLensList("Lin\xE9se,P,flat,-206,15,80,BK7\n");
  ASSERT_EQ(list.lenses.size(), 1u);
  EXPECT_EQ(list.lenses[0].name, "Lin\xEF\xBF\xBDse");
  ASSERT_EQ(list.problems.size(), 1u);
  EXPECT_TRUE(list.problems[0].warning);
  EXPECT_EQ(list.problems[0].column, 1);
}

TEST(LensList, LengthsInInchesAndUnderACommaLocale) {
  test::CommaLocale comma;
  LensListOptions inch;
  inch.inchLengths = true;
  const LensList list = ReadLensList("A,B,flat,-8.5,0.5,3.25,1.5\n", inch);
  ASSERT_EQ(list.lenses.size(), 1u);
  EXPECT_EQ(list.lenses[0].lens.mirrorRadius, -8.5);
  EXPECT_EQ(list.lenses[0].lens.diameter, 3.25);
  EXPECT_TRUE(ReadLensList("A,B,flat,\"-8,5\",0.5,3.25,1.5\n", inch).lenses.empty());
}

}  // namespace
}  // namespace vn

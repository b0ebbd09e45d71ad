// Set-up files: what is saved opens again exactly, under any locale, and a
// file that is not a set-up this version can read gives its reason and no
// set-up at all.
#include "record/setup_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/app_info.h"
#include "support/comma_locale.h"
#include "support/files.h"

namespace vn {
namespace {

namespace fs = std::filesystem;

// The start-up set-up as the documented format writes it.
const std::string kStartupText =
    "{\n"
    "  \"format\": \"Vantry Null set-up\",\n"
    "  \"version\": 1,\n"
    "  \"saved_by\": \"Vantry Null " +
    VersionText() +
    "\",\n"
    "  \"units\": \"mm\",\n"
    "  \"entries\": {\n"
    "    \"mirror_diameter\": \"317.5\",\n"
    "    \"mirror_roc\": \"2540\",\n"
    "    \"conic\": \"-1\",\n"
    "    \"source_radius\": \"9e99\",\n"
    "    \"mirror_side_radius\": \"-206\",\n"
    "    \"thickness\": \"15\",\n"
    "    \"lens_diameter\": \"80\",\n"
    "    \"index\": \"1.51509\"\n"
    "  },\n"
    "  \"glass\": \"BK7\",\n"
    "  \"wavelength_um\": 0.6328\n"
    "}\n";

// The start-up text with one piece replaced.
std::string Edited(const std::string& from, const std::string& to) {
  std::string text = kStartupText;
  const auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return text.replace(at, from.size(), to);
}

// An inch set-up with entries no number reader would take, every character a
// JSON string must escape, an Ohara glass at the dialog's longest wavelength,
// and Foucault readings typed as oddly.
SetupFile OddSetup() {
  SetupFile s;
  s.inch = true;
  s.Text(Entry::MirrorDiameter) = "12,5";
  s.Text(Entry::MirrorRadiusOfCurvature) = "";
  s.Text(Entry::ConicConstant) = " -1.0000000000000002 ";
  s.Text(Entry::SourceSideRadius) = "say \"flat\" \\ 9e99";
  s.Text(Entry::CentreThickness) = "0.59\t\x01\x7F";
  s.Text(Entry::LensDiameter) = "3\xC2\xBD \xE2\x80\x94 \xF0\x9F\x94\xAD";
  s.glassName = "BSL7Y";
  s.wavelengthMicrons = 0.85;
  s.foucault.zones = {{"1.6", "0,394"}, {" 1e1 ", "say \"x\" \\"}, {"", "2.0"}};
  s.foucault.builtAt = {{"8.06", ""}};
  return s;
}

TEST(SetupFile, StartupSetupIsTheDocumentedText) {
  EXPECT_EQ(SetupFileText(SetupFile{}), kStartupText);
  const SetupFileReading r = ParseSetupFile(kStartupText);
  ASSERT_TRUE(r.setup) << r.error.why;
  EXPECT_EQ(*r.setup, SetupFile{});
}

TEST(SetupFile, RoundTripsExactlyUnderACommaLocale) {
  test::CommaLocale comma;
  SetupFile odd = OddSetup();
  const SetupFileReading r = ParseSetupFile(SetupFileText(odd));
  ASSERT_TRUE(r.setup) << r.error.why;
  EXPECT_EQ(*r.setup, odd);
  // A wavelength of the dialog's making (nm / 1000), not a short decimal in
  // micrometres, comes back to the bit.
  odd.wavelengthMicrons = 546.0740000000001 * 0.001;
  EXPECT_EQ(ParseSetupFile(SetupFileText(odd)).setup->wavelengthMicrons, odd.wavelengthMicrons);
  EXPECT_NE(SetupFileText(odd).find("\"wavelength_um\": 0.5460740000000001,\n"), std::string::npos);
}

TEST(SetupFile, ReadsWhatAnotherHandOrALaterVersionMayWrite) {
  // Keys this version does not know, members in another order, other blanks
  // and CR LF lines, a byte-order mark, a glass typed in the wrong case.
  const std::string text =
      "\xEF\xBB\xBF{\"glass\":\"bk7\",\"wavelength_um\":6.328E-1,\"units\":\"inch\",\r\n"
      "\"notes\":{\"by\":[\"me\",null,true]},\"version\":1.0,"
      "\"entries\":{\"index\":\"1.5\",\"lens_diameter\":\"3\",\"thickness\":\"0.5\","
      "\"mirror_side_radius\":\"-8\",\"source_radius\":\"9e99\",\"conic\":\"0\","
      "\"mirror_roc\":\"100\",\"mirror_diameter\":\"12\",\"colour\":\"red\"},"
      "\"format\":\"Vantry Null set-up\"}";
  const SetupFileReading r = ParseSetupFile(text);
  ASSERT_TRUE(r.setup) << r.error.why;
  SetupFile expected;
  expected.inch = true;
  expected.entries = {"12", "100", "0", "9e99", "-8", "0.5", "3", "1.5"};
  EXPECT_EQ(*r.setup, expected);
}

TEST(SetupFile, RefusesWhatItCannotReadWithItsReason) {
  const struct {
    std::string text;
    SetupFileProblem problem;
    const char* message;
  } cases[] = {
      {"", SetupFileProblem::Damaged, "The file is empty."},
      {"\x89PNG\r\n\x1A\n", SetupFileProblem::NotASetup,
       "The file is not a Vantry Null set-up file."},
      {"{\"units\":\"mm\",\"object_distance\":204.8}", SetupFileProblem::NotASetup,
       "The file is not a Vantry Null set-up file."},
      {Edited("\"format\": \"Vantry Null set-up\"", "\"format\": \"Vantry Null\""),
       SetupFileProblem::NotASetup, "The file is not a Vantry Null set-up file."},
      // Cut short, as a full disk or a copy broken off would leave it (the
      // reader's own faults are the JSON reader's tests).
      {kStartupText.substr(0, 205), SetupFileProblem::Damaged,
       "The file is damaged (line 10, column 10: a string without its closing quote)."},
      {Edited("  \"version\": 1,\n", ""), SetupFileProblem::Damaged,
       "The file is damaged: the key \"version\" is missing."},
      {Edited("\"version\": 1", "\"version\": \"1\""), SetupFileProblem::Damaged,
       "The file is damaged: the value of \"version\" is not a number."},
      {Edited("\"version\": 1", "\"version\": 0"), SetupFileProblem::Damaged,
       "The file is damaged: the version 0 is not a whole number from 1 up."},
      {Edited("\"units\": \"mm\"", "\"units\": \"cm\""), SetupFileProblem::Damaged,
       "The file is damaged: the units \"cm\" are neither \"mm\" nor \"inch\"."},
      {Edited("    \"thickness\": \"15\",\n", ""), SetupFileProblem::Damaged,
       "The file is damaged: the key \"thickness\" in \"entries\" is missing."},
      {Edited("\"15\"", "15"), SetupFileProblem::Damaged,
       "The file is damaged: the value of \"thickness\" in \"entries\" is not text in double "
       "quotes."},
      {Edited("\"BK7\"", "\"BK77\""), SetupFileProblem::Damaged,
       "The file is damaged: the glass \"BK77\" is in neither the Schott nor the Ohara "
       "catalog."},
      {Edited("0.6328", "0.3499"), SetupFileProblem::Damaged,
       "The file is damaged: the wavelength 349.9 nm is outside the test wavelengths, 350 to "
       "850 nm."},
      {Edited("0.6328", "632.8"), SetupFileProblem::Damaged,
       "The file is damaged: the wavelength 632800 nm is outside the test wavelengths, 350 to "
       "850 nm."},
      // The Foucault readings are read all or nothing too.
      {Edited("0.6328\n", "0.6328, \"foucault\": [\"20,10\"]\n"), SetupFileProblem::Damaged,
       "The file is damaged: the value of \"foucault\" is not an object."},
      {Edited("0.6328\n", "0.6328, \"foucault\": {\"zones\": [{\"radius\": \"20\"}]}\n"),
       SetupFileProblem::Damaged,
       "The file is damaged: the key \"knife\" in zone 1 of \"foucault\" is missing."},
      // A newer format is refused before its contents are judged.
      {"{\"format\":\"Vantry Null set-up\",\"version\":3,\"set-ups\":[]}", SetupFileProblem::Newer,
       "The file was saved by a newer version of Vantry Null (set-up format 3; this version "
       "reads format 1). Open it with that version."},
  };
  for (const auto& c : cases) {
    const SetupFileReading r = ParseSetupFile(c.text);
    EXPECT_FALSE(r.setup) << c.text;
    EXPECT_EQ(r.error.problem, c.problem) << c.text;
    EXPECT_EQ(r.error.why, c.message) << c.text;
  }
}

TEST(SetupFile, WritesWholeOverWhatWasThereAndReadsBack) {
  const test::TempFolder folder("setup_write");
  const fs::path file = folder / "mirror.vnull";
  std::ofstream(file) << "an older set-up";
  ASSERT_TRUE(WriteSetupFile(file, OddSetup()).written());
  EXPECT_EQ(test::FileText(file), SetupFileText(OddSetup()));
  const SetupFileReading r = ReadSetupFile(file);
  ASSERT_TRUE(r.setup) << r.error.why;
  EXPECT_EQ(*r.setup, OddSetup());
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"mirror.vnull"});  // no temporary left

  // A symbolic link at the name is replaced, never written through (where
  // the system lets a user make one: Windows asks for a privilege).
  const fs::path elsewhere = folder / "elsewhere.txt";
  std::ofstream(elsewhere) << "keep";
  const fs::path link = folder / "link.vnull";
  std::error_code noLink;
  fs::create_symlink(elsewhere, link, noLink);
  if (noLink) return;
  ASSERT_TRUE(WriteSetupFile(link, SetupFile{}).written());
  EXPECT_EQ(test::FileText(elsewhere), "keep");
  EXPECT_FALSE(fs::is_symlink(link));
  EXPECT_EQ(test::FileText(link), kStartupText);
}

TEST(SetupFile, FailedWriteLeavesNothingBehind) {
  const test::TempFolder folder("setup_failed_write");
  // A missing folder: the temporary file cannot be made.
  EXPECT_FALSE(WriteSetupFile(folder / "missing/a.vnull", SetupFile{}).written());
  // A name taken by a folder that is not empty: the rename fails.
  fs::create_directories(folder / "taken.vnull/inside");
  EXPECT_FALSE(WriteSetupFile(folder / "taken.vnull", SetupFile{}).written());
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"taken.vnull"});
}

TEST(SetupFile, ReadingFilesThatAreNotThere) {
  const test::TempFolder folder("setup_not_there");
  const SetupFileReading missing = ReadSetupFile(folder / "missing.vnull");
  EXPECT_EQ(missing.error.problem, SetupFileProblem::Unreadable);
  EXPECT_EQ(missing.error.why, "The file could not be read (No such file or directory).");
  EXPECT_EQ(ReadSetupFile(folder.path).error.why,
            "The file could not be read (it is a folder, not a file).");
  // A file too large to be a set-up is not read into memory whole.
  const fs::path big = folder / "big.vnull";
  std::ofstream(big) << std::string(kMaxSetupFileBytes + 1, ' ');
  EXPECT_EQ(ReadSetupFile(big).error.why, "The file is too large to be a set-up file.");
}

}  // namespace
}  // namespace vn

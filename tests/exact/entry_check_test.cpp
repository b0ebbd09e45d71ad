// The entries' own check: each listed fault named on its field, the bounds
// placed by closed forms, and nothing said of the start-up entries.
#include "exact/entry_check.h"

#include <gtest/gtest.h>

#include "record/start_up_entries.h"

namespace vn {
namespace {

TypedEntries StartUp(bool inch = false) {
  TypedEntries in;
  in.texts = StartUpEntryTexts(inch);
  in.inch = inch;
  in.glassName = "BK7";
  in.testWavelength = 0.6328;
  return in;
}

TEST(CheckEntries, NamesEachFaultOnItsField) {
  EXPECT_TRUE(CheckEntries(StartUp()).empty());
  EXPECT_TRUE(CheckEntries(StartUp(true)).empty());

  // The plano-convex start-up lens, R = -206 mm, 80 mm across: its curved
  // face sinks R - sqrt(R^2 - 40^2) = 3.9208 mm at the rim, so a centre 3.9
  // mm thick leaves no edge and 3.95 mm does.
  const struct {
    Entry entry;
    const char* typed;
    EntrySeverity severity;  // of the problem on that field; Note: none expected
    const char* text;
  } cases[] = {
      {Entry::MirrorDiameter, "-317.5", EntrySeverity::Wrong,
       "Mirror Diameter must be larger than 0."},
      {Entry::MirrorDiameter, "1e300", EntrySeverity::Absurd,
       "Mirror Diameter is larger than 100000 mm: no mirror or lens is that large."},
      {Entry::MirrorRadiusOfCurvature, "0", EntrySeverity::Wrong,
       "Radius of Curvature must not be 0."},
      {Entry::ConicConstant, "-0,5", EntrySeverity::Wrong, "Conic Constant has a comma"},
      {Entry::LensDiameter, "320", EntrySeverity::Wrong,
       "Lens Diameter is larger than the mirror's 317.5 mm."},
      {Entry::MirrorSideRadius, "-39", EntrySeverity::Wrong,
       "Mirror Side RoC is smaller than the lens's semi-diameter of 40 mm"},
      {Entry::CentreThickness, "3.9", EntrySeverity::Wrong,
       "Center Thickness leaves no edge at the entered diameter of 80 mm"},
      {Entry::CentreThickness, "3.95", EntrySeverity::Note, ""},
      {Entry::CentreThickness, "0", EntrySeverity::Wrong,
       "Center Thickness must be larger than 0."},
      {Entry::LensIndex, "1", EntrySeverity::Wrong, "Refractive Index must be larger than 1."},
  };
  for (const auto& c : cases) {
    TypedEntries in = StartUp();
    in.texts[static_cast<std::size_t>(c.entry)] = c.typed;
    const auto problems = CheckEntries(in);
    const auto problem = ProblemOf(problems, c.entry);
    if (c.severity == EntrySeverity::Note) {
      EXPECT_TRUE(problems.empty()) << c.typed << ": " << problems.front().text;
      continue;
    }
    ASSERT_TRUE(problem.has_value()) << c.typed;
    EXPECT_EQ(problem->severity, c.severity) << c.typed;
    EXPECT_TRUE(problem->text.starts_with(c.text)) << problem->text;
    EXPECT_EQ(problems.size(), 1u) << c.typed;
  }

  // The bound in inches: 100 m is 3937.007874".
  TypedEntries inch = StartUp(true);
  inch.texts[static_cast<std::size_t>(Entry::MirrorRadiusOfCurvature)] = "3937";
  EXPECT_TRUE(CheckEntries(inch).empty());
  inch.texts[static_cast<std::size_t>(Entry::MirrorRadiusOfCurvature)] = "3938";
  EXPECT_EQ(FirstProblem(CheckEntries(inch))->severity, EntrySeverity::Absurd);
}

TEST(CheckEntries, NotesAnIndexThatIsNotTheGlasss) {
  // BK7 at 546.1 nm has the index 1.51872; the start-up 1.51509 is BK7's at
  // 632.8 nm.
  TypedEntries in = StartUp();
  in.testWavelength = 0.5461;
  const auto note = FirstProblem(CheckEntries(in));
  ASSERT_TRUE(note.has_value());
  EXPECT_EQ(note->entry, Entry::LensIndex);
  EXPECT_EQ(note->severity, EntrySeverity::Note);
  EXPECT_TRUE(note->text.starts_with("The index 1.51509 is not BK7's at 546.1 nm (1.51872)"))
      << note->text;
  in.texts[static_cast<std::size_t>(Entry::LensIndex)] = "1.51872";
  EXPECT_TRUE(CheckEntries(in).empty());
}

TEST(SameEntries, EveryInputOfTheRunCounts) {
  const TypedEntries ran = StartUp();
  TypedEntries now = ran;
  EXPECT_TRUE(SameEntries(ran, now));
  for (int k = 0; k < 4; ++k) {
    now = ran;
    if (k == 0) now.texts[0] = "317.50";
    if (k == 1) now.inch = true;
    if (k == 2) now.glassName = "SF11";
    if (k == 3) now.testWavelength = 0.5461;
    EXPECT_FALSE(SameEntries(ran, now)) << k;
  }
}

}  // namespace
}  // namespace vn

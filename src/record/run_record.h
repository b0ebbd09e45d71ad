// The record of one run: what it read, the system it built, the set-up it
// solved, how it ended and the files it wrote. The run is its only writer;
// the report, the command line's JSON, the exact check, the lens-file writer,
// the tolerance analysis and the tester's views all read this one record, so
// a figure has one name and one value wherever it is shown.
//
// Lengths are engine inches throughout, but in `setup`, whose unit
// (setup.inch) says how the user gave them and how they are shown.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "engine/null_test_engine.h"
#include "record/null_setup.h"
#include "record/run_host.h"

namespace vn {

enum class RunOutcome { None, Completed, Aborted, Failed };

// A spacing-error exploration asked for: the optical path difference in
// waves up to which the spacing is stepped, or (inWaves false) the one
// spacing error to try, in the set-up's unit.
struct SpacingErrorLimit {
  double limit = 0;
  bool inWaves = true;
};

// What a run is asked to do besides solving the set-up.
struct RunOptions {
  bool saveLensFile = false;  // "Save Oslo file"
  // Lens files go into this folder when it is not empty, and are then not
  // offered for opening in OSLO (the command line's --save-oslo).
  std::string lensFolder;
  // "Null lens to mirror spacing error", with its dialog's limit.
  std::optional<SpacingErrorLimit> exploration;
};

// One traced set-up: where the source and the lens stand, and what the three
// traced zones say of the return there.
struct SetupFigures {
  double ObjectDistance = 0;      // D: source to the lens's source-side vertex
  double LensMirrorDistance = 0;  // d2: lens's mirror-side vertex to the mirror vertex
  double LensRayHeight = 0;       // h: the marginal ray's height on the lens
  double MarginalSA = 0;          // the search's marginal aberration at this set-up
  // Where the rays from 0.1, 0.7 and 1 of the marginal height cross the axis
  // on their return, measured from the source.
  double Intercept10 = 0, Intercept70 = 0, Intercept100 = 0;
  // First-pass height of the marginal ray on the lens's mirror side.
  double WorkingSemiDiameter = 0;
  double QuarterWaveTolerance = 0;  // longitudinal aberration worth a quarter wave
  double MaxOPDWaves = 0;           // optical path difference, waves

  double ZonalSA() const { return Intercept70 - Intercept10; }
  double MarginalSpread() const { return Intercept100 - Intercept10; }
};

// One direction of the spacing-error exploration: the spacing moved by
// `spacingError` from the solved one, the source refocused, and judged.
struct SpacingErrorResult {
  double spacingError = 0;  // engine inches, + lengthens the lens-to-mirror spacing
  SetupFigures figures;
};

// The spacing-error exploration as it ran: its limit and its passes.
struct SpacingErrorExploration {
  double limit = 0;  // as SpacingErrorLimit
  bool inWaves = true;
  std::vector<SpacingErrorResult> passes;  // + then -
};

struct RunRecord {
  // What the run was given: the set-up as numbers (the one place each value
  // is kept) and the options.
  NullSetup setup;
  RunOptions options;

  // ---- Read from the entries --------------------------------------------
  NullTestSystem system;  // the mirror and the lens, engine signs and inches
  double LensDiameter = 0;
  double FocalLength = 0;  // thin-lens focal length of the null lens

  // ---- The solved set-up ---------------------------------------------------
  SetupFigures solution;
  int searchIterations = 0;  // steps of the spacing search
  bool solved = false;       // the search reached its results block
  // The spacing search met its tolerance rather than being stopped through
  // the cancel token (a key press, the command line's timeout). A run
  // stopped during its exploration has converged but is Aborted.
  bool converged = false;
  // The search did not converge within its step limit and stopped by itself.
  bool stoppedAtStepLimit = false;
  // The search's rays left the finite numbers (the arithmetic's words): the
  // run has no results (solved false), and the exact check seeks the null
  // from its own start.
  std::string searchFailure;
  // ... because the lens has no power, so the search had no start.
  bool lensWithoutPower = false;
  // The spacing-error exploration could not go on in a direction: where and
  // why, in the optics' words (empty when it ran to its end). The passes
  // keep the last spacings that could be traced.
  std::string explorationFailure;
  // Whether the exact check has a set-up to judge: the run's results, or
  // the mirror and the lens of a search that failed.
  bool HasSetUpToCheck() const { return solved || !searchFailure.empty(); }
  // When "Null lens to mirror spacing error" was checked.
  std::optional<SpacingErrorExploration> exploration;

  // ---- How it ended ---------------------------------------------------------
  RunOutcome outcome = RunOutcome::None;
  std::string failureDetail;  // the arithmetic's or the file's own words
  // The entry whose text could not be read as a number, when that ended it.
  std::optional<Entry> failedEntry;
  // "cannot write PATH: REASON" when a lens file could not be written.
  std::string fileProblem;
  // Every lens file written, in order.
  std::vector<std::string> writtenFiles;
};

}  // namespace vn

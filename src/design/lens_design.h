// Designing the null lens for a mirror: the radii that null it best, for a
// glass, a lens diameter and a centre thickness (or ranges of them), within
// the room the user has.
//
// Two forms are designed: the plano-convex lens with its flat face toward the
// source (the usual choice), and the best form, a lens of any bending
// (biconvex or meniscus) whose bending is chosen too. For a form, the free
// choice is the lens's power: a stronger lens stands nearer the source and
// uses less of its diameter; a weaker one stands further out and fills more
// of it. Every power is solved as the run solves a lens and judged at its
// exact null (lens_candidate.h); the design keeps the one with the smallest
// residual among those that null the mirror with the beam inside the clear
// aperture and fit the room. For the mirrors this test serves the residual
// falls as the lens weakens, so that lens is usually the weakest whose beam
// still fits the clear aperture, or the one the room allows.
//
// The radii are then rounded to what a lens maker quotes and the rounded
// lens is solved and judged again: the figures shown are the rounded lens's.
#pragma once

#include <string>
#include <vector>

#include "common/constants.h"
#include "design/lens_candidate.h"
#include "design/parallel_jobs.h"
#include "engine/null_test_engine.h"

namespace vn {

enum class LensForm {
  PlanoConvex,  // flat face toward the source
  BestForm,     // the bending that nulls best
};

// "plano_convex", "best_form": the JSON form.
const char* LensFormCode(LensForm form);
// "plano-convex", "best form": the words of the report and the window.
const char* LensFormWords(LensForm form);

struct DesignRequest {
  NullTestSystem mirror;  // its mirror fields, inches; the lens fields are not read
  double index = 0;       // of the lens glass at the test wavelength
  // Ranges in inches; min = max asks for that one value. A range is tried at
  // its ends and its middle.
  double thicknessMin = 0, thicknessMax = 0;
  double diameterMin = 0, diameterMax = 0;
  // Radii (and the thicknesses and diameters of a range) are rounded to
  // multiples of this, inches.
  double radiusStep = inchFromMm(0.1);
  bool planoConvex = true;
  bool bestForm = true;
  ChooserConditions conditions;
  int threads = 0;  // 0: every core
};

struct DesignedLens {
  LensForm form = LensForm::PlanoConvex;
  LensPrescription lens;  // radii rounded
  CandidateFigures figures;
  // Before rounding: the lens the search found, and its figures.
  LensPrescription unrounded;
  CandidateFigures unroundedFigures;
};

struct DesignResult {
  std::vector<DesignedLens> candidates;  // ranked, best first
  bool cancelled = false;
  // Sizes that could not be designed, one sentence each (a lens too thin for
  // any convex face at its diameter, ...).
  std::vector<std::string> problems;
};

// The thinnest edge a designed lens may have: a millimetre, or 3% of its
// diameter when that is more, so that it can be edged and held in its cell.
double MinimumEdgeThickness(double diameter);

// Designs the lenses; `progress` counts the design's steps. Ends early when
// request.conditions.cancel is set (result.cancelled).
DesignResult DesignLens(const DesignRequest& request, const ProgressCallback& progress = {});

}  // namespace vn

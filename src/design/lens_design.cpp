// The design of the null lens: for each size and form, a search over the
// lens's power, a second search over the bending for the best form, and the
// rounding of the radii.
#include "design/lens_design.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>

#include "common/cancel_token.h"
#include "common/constants.h"
#include "engine/optics_primitives.h"
#include "exact/exact_check.h"
#include "exact/scalar_search.h"

namespace vn {

namespace {

// ---- Bending -------------------------------------------------------------------
//
// A lens of thin-lens power φ and bending (Coddington's shape factor)
// X = (c1 + c2)/(c1 − c2) has curvatures c1 = φ(X + 1)/(2(n − 1)) toward the
// source and c2 = φ(X − 1)/(2(n − 1)) toward the mirror (Welford, "Aberrations
// of Optical Systems", §7.3, in the run's signs). X = −1 is the plano-convex
// lens with its flat face toward the source, X = 0 the equiconvex lens,
// |X| > 1 a meniscus.
constexpr double kPlanoConvexBending = -1.0;
// The best form's bendings tried first, then halved steps about the best.
constexpr double kBendingGrid[] = {-3.0, -2.5, -2.0, -1.5, -1.0, -0.5, 0.0,
                                   0.5,  1.0,  1.5,  2.0,  2.5,  3.0};
constexpr double kBendingRefinements[] = {0.25, 0.125};

LensPrescription LensOfPower(double focalLength, double bending, double index, double thickness,
                             double diameter) {
  const double phi = 1.0 / focalLength;
  const double c1 = phi * (bending + 1.0) / (2.0 * (index - 1.0));
  const double c2 = phi * (bending - 1.0) / (2.0 * (index - 1.0));
  LensPrescription lens;
  lens.sourceRadius = c1 == 0.0 ? kFlatFaceRadius : 1.0 / c1;
  lens.mirrorRadius = c2 == 0.0 ? kFlatFaceRadius : 1.0 / c2;
  lens.thickness = thickness;
  lens.diameter = diameter;
  lens.index = index;
  return lens;
}

// ---- Whether a lens can be made -------------------------------------------------

// A face that does not reach the lens's rim gives no edge (NaN), and such a
// lens cannot be made either.
bool CanBeMade(const LensPrescription& lens) {
  const double edge =
      LensEdgeThickness(lens.thickness, CurvatureFromRadius(lens.sourceRadius),
                        CurvatureFromRadius(lens.mirrorRadius), 0.5 * lens.diameter);
  return edge >= MinimumEdgeThickness(lens.diameter);
}

// The shortest focal length of the bending that can be made, by bisection
// in log f between a power no lens of this size can have and one any can.
// Nothing when even a very weak lens cannot (too thin for its edge).
std::optional<double> ShortestFocalLength(double bending, double index, double thickness,
                                          double diameter) {
  double weak = 1e6 * diameter, strong = 1e-3 * diameter;
  if (!CanBeMade(LensOfPower(weak, bending, index, thickness, diameter))) return std::nullopt;
  for (int step = 0; step < 100 && weak / strong > 1.0 + 1e-9; ++step) {
    const double middle = std::sqrt(weak * strong);
    if (CanBeMade(LensOfPower(middle, bending, index, thickness, diameter)))
      weak = middle;
    else
      strong = middle;
  }
  return weak;
}

// ---- The search over the power -------------------------------------------------

struct Trial {
  LensPrescription lens;
  CandidateFigures figures;
  double logFocal = 0;
};

// Search order within one form, as one number: a lens that fits by its
// residual (waves); every tight one after it, the nearest to fitting first
// (when none fits, the design shows the nearest miss, not the lens with the
// smallest residual whatever it misses by); one that cannot null last. The
// residual is compared exactly: the search must not stall on ties of the
// shown residual.
double SearchKey(const CandidateFigures& f) {
  constexpr double kTight = 1e6;  // beyond any residual
  switch (f.fit) {
    case CandidateFit::Fits:
      return f.pvWaves;
    case CandidateFit::Tight:
      return kTight + f.shortfall;
    case CandidateFit::CannotNull:
      break;
  }
  return HUGE_VAL;
}

bool Better(const CandidateFigures& a, const CandidateFigures& b) {
  return SearchKey(a) < SearchKey(b);
}

struct FormSize {
  const DesignRequest* request = nullptr;
  double thickness = 0, diameter = 0;
};

// Grid points over the powers tried first (the golden-section search that
// follows stops once the radii move by less than a quarter of the rounding
// step, after about 18 steps), and how many weaker ones may follow.
constexpr int kPowerGridPoints = 16;
constexpr int kExtraWeakPoints = 8;

class PowerSearch {
 public:
  PowerSearch(const FormSize& size, double bending) : size_(size), bending_(bending) {}

  // The best lens of this bending, or nothing when none can be made.
  std::optional<Trial> Run() {
    const DesignRequest& r = *size_.request;
    const auto shortest = ShortestFocalLength(bending_, r.index, size_.thickness, size_.diameter);
    if (!shortest) return std::nullopt;

    // The powers to try: from the strongest lens that can be made to several
    // times the focal length at which, to first order, the beam fills the
    // clear aperture (a lens of focal length f with the source at f/2 sends
    // the marginal ray through it at the height H·f/R).
    const double H = r.mirror.MirrorSemiDiameter, R = -r.mirror.MirrorRadius;
    const double clear = r.conditions.clearApertureFraction * size_.diameter;
    const double filling = clear * R / (2.0 * H);
    const double lo = std::log(*shortest);
    const double hi = std::log(std::max(8.0 * filling, 4.0 * *shortest));
    const double step = (hi - lo) / (kPowerGridPoints - 1);

    std::vector<Trial> grid;
    for (int i = 0; i < kPowerGridPoints && !Cancelled(); ++i) grid.push_back(Try(lo + i * step));
    // The weakest lens tried is still the best one that fits: go on weakening.
    for (int i = 0; i < kExtraWeakPoints && !Cancelled() && BestIndex(grid) + 1 == grid.size() &&
                    grid.back().figures.fit == CandidateFit::Fits;
         ++i) {
      grid.push_back(Try(grid.back().logFocal + step));
    }
    if (grid.empty()) return std::nullopt;

    // Golden-section search between the best grid point's neighbours: a
    // residual that falls toward a wall where the fit worsens converges on
    // the wall, an inner minimum on the minimum. Every lens tried is kept
    // by Try, so the best one is known whatever point the search returns.
    const std::size_t b = BestIndex(grid);
    const double a = grid[b == 0 ? 0 : b - 1].logFocal;
    const double c = grid[std::min(b + 1, grid.size() - 1)].logFocal;
    MinimiseBracketed([this](double u) { return SearchKey(Try(u).figures); }, a, c,
                      Resolution(0.5 * (a + c)), r.conditions.cancel);
    return best_;
  }

 private:
  // The width in log f below which the search stops: where the lens's
  // stronger radius changes by less than a quarter of the rounding step.
  double Resolution(double logFocal) const {
    const DesignRequest& r = *size_.request;
    const LensPrescription lens =
        LensOfPower(std::exp(logFocal), bending_, r.index, size_.thickness, size_.diameter);
    const double radius = std::min(std::fabs(lens.sourceRadius), std::fabs(lens.mirrorRadius));
    return 0.25 * r.radiusStep / radius;
  }

  bool Cancelled() const {
    const auto* cancel = size_.request->conditions.cancel;
    return CancelRequested(cancel);
  }

  Trial Try(double logFocal) {
    const DesignRequest& r = *size_.request;
    Trial trial;
    trial.logFocal = logFocal;
    trial.lens =
        LensOfPower(std::exp(logFocal), bending_, r.index, size_.thickness, size_.diameter);
    trial.figures = EvaluateCandidate(r.mirror, trial.lens, r.conditions);
    if (!best_ || Better(trial.figures, best_->figures)) best_ = trial;
    return trial;
  }

  static std::size_t BestIndex(const std::vector<Trial>& grid) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < grid.size(); ++i) {
      if (Better(grid[i].figures, grid[best].figures)) best = i;
    }
    return best;
  }

  const FormSize& size_;
  double bending_;
  std::optional<Trial> best_;
};

// ---- Rounding ------------------------------------------------------------------

// The radius rounded down and up to the step; a flat face stays flat.
std::vector<double> RadiiNear(double radius, double step) {
  if (IsFlatRadius(radius)) return {kFlatFaceRadius};
  const double down = std::floor(radius / step) * step;
  const double up = std::ceil(radius / step) * step;
  std::vector<double> radii;
  for (double r : {down, up}) {
    if (r != 0.0 && (radii.empty() || radii.back() != r)) radii.push_back(r);
  }
  return radii;
}

// The rounded lenses next to the found one, solved and judged; the best of
// them by the chooser's own ranking.
DesignedLens RoundRadii(const DesignRequest& request, LensForm form, const Trial& found) {
  DesignedLens designed;
  designed.form = form;
  designed.unrounded = found.lens;
  designed.unroundedFigures = found.figures;
  bool first = true;
  for (double r1 : RadiiNear(found.lens.sourceRadius, request.radiusStep)) {
    for (double r2 : RadiiNear(found.lens.mirrorRadius, request.radiusStep)) {
      LensPrescription lens = found.lens;
      lens.sourceRadius = r1;
      lens.mirrorRadius = r2;
      CandidateFigures figures = EvaluateCandidate(request.mirror, lens, request.conditions);
      if (first || RanksBefore(figures, designed.figures)) {
        designed.lens = lens;
        designed.figures = std::move(figures);
        first = false;
      }
    }
  }
  return designed;
}

// ---- Sizes -----------------------------------------------------------------------

double RoundToStep(double x, double step) { return std::round(x / step) * step; }

// The values of a range tried: its ends and its middle, rounded to the step.
std::vector<double> RangeValues(double lo, double hi, double step) {
  if (!(hi > lo)) return {lo};
  std::vector<double> values;
  for (double x : {lo, RoundToStep(0.5 * (lo + hi), step), hi}) {
    if (values.empty() || x > values.back()) values.push_back(x);
  }
  return values;
}

std::string LengthText(double inches, bool inchUnits) { return RunLengthText(inches, inchUnits); }

}  // namespace

const char* LensFormCode(LensForm form) {
  return form == LensForm::PlanoConvex ? "plano_convex" : "best_form";
}

const char* LensFormWords(LensForm form) {
  return form == LensForm::PlanoConvex ? "plano-convex" : "best form";
}

double MinimumEdgeThickness(double diameter) { return std::max(inchFromMm(1.0), 0.03 * diameter); }

DesignResult DesignLens(const DesignRequest& request, const ProgressCallback& progress) {
  DesignResult result;
  const auto* cancel = request.conditions.cancel;
  const bool inch = request.conditions.inchUnits;

  // Every size asked for, each with its forms.
  std::vector<FormSize> sizes;
  for (double t : RangeValues(request.thicknessMin, request.thicknessMax, request.radiusStep)) {
    for (double d : RangeValues(request.diameterMin, request.diameterMax, request.radiusStep)) {
      sizes.push_back({&request, t, d});
    }
  }

  // The work, in three rounds of independent searches: the plano-convex
  // lenses and the best form's first bendings; twice, the bendings halfway
  // to the best one's neighbours; then the rounding.
  struct Search {
    std::size_t size = 0;
    LensForm form = LensForm::PlanoConvex;
    double bending = 0;
    std::optional<Trial> found;
  };
  const std::size_t refinements = request.bestForm ? std::size(kBendingRefinements) : 0;
  const std::size_t perSize = (request.planoConvex ? 1 : 0) +
                              (request.bestForm ? std::size(kBendingGrid) : 0) + 2 * refinements +
                              (request.planoConvex ? 1 : 0) + (request.bestForm ? 1 : 0);
  const std::size_t total = perSize * sizes.size();
  std::size_t done = 0;
  std::mutex progressMutex;
  const ProgressCallback step = [&](std::size_t, std::size_t) {
    // Rounds call in turn from their own workers; the count runs across them.
    std::lock_guard<std::mutex> lock(progressMutex);
    ++done;
    if (progress) progress(done, total);
  };
  const auto runSearches = [&](std::vector<Search>& searches) {
    return RunParallel(
        searches.size(), request.threads,
        [&](std::size_t i) {
          Search& s = searches[i];
          s.found = PowerSearch(sizes[s.size], s.bending).Run();
        },
        cancel, step);
  };

  std::vector<Search> first;
  for (std::size_t k = 0; k < sizes.size(); ++k) {
    if (request.planoConvex) first.push_back({k, LensForm::PlanoConvex, kPlanoConvexBending, {}});
    if (request.bestForm) {
      for (double x : kBendingGrid) first.push_back({k, LensForm::BestForm, x, {}});
    }
  }
  if (!runSearches(first)) result.cancelled = true;

  std::vector<Search> kept;  // the winners, in size order, plano-convex first
  const auto bestOf = [&](const std::vector<const Search*>& searches) {
    const Search* best = nullptr;
    for (const Search* s : searches) {
      if (s->found && (!best || Better(s->found->figures, best->found->figures))) best = s;
    }
    return best;
  };

  std::vector<std::vector<Search>> bestForms(sizes.size());
  for (const Search& s : first) {
    if (s.form == LensForm::PlanoConvex) {
      if (s.found) kept.push_back(s);
    } else {
      bestForms[s.size].push_back(s);
    }
  }
  if (request.bestForm && !result.cancelled) {
    for (double halfStep : kBendingRefinements) {
      std::vector<Search> around;
      for (std::size_t k = 0; k < sizes.size(); ++k) {
        std::vector<const Search*> all;
        for (const Search& s : bestForms[k]) all.push_back(&s);
        const Search* best = bestOf(all);
        if (!best) continue;
        for (double side : {-1.0, 1.0})
          around.push_back({k, LensForm::BestForm, best->bending + side * halfStep, {}});
      }
      if (!runSearches(around)) result.cancelled = true;
      for (Search& s : around) bestForms[s.size].push_back(std::move(s));
      if (result.cancelled) break;
    }
  }
  for (std::size_t k = 0; k < sizes.size(); ++k) {
    std::vector<const Search*> all;
    for (const Search& s : bestForms[k]) all.push_back(&s);
    if (const Search* best = bestOf(all)) kept.push_back(*best);
  }

  // Sizes for which no lens of a form could be made.
  for (std::size_t k = 0; k < sizes.size(); ++k) {
    const bool any =
        std::any_of(kept.begin(), kept.end(), [&](const Search& s) { return s.size == k; });
    if (!any && !result.cancelled) {
      result.problems.push_back("No convex lens " + LengthText(sizes[k].thickness, inch) +
                                " thick can be made " + LengthText(sizes[k].diameter, inch) +
                                " across: its edge would be thinner than " +
                                LengthText(MinimumEdgeThickness(sizes[k].diameter), inch) + ".");
    }
  }

  // Rounding, and the re-check of each rounded lens.
  std::vector<DesignedLens> designed(kept.size());
  if (!result.cancelled) {
    if (!RunParallel(
            kept.size(), request.threads,
            [&](std::size_t i) { designed[i] = RoundRadii(request, kept[i].form, *kept[i].found); },
            cancel, step)) {
      result.cancelled = true;
    }
  }
  if (result.cancelled) return result;

  std::stable_sort(designed.begin(), designed.end(),
                   [](const DesignedLens& a, const DesignedLens& b) {
                     return RanksBefore(a.figures, b.figures);
                   });
  result.candidates = std::move(designed);
  // Searches that found nothing to refine leave steps uncounted.
  if (progress && done < total) progress(total, total);
  return result;
}

}  // namespace vn

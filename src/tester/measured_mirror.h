// The mirror's figure from a wavefront measured through the null.
//
// A wavefront measured through the null holds the null's own residual (what
// a perfect mirror of the wanted conic shows at the distances the test was
// built at) and the mirror's departure from that conic, twice its surface
// error. Here the residual is traced exactly through the null at the built
// distances and taken out, and the mirror is described as the optician uses
// it:
//  - its error against the wanted conic, piston, tilt and focus removed:
//    wavefront P-V and RMS, surface P-V and RMS, the Strehl ratio;
//  - the conic constant it actually has: the K whose exact trace through the
//    null at the built distances best matches the measured symmetric
//    wavefront (focus and piston free), its standard uncertainty from the
//    fit. Local defects (a turned edge, a central hill) are weighed down
//    (Tukey's biweight on the fit's residuals), so the conic is that of the
//    body of the mirror;
//  - the surface height against the wanted conic at the Couder zones' mean
//    radii and at the edge, focus and piston removed over the area;
//  - astigmatism and coma, which a centred null cannot make: alignment (a
//    tilted or decentred lens or source) or the mirror's figure.
//
// Pupil coordinates are the mirror's: the outline's radius is the mirror's
// edge, as in the residual files we write. Height is positive toward the
// incoming light (a high zone); a height h changes the wavefront by
// 2·h·cos α, α the angle of the surface's normal to the axis.
//
// Lengths inches (the engine's); heights nanometres.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "common/cancel_token.h"
#include "engine/null_test_engine.h"
#include "record/solved_set_up.h"
#include "tester/measured_wavefront.h"

namespace vn {

struct MirrorZone {
  double radius = 0;    // on the mirror, inches
  double heightNm = 0;  // against the wanted conic, focus and piston removed
};

// One non-symmetric term of the mirror's error, in the mirror's wavefront
// (peak-normalised Zernike), and its direction in the tester's view.
struct MirrorTerm {
  std::string name;  // "astigmatism", "coma"
  double waves = 0;  // amplitude, waves of wavefront
  double angleDegrees = 0;
};

struct MeasuredMirror {
  bool ok = false;
  bool cancelled = false;
  std::string why;  // why not, when !ok

  double wavelengthMicrons = 0;
  double objectDistance = 0, lensMirrorDistance = 0;  // the built distances, inches
  double wantedConic = 0;
  double conic = 0;                 // best fit
  double conicUncertainty = 0;      // one standard deviation, from the fit
  double conicSetAsidePercent = 0;  // of the mirror's area weighed down as local defects

  // Against the wanted conic, piston, tilt and focus removed.
  double wavefrontPvWaves = 0, wavefrontRmsWaves = 0;
  double surfacePvNm = 0, surfaceRmsNm = 0;
  double strehl = 0;

  std::vector<MirrorZone> zones;  // the Couder zones from the centre out, then the edge
  std::vector<MirrorTerm> terms;  // astigmatism, coma

  // The surface against the wanted conic along a radius, from the centre to
  // the edge (focus and piston removed): for plots and the CSV.
  std::vector<double> profileRadius;  // inches
  std::vector<double> profileHeightNm;

  // The surface against the wanted conic over the mirror, piston, tilt and
  // focus removed: mapSize² heights in nm, row 0 the top (+y), column 0 the
  // left as the tester sees it; NaN outside the mirror and where the
  // measurement has no data.
  int mapSize = 0;
  std::vector<double> mapNm;
};

// The number of Couder zones for a mirror: one per 40 mm of diameter, 3 to 10.
int CouderZoneCount(double mirrorDiameterInch);

// `builtAt` is the null as it was built when the measurement was taken: the
// design (mirror, wanted conic, lens), the test's wavelength and the
// distances D and d2 the tester actually set, which may differ from the
// solved ones.
MeasuredMirror ReduceMeasurement(const MeasuredWavefront& measured, const SolvedSetUp& builtAt,
                                 const CancelToken* cancel = nullptr);

// The block after the report, lengths in the run's unit.
std::string MeasuredMirrorText(const MeasuredMirror& mirror, bool inchUnits);
// The JSON object "measured_mirror", lengths in the run's unit; `file` the
// measurement's path as given.
std::string MeasuredMirrorJson(const MeasuredMirror& mirror, bool inchUnits,
                               const std::string& file);

}  // namespace vn

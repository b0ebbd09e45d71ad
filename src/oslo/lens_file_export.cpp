// The OSLO lens file of a solved null test and the export step.
#include "oslo/lens_file_export.h"

#include "common/app_info.h"
#include "common/arithmetic.h"
#include "common/constants.h"
#include "common/number_text.h"
#include "common/whole_file.h"
#include "glass/typed_index.h"
#include "oslo/lens_file_launch.h"
#include "oslo/lens_file_name.h"
#include "record/run_units.h"

namespace vn {

std::string ComposeLensFile(const std::string& title, const RunRecord& run,
                            const SetupFigures& setup) {
  // An inch run writes its lengths as inches and tells OSLO so; a millimetre
  // run's lengths are millimetres already.
  const NullSetup& given = run.setup;
  const bool inchRun = given.inch;
  const double U = unitFromInch(1.0, inchRun);

  // Computed lengths: engine inches times U. Typed lengths (the lens and
  // mirror entries) are in the display unit already and are never scaled.
  const std::string beamRadius = RoundedText(Finite(setup.WorkingSemiDiameter * U), 6);
  const std::string objectDistance = RoundedText(Finite(setup.ObjectDistance * U), 9);
  const std::string lensMirror = RoundedText(Finite(setup.LensMirrorDistance * U), 6);
  const std::string mirrorAperture = GeneralNumber(Finite(run.system.MirrorSemiDiameter * U));
  const std::string lensAperture = GeneralNumber(given.lensDiameter / 2);
  // The mirror is concave toward the light coming from the lens: its radius
  // is the given radius of curvature with the sign turned.
  const std::string mirrorRadius = GeneralNumber(Finite(given.mirrorRadiusOfCurvature * -1));
  const std::string wave = GeneralNumber(given.testWavelength);
  // The lens glass: the catalog glass by name when the run solved with its
  // index; otherwise the index the run solved with, as a model glass that
  // has that index at each of the file's three (equal) wavelengths, written
  // as OSLO itself writes a model glass. OSLO would otherwise take the
  // catalog's index and describe another lens.
  std::string glass = "GLA " + given.glassName;
  if (TypedIndexDisagreement(given.ShownText(Entry::LensIndex), given.glassName,
                             given.testWavelength)) {
    const std::string n = GeneralNumber(given.lensIndex);
    glass = "GLA MOD MODEL1 " + n + " " + n + " " + n;
  }

  std::string text;
  const auto line = [&text](const std::string& s) {
    text += s;
    text += "\r\n";
  };

  // Header: title, entrance beam radius (the working semi-diameter on the
  // lens), a tiny field angle for an on-axis point source, units.
  line("// OSLO 6.2 50002     0     0");
  line("LEN NEW \"" + title + "\" 0 6 ");
  line("EBR  " + beamRadius);
  line("ANG  0.0000001");
  line("DES  \"OSLO\"");
  line(inchRun ? "UNI 25.4" : "UNI 1.0");

  // Surface 0: the point source, at the solved distance from the lens.
  line("// SRF 0");
  line("AIR");
  line("TH " + objectDistance);
  line("AP 0.000248528801");

  // Surface 1: the lens's source-side face.
  line("NXT  // SRF 1");
  line(glass);
  line("RD " + run.setup.ShownText(Entry::SourceSideRadius));
  line("TH " + run.setup.ShownText(Entry::CentreThickness));
  line("AP " + lensAperture);

  // Surface 2: the lens's mirror-side face, then the solved spacing to the mirror.
  line("NXT  // SRF 2");
  line("AIR");
  line("RD " + run.setup.ShownText(Entry::MirrorSideRadius));
  line("TH " + lensMirror);
  line("AP " + lensAperture);

  // Surface 3: the mirror, the aperture stop. Its thickness is picked up
  // negated from surface 2, so the light goes back the solved spacing.
  line("NXT  // SRF 3");
  line("RFH");
  line("RD " + mirrorRadius);
  line("PK THM  -1 0.0");
  line("AP " + mirrorAperture);
  line("AST");
  line("CC " + run.setup.ShownText(Entry::ConicConstant));

  // Surfaces 4 and 5: the lens on the return pass, curvatures and thicknesses
  // picked up from surfaces 2 and 1, so only surfaces 0 to 3 carry numbers.
  line("NXT  // SRF 4");
  line(glass);
  line("PK CV   -2 0.0");
  line("PK THM  -3 0.0");
  line("AP " + lensAperture);
  line("NXT  // SRF 5");
  line("AIR");
  line("PK CV   -4 0.0");
  line("PK THM  -5 0.0");
  line("AP " + lensAperture);

  // Surface 6: the image, back at the source; the test wavelength three times.
  line("NXT  // SRF 6");
  line("AIR");
  line("CBK 1");
  line("WV " + wave + " " + wave + " " + wave + " ");
  line("WW 1.0 1.0 1.0");
  line("END  6");
  line("DLRS 3");
  return text;
}

void FailFileWrite(const std::string& path, const std::string& why) {
  throw RunFailure(FailureKind::File, "cannot write " + path + ": " + why);
}

void ExportLensFile(LensExportRun& run, const std::string& title, const RunRecord& record,
                    const SetupFigures& setup, RunHost& host, LensFilePlatform& platform) {
  const NullSetup& given = record.setup;
  // OSLO needs the glass by name; an index alone is not enough. Tell the user
  // once per run and write nothing more in it.
  if (given.glassName.empty()) {
    if (run.SaveLensFile) host.ShowMessage(kAppTitle, kNoGlassMessage);
    run.SaveLensFile = false;
    return;
  }
  if (!run.SaveLensFile) return;

  const std::string folder = LensFileFolder(run.folderOverride, platform);
  const std::string named =
      BuildLensFileName(folder, platform.Separator(), given.inch, given.mirrorDiameter,
                        given.mirrorRadiusOfCurvature, platform.Now());
  const std::string text = ComposeLensFile(title, record, setup);

  // The file takes the first free name at the moment of writing; a name is
  // never checked first and written later, as another run may take it between.
  const FileWriteResult written =
      WriteFileUnderFreeName(LensFileNames(named, run.writtenPaths), text);
  if (!written.written()) FailFileWrite(named, written.why);
  const std::string& path = written.path;
  run.writtenPaths.push_back(path);

  OfferLensFileLaunch(run, path, folder, host, platform);
}

}  // namespace vn

// vantry-null-cli: one null-finding run per call, as the window's find button
// would make it, with every entry given as the text a user would type.
//
// Exit status: 0 a finished run, 1 a run ended by the error report, 2 a usage
// error, 3 a run (or its exact check or tolerance analysis) stopped by --timeout (the command
// line's key press), 4 with --strict a set-up whose verdict is not ok.
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif
#ifdef __EMSCRIPTEN__
#include <emscripten.h>

#include <sstream>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_support.h"
#include "cli/design_option.h"
#include "cli/foucault_option.h"
#include "cli/measured_option.h"
#include "cli/ronchi_photo_option.h"
#include "cli/tester_option.h"
#include "cli/tolerance_option.h"
#include "common/app_info.h"
#include "common/constants.h"
#include "common/json_text.h"
#include "common/number_text.h"
#include "common/shared_values.h"
#include "exact/entry_check.h"
#include "oslo/file_set.h"
#include "oslo/lens_file_export.h"
#include "pictures/exact_picture_files.h"
#include "record/run_host.h"
#include "record/run_units.h"
#include "record/setup_file.h"
#include "record/start_up_entries.h"
#include "run/null_finder.h"
#include "run/units_switch.h"

namespace vn {
namespace {

// Report text as a terminal shows it: each CR LF one LF.
std::string UnixLines(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

// The entries as the window's fields would hold them; the report is kept,
// the error box goes to standard error, the launch question is answered No,
// and the clock is the key press.
class CliHost : public ReportHost {
 public:
  RunEntries entries{StartUpEntryTexts(), false, false, false};
  std::string report;
  NullFinder* finder = nullptr;
  double timeoutSeconds = 60;
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();

  std::string& Entry(vn::Entry e) { return entries.texts[static_cast<std::size_t>(e)]; }
  void ShowReport(const std::string& text) override { report = text; }
  void ShowMessage(const std::string& title, const std::string& text) override {
    std::cerr << title << "\n" << UnixLines(text) << "\n";
  }
  // The command line's key press is the clock: past the timeout the run is
  // asked to stop exactly as a key press in the window would.
  void Step() override {
    if (finder == nullptr) return;
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (elapsed.count() >= timeoutSeconds) finder->RequestAbort();
  }
};

constexpr const char* kUsage =
    "Usage: vantry-null-cli [options]\n"
    "Finds the source-to-lens and lens-to-mirror distances that null the test of a\n"
    "concave conic mirror at its centre of curvature with one null lens.\n"
    "Entries are given as the text you would type into the window's fields.\n"
    "\n"
    "  --setup FILE                start from a set-up file (.vnull) saved by the window\n"
    "                              instead of the start-up entries; every other option\n"
    "                              overrides it, wherever it stands on the line (a\n"
    "                              regular file of at most 64 KB)\n"
    "  --units mm|inch             units of all lengths (default mm, or the set-up's);\n"
    "                              the set-up's lengths are converted as the window would\n"
    "  --mirror-diameter TEXT      mirror diameter (317.5 mm)\n"
    "  --mirror-roc TEXT           mirror radius of curvature (2540 mm)\n"
    "  --conic TEXT                mirror conic constant (-1)\n"
    "  --source-radius TEXT        lens radius facing the source, 9e99 for flat (9e99)\n"
    "  --mirror-side-radius TEXT   lens radius facing the mirror (-206 mm)\n"
    "  --thickness TEXT            lens centre thickness (15 mm)\n"
    "  --lens-diameter TEXT        lens diameter (80 mm)\n"
    "  --index TEXT                refractive index of the lens (1.51509)\n"
    "  --glass NAME                catalog glass (Schott first, then Ohara); sets the index\n"
    "  --wavelength NM             test wavelength, 350 to 850 nm (632.8)\n"
    "  --list-glasses              list both catalogs and exit (with --json: a JSON array)\n"
    "  --explore waves=W           explore the spacing error up to W waves (0.25, 0.125, 0.1, "
    "0.05)\n"
    "  --explore amount=X          show what a spacing error of X (run's unit) does\n"
    "  --save-oslo DIR             write the OSLO lens files into DIR (paths on stderr)\n"
    "  --save-setup FILE           write the run's entries as a set-up file (.vnull) the\n"
    "                              window opens and --setup reads; a FILE that exists\n"
    "                              is kept: FILE_2.vnull etc. is written (path on stderr)\n"
    "  --exact                     add the exact wavefront check of the solved set-up,\n"
    "                              its verdict first (without it, a verdict other than\n"
    "                              ok is one warning line on stderr)\n"
    "  --exact-pictures DIR        write the exact check's pictures as SVG into DIR:\n"
    "                              exact_setup.svg, exact_wavefront.svg and\n"
    "                              exact_aberration.svg (paths on stderr; implies\n"
    "                              --exact); a set whose names are taken goes to\n"
    "                              exact_setup_2.svg etc.\n"
    "  --strict                    exit with 4 when the verdict is not ok\n"
    "  --json                      print the results as one JSON object (invalid UTF-8 in\n"
    "                              texts becomes U+FFFD)\n"
    "  --timeout SECONDS           stop the run after this time, as a key press would (60);\n"
    "                              the clock runs from the command's start and covers\n"
    "                              reading files, the analyses, drawing and writing\n"
    "  --help, --version\n"
    "\n"
    "Exit status: 0 done, 1 the run failed, 2 usage error, 3 stopped by the timeout,\n"
    "4 (with --strict) the verdict is caution or not a null.\n";

// Everything the command line was asked for.
struct CliOptions {
  std::map<Entry, std::string> given;
  std::optional<std::string> units, glass, wavelength, explore, saveDir, setupPath, picturesDir,
      saveSetupPath;
  bool json = false, exact = false, strict = false, listGlasses = false;
  double timeout = 60;
  cli::ToleranceOption tolerance;
  cli::TesterOption tester;
  cli::MeasuredOption measured;
  cli::FoucaultOption foucault;
  cli::RonchiPhotoOption ronchiPhoto;
  // The set-up a measurement, Foucault readings or a Ronchi photo were taken
  // at (run's unit).
  std::optional<std::pair<double, double>> builtAt;
};

// ---- Parsing ------------------------------------------------------------------
// Reads the arguments into `options`. Returns the exit status when the call
// ends here (help, version, a usage error); throws cli::UsageProblem for a usage
// error found while reading.
std::optional<int> ParseArguments(int argc, char** argv, CliOptions& options) {
  static const std::map<std::string, Entry> kEntryOptions = {
      {"--mirror-diameter", Entry::MirrorDiameter},
      {"--mirror-roc", Entry::MirrorRadiusOfCurvature},
      {"--conic", Entry::ConicConstant},
      {"--source-radius", Entry::SourceSideRadius},
      {"--mirror-side-radius", Entry::MirrorSideRadius},
      {"--thickness", Entry::CentreThickness},
      {"--lens-diameter", Entry::LensDiameter},
      {"--index", Entry::LensIndex}};
  CliOptions& o = options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::optional<std::string> inlineValue;
    if (arg.rfind("--", 0) == 0) {
      const auto eq = arg.find('=');
      if (eq != std::string::npos) {
        inlineValue = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
      }
    }
    const auto value = [&]() -> std::string {
      if (inlineValue) return *inlineValue;
      if (i + 1 >= argc) cli::FailUsage("option " + arg + " needs a value");
      return argv[++i];
    };
    const auto flag = [&] {
      if (inlineValue) cli::FailUsage("option " + arg + " takes no value");
    };
    if (auto it = kEntryOptions.find(arg); it != kEntryOptions.end()) {
      o.given[it->second] = value();
    } else if (arg == "--setup") {
      o.setupPath = value();
    } else if (arg == "--units") {
      o.units = value();
      if (o.units != "mm" && o.units != "inch") cli::FailUsage("--units takes mm or inch");
    } else if (arg == "--glass") {
      o.glass = value();
    } else if (arg == "--wavelength") {
      o.wavelength = value();
    } else if (arg == "--list-glasses") {
      flag();
      o.listGlasses = true;
    } else if (arg == "--explore") {
      o.explore = value();
    } else if (arg == "--save-oslo") {
      o.saveDir = value();
      // An empty folder name would mean the program's own folder, which
      // nobody asking for a folder means.
      if (o.saveDir->empty()) cli::FailUsage("--save-oslo needs a folder");
    } else if (arg == "--save-setup") {
      o.saveSetupPath = value();
      if (o.saveSetupPath->empty()) cli::FailUsage("--save-setup needs a file name");
    } else if (arg == "--exact") {
      flag();
      o.exact = true;
    } else if (arg == "--exact-pictures") {
      o.picturesDir = value();
      if (o.picturesDir->empty()) cli::FailUsage("--exact-pictures needs a folder");
      o.exact = true;
    } else if (arg == "--strict") {
      flag();
      o.strict = true;
    } else if (arg == "--json") {
      flag();
      o.json = true;
    } else if (arg == "--timeout") {
      const auto t = ReadNumber(value());
      if (!t || *t < 0) cli::FailUsage("--timeout takes a number of seconds, 0 or more");
      o.timeout = *t;
    } else if (o.tolerance.Take(arg, value, flag)) {
    } else if (o.tester.Take(arg, value, flag)) {
    } else if (arg == "--built-at") {
      o.builtAt = cli::ReadBuiltAt(value());
    } else if (o.measured.Take(arg, value)) {
    } else if (o.foucault.Take(arg, value)) {
    } else if (o.ronchiPhoto.Take(arg, value)) {
    } else if (arg == "--help" || arg == "-h") {
      std::cout << kUsage << "\n"
                << cli::kToleranceUsage << "\n"
                << cli::kTesterUsage << "\n"
                << cli::kMeasuredUsage << "\n"
                << cli::kFoucaultUsage << "\n"
                << cli::kRonchiPhotoUsage << "\n"
                << cli::kChooserUsage;
      return 0;
    } else if (arg == "--version") {
      std::cout << "vantry-null-cli " << VersionText() << "\n";
      return 0;
    } else {
      cli::FailUsage("unknown option " + arg);
    }
  }
  o.tester.CheckUsage(o.ronchiPhoto.wanted());
  o.ronchiPhoto.CheckUsage(o.tester.GivenLinesPerInch(), o.tester.GratingOffset());
  o.measured.CheckUsage();
  o.foucault.CheckUsage();
  if (o.builtAt && !o.measured.wanted() && !o.foucault.wanted() && !o.ronchiPhoto.wanted()) {
    throw cli::UsageProblem(
        "--built-at needs --measured FILE, --foucault FILE.csv or --ronchi-photo FILE");
  }
  o.measured.SetBuiltAt(o.builtAt);
  o.foucault.SetBuiltAt(o.builtAt);
  o.ronchiPhoto.SetBuiltAt(o.builtAt);
  return std::nullopt;
}

// The window's state before the find button is pressed: the set-up file or
// the start-up set-up as the base, its length entries converted as the units
// switch would when --units differs, then the dialogs' choices and the typed
// entries on top.
void PrepareRun(CliOptions& o, CliHost& host, SharedValues& shared) {
  const auto deadline = cli::DeadlineAfter(host.start, o.timeout);
  SetupFile base;
  if (o.setupPath) {
    SetupFileReading reading = ReadSetupFile(*o.setupPath, deadline);
    if (reading.error.problem == SetupFileProblem::Stopped) {
      throw cli::StoppedByTimeout("--timeout stopped the reading of " + *o.setupPath);
    }
    if (!reading.setup) cli::FailUsage("--setup " + *o.setupPath + ": " + reading.error.why);
    base = std::move(*reading.setup);
    // An entry of the file that no option types over must be a number the
    // run can take: the run's one error message would name neither the
    // file nor the entry.
    for (const auto& [entry, key] : kSetupEntryKeys) {
      if (o.given.count(entry) != 0) continue;
      if (const auto problem = SetupEntryProblem(base, entry)) {
        cli::FailUsage("--setup " + *o.setupPath + ": " + *problem);
      }
    }
  }
  o.tolerance.ReadFile(deadline);
  o.foucault.ReadFile(deadline);
  o.ronchiPhoto.ReadFile(deadline);
  host.entries.inch = o.units ? *o.units == "inch" : base.inch;
  shared.GlassName = base.glassName;
  shared.TestWavelength = base.wavelengthMicrons;
  for (const auto& [entry, key] : kSetupEntryKeys) {
    const bool isLength = entry != Entry::ConicConstant && entry != Entry::LensIndex;
    std::string text = base.Text(entry);
    if (isLength && host.entries.inch != base.inch) {
      const auto converted = ConvertLengthText(text, host.entries.inch);
      if (!converted) {
        cli::FailUsage("--setup " + *o.setupPath + ": the " + key +
                       " entry is not a number that can be converted to " + *o.units);
      }
      text = *converted;
    }
    host.Entry(entry) = text;
  }

  // The refractive-index dialog: glass and wavelength become the run's.
  if (o.glass || o.wavelength) {
    host.Entry(Entry::LensIndex) = cli::ChooseGlass(o.glass, o.wavelength, shared);
  }
  for (const auto& [entry, text] : o.given) host.Entry(entry) = text;

  if (o.explore) host.entries.exploreSpacingError = cli::ChooseExploration(*o.explore, shared);
  if (o.saveDir) host.entries.saveLensFile = true;
}

// ---- Output ---------------------------------------------------------------------
// The seven figures of a traced set-up as JSON members, each after a comma,
// lengths in the run's unit (U per engine inch).
std::string SetupJson(const SetupFigures& s, double U) {
  return ",\"object_distance\":" + JsonNumber(s.ObjectDistance * U) +
         ",\"lens_mirror_distance\":" + JsonNumber(s.LensMirrorDistance * U) +
         ",\"working_diameter\":" + JsonNumber(2 * s.WorkingSemiDiameter * U) +
         ",\"zone70_spherical_aberration\":" + JsonNumber(s.ZonalSA() * U) +
         ",\"marginal_spherical_aberration\":" + JsonNumber(s.MarginalSpread() * U) +
         ",\"quarter_wave_tolerance\":" + JsonNumber(s.QuarterWaveTolerance * U) +
         ",\"max_opd_waves\":" + JsonNumber(s.MaxOPDWaves);
}

// The run as one JSON object. Every text goes through JsonString and every
// figure through JsonNumber: the output is valid UTF-8 JSON whatever bytes
// were typed (invalid ones become U+FFFD), with null for a figure that could
// not be computed.
std::string RunJson(const CliOptions& o, const RunRecord& run, const std::string& report,
                    const std::optional<ExactCheckResult>& check) {
  const NullSetup& given = run.setup;
  const double U = unitFromInch(1.0, given.inch);
  std::string out = "{";
  out += "\"units\":" + JsonString(given.inch ? "inch" : "mm");
  if (run.outcome == RunOutcome::Failed) {
    out += ",\"error\":" + JsonString(kFailureTitle);
    out += ",\"message\":" + JsonString(UnixLines(kFailureText));
    out += ",\"report\":" + JsonString(UnixLines(report));
    return out + "}";
  }
  // The set-up as the run read it, lengths in its unit.
  out += ",\"inputs\":{\"mirror_diameter\":" + JsonNumber(given.mirrorDiameter) +
         ",\"mirror_roc\":" + JsonNumber(given.mirrorRadiusOfCurvature) +
         ",\"conic\":" + JsonNumber(given.conicConstant) +
         ",\"source_radius\":" + JsonNumber(given.sourceSideRadius) +
         ",\"mirror_side_radius\":" + JsonNumber(given.mirrorSideRadius) +
         ",\"thickness\":" + JsonNumber(given.centreThickness) +
         ",\"lens_diameter\":" + JsonNumber(given.lensDiameter) +
         ",\"index\":" + JsonNumber(given.lensIndex) + "}";
  out += ",\"glass\":" + JsonString(given.glassName);
  // The wavelength as the echo writes it (632.8, not 632.8000000000001).
  out += ",\"wavelength_nm\":" +
         JsonNumber(ReadNumber(GeneralNumber(given.testWavelength * 1000)).value_or(0));
  out += SetupJson(run.solution, U);
  out += ",\"iterations\":" + std::to_string(run.searchIterations);
  out += ",\"converged\":" + std::string(run.converged ? "true" : "false");
  out += ",\"stopped_at_step_limit\":" + std::string(run.stoppedAtStepLimit ? "true" : "false");
  if (!run.searchFailure.empty()) out += ",\"search_failure\":" + JsonString(run.searchFailure);
  if (run.exploration) {
    // The limit as chosen: waves, or a spacing error in the run's unit.
    const SpacingErrorExploration& e = *run.exploration;
    out += ",\"exploration\":{\"limit\":" + JsonNumber(e.limit) + ",\"limit_unit\":" +
           JsonString(e.inWaves    ? "waves"
                      : given.inch ? "inch"
                                   : "mm") +
           ",\"passes\":[";
    for (std::size_t i = 0; i < e.passes.size(); ++i) {
      out += std::string(i ? "," : "") +
             "{\"spacing_error\":" + JsonNumber(e.passes[i].spacingError * U) +
             SetupJson(e.passes[i].figures, U) + "}";
    }
    out += "]";
    // A direction that could not be traced has no pass: where it stopped.
    if (!run.explorationFailure.empty()) {
      out += ",\"failure\":" + JsonString(run.explorationFailure);
    }
    out += "}";
  }
  if (o.exact) out += ",\"exact\":" + cli::ExactJson(check, run);
  if (o.tolerance.wanted()) out += ",\"tolerance\":" + o.tolerance.Json(run);
  if (o.measured.wanted()) out += ",\"measured_mirror\":" + o.measured.Json(run);
  if (o.foucault.wanted()) out += ",\"foucault\":" + o.foucault.Json(run);
  if (o.tester.wanted()) out += ",\"tester\":" + o.tester.Json(run);
  if (o.ronchiPhoto.wanted()) out += ",\"ronchi_photo\":" + o.ronchiPhoto.Json(run);
  return out + "}";
}

// ---- Running ------------------------------------------------------------------
// What the entries alone show is wrong (an index that is not the named
// glass's, a size that is not positive, a lens that cannot be made), as
// warnings on stderr; the run and its report stay as they are.
void WarnAboutEntries(CliHost& host, const SharedValues& shared) {
  TypedEntries in;
  in.texts = host.entries.texts;
  in.inch = host.entries.inch;
  in.glassName = shared.GlassName;
  in.testWavelength = shared.TestWavelength;
  for (const EntryProblem& problem : CheckEntries(in))
    std::cerr << "vantry-null-cli: warning: " << problem.text << "\n";
}

// The entries the run was given, as the window's "Save set-up" writes its
// fields: under FILE when it is free, else FILE_2.vnull, FILE_3.vnull and so
// on (the extension stays as given), never over a file that is there.
// Returns whether it was written; says where on stderr, or why not.
bool SaveSetup(const std::string& path, const CliHost& host, const SharedValues& shared) {
  SetupFile setup;
  setup.entries = host.entries.texts;
  setup.inch = host.entries.inch;
  setup.glassName = shared.GlassName;
  setup.wavelengthMicrons = shared.TestWavelength;
  const std::string extension = std::filesystem::path(path).extension().string();
  const std::string stem = path.substr(0, path.size() - extension.size());
  const FileSetResult written = WriteFileSet(
      [&](int n, std::size_t) {
        return n == 1 ? path : stem + "_" + std::to_string(n) + extension;
      },
      {SetupFileText(setup)}, "set-up");
  if (!written.ok) {
    std::cerr << "vantry-null-cli: --save-setup: " << written.why << "\n";
    return false;
  }
  if (written.paths[0] != path) {
    std::cerr << "vantry-null-cli: " << path << " exists and is kept; the set-up is "
              << written.paths[0] << "\n";
  }
  std::cerr << written.paths[0] << "\n";
  return true;
}

// Writes the exact check's pictures into `folder`, their paths on stderr;
// false, with the reason on stderr, when there are none or they cannot be
// written.
bool WritePictures(const ExactCheckResult& check, const RunRecord& run, const std::string& folder) {
  if (!check.ok) {
    std::cerr << "vantry-null-cli: --exact-pictures: no pictures: the exact check could not be "
                 "made: "
              << check.why << "\n";
    return false;
  }
  const FileSetResult written =
      WriteExactPictures(ExactPicturesOf(check, SolvedSetUpOf(run)), folder);
  if (!written.ok) {
    std::cerr << "vantry-null-cli: --exact-pictures: " << written.why << "\n";
    return false;
  }
  for (const std::string& path : written.paths) std::cerr << path << "\n";
  return true;
}

// One run as the find button makes it, its exact check, and what the user
// asked to see of them; returns the exit status.
int RunAndReport(CliOptions& o, CliHost& host, SharedValues& shared) {
  std::unique_ptr<LensFilePlatform> platform = cli::MakePlatform();
  NullFinder finder(shared, platform.get());
  if (o.saveDir) finder.lensFolderOverride = *o.saveDir;
  host.finder = &finder;
  host.timeoutSeconds = o.timeout;
  WarnAboutEntries(host, shared);
  finder.Run(host.entries, host);
  const RunRecord& run = finder.lastRun();

  for (const auto& path : run.writtenFiles) std::cerr << path << "\n";
  // The error box only says that the run failed; why a file could not be
  // written ("cannot write PATH: No space left on device") follows it.
  if (!run.fileProblem.empty()) std::cerr << "vantry-null-cli: " << run.fileProblem << "\n";
  // The set-up is the entries, whatever the run made of them: the window
  // saves a half-typed entry too.
  const bool setupSaved = !o.saveSetupPath || SaveSetup(*o.saveSetupPath, host, shared);

  // Every solved set-up gets its exact check and verdict, within what is left
  // of the time limit.
  const auto deadline = cli::DeadlineAfter(host.start, o.timeout);
  std::optional<ExactCheckResult> check;
  if (run.outcome != RunOutcome::Failed) check = cli::CheckLastRun(run, deadline);
  // With the exact block, the spacing range about the set-up it recommends.
  bool rangeStopped = false;
  if (o.exact && check && !check->cancelled) {
    rangeStopped = !cli::AddSpacingRange(*check, run, deadline);
  }
  // The check's pictures, before the output that follows them.
  const bool picturesFailed = o.picturesDir && run.outcome != RunOutcome::Failed && check &&
                              !check->cancelled && !WritePictures(*check, run, *o.picturesDir);
  // The tolerance analysis within the same time limit.
  if (o.tolerance.wanted() && run.outcome != RunOutcome::Failed) {
    o.tolerance.Analyse(run, deadline);
  }
  // The measurement read back through the null, within the same time limit.
  if (o.measured.wanted() && run.outcome != RunOutcome::Failed) {
    o.measured.Reduce(run, check, deadline);
  }
  // The Foucault readings at the set-up as built, within the same limit.
  if (o.foucault.wanted() && run.outcome != RunOutcome::Failed) {
    o.foucault.Reduce(run, check, deadline);
  }
  // The Ronchi photo at the set-up as built, within the same limit.
  if (o.ronchiPhoto.wanted() && run.outcome != RunOutcome::Failed) {
    o.ronchiPhoto.Fit(run, check, deadline);
  }
  // The tester's files and pictures, before the output that names them.
  const int tester = run.outcome != RunOutcome::Failed ? o.tester.Run(run, check, deadline) : 0;
  if (o.json) {
    std::cout << RunJson(o, run, host.report, check) << "\n";
  } else {
    std::cout << UnixLines(host.report);
    if (o.exact && run.outcome != RunOutcome::Failed) {
      std::cout << "\n\n" << cli::ExactText(check, run);
    }
    if (o.tolerance.wanted() && run.outcome != RunOutcome::Failed) {
      std::cout << "\n\n" << o.tolerance.Text(run);
    }
    if (o.measured.wanted() && run.outcome != RunOutcome::Failed && o.measured.reduced()) {
      std::cout << "\n\n" << o.measured.Text(run);
    }
    if (o.foucault.wanted() && run.outcome != RunOutcome::Failed) {
      std::cout << "\n\n" << o.foucault.Text(run);
    }
    if (o.ronchiPhoto.wanted() && run.outcome != RunOutcome::Failed) {
      std::cout << "\n\n" << o.ronchiPhoto.Text(run);
    }
    std::cout << "\n";
  }
  if (check && check->cancelled) {
    std::cerr << "vantry-null-cli: --timeout stopped the exact check before it finished\n";
  }
  if (rangeStopped) {
    std::cerr << "vantry-null-cli: --timeout stopped the spacing range before it finished\n";
  }
  if (o.tolerance.stopped()) {
    std::cerr << "vantry-null-cli: --timeout stopped the tolerance analysis before it finished\n";
  }
  if (o.foucault.stopped()) {
    std::cerr << "vantry-null-cli: --timeout stopped the Foucault reduction before it finished\n";
  }
  if (o.ronchiPhoto.stopped()) {
    std::cerr << "vantry-null-cli: --timeout stopped the Ronchi photo's fit before it finished\n";
  }
  const bool trusted = check && check->verdict.status == VerdictStatus::Ok;
  if (check && !trusted && !o.exact) std::cerr << cli::VerdictWarning(*check) << "\n";
  if (run.outcome == RunOutcome::Failed || !setupSaved) return 1;
  if (!o.measured.note().empty()) std::cerr << o.measured.note() << "\n";
  if (tester == 1 || picturesFailed || o.foucault.failed() || o.ronchiPhoto.failed()) return 1;
  if (o.measured.wanted() && o.measured.failed() && !o.measured.stopped()) return 1;
  if (tester == 3 || run.outcome == RunOutcome::Aborted || (check && check->cancelled) ||
      rangeStopped || o.tolerance.stopped() || o.measured.stopped() || o.foucault.stopped() ||
      o.ronchiPhoto.stopped()) {
    return 3;
  }
  if (o.strict && !trusted) return 4;
  return 0;
}

// A run the system could not give memory or threads: the message on
// standard error and, with --json, the failed run's object; exit status 1.
int ResourceFailure(const CliOptions& o, const std::exception& e) {
  const std::string message = cli::ResourceProblem(e);
  std::cerr << "vantry-null-cli: " << message << "\n";
  if (o.json) {
    std::cout << "{\"units\":" << JsonString(o.units.value_or("mm"))
              << ",\"error\":" << JsonString("The run failed")
              << ",\"message\":" << JsonString(message) << ",\"report\":\"\"}\n";
  }
  return 1;
}

int Main(int argc, char** argv) {
  // The --timeout clock starts here: reading the user's files is part of
  // the command's time.
  const auto start = std::chrono::steady_clock::now();
  CliOptions options;
  try {
    if (const auto chooser = cli::RunChooserCommand(argc, argv, start)) return *chooser;
    CliHost host;
    host.start = start;
    SharedValues shared;
    try {
      if (const auto status = ParseArguments(argc, argv, options)) return *status;
      if (options.listGlasses) {
        std::cout << (options.json ? cli::ListGlassesJson() + "\n" : cli::ListGlasses());
        return 0;
      }
      PrepareRun(options, host, shared);
    } catch (const cli::UsageProblem& e) {
      std::cerr << "vantry-null-cli: " << e.what()
                << (e.tryHelp ? "\nTry 'vantry-null-cli --help'.\n" : "\n");
      return 2;
    } catch (const cli::StoppedByTimeout& e) {
      std::cerr << "vantry-null-cli: " << e.what() << "\n";
      return 3;
    }
    return RunAndReport(options, host, shared);
  } catch (const std::bad_alloc& e) {
    return ResourceFailure(options, e);
  } catch (const std::system_error& e) {
    return ResourceFailure(options, e);
  }
}

}  // namespace
}  // namespace vn

#ifdef __EMSCRIPTEN__
// The browser page runs the command line as a function: vn_run takes the
// arguments (the program's name first) and returns the exit status; what the
// run wrote on its standard output and error is kept for vn_output and
// vn_errors until the next run.
namespace {
std::string webOutput, webErrors;
}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE int vn_run(int argc, char** argv) {
  std::ostringstream out, errors;
  std::streambuf* const coutBuffer = std::cout.rdbuf(out.rdbuf());
  std::streambuf* const cerrBuffer = std::cerr.rdbuf(errors.rdbuf());
  int status = 1;
  try {
    status = vn::Main(argc, argv);
  } catch (...) {
    errors << "vantry-null-cli: the run failed unexpectedly\n";
  }
  std::cout.rdbuf(coutBuffer);
  std::cerr.rdbuf(cerrBuffer);
  webOutput = out.str();
  webErrors = errors.str();
  return status;
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* vn_output() { return webOutput.c_str(); }
extern "C" EMSCRIPTEN_KEEPALIVE const char* vn_errors() { return webErrors.c_str(); }
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  // Lines end in one LF on every system, in a console, a pipe or a file: the
  // C library would otherwise write each "\n" as CR LF.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  return vn::Main(argc, argv);
}

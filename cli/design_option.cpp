// The lens chooser's command lines.
#include "cli/design_option.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <iostream>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>

#include "cli/cli_support.h"
#include "common/cancel_token.h"
#include "common/json_text.h"
#include "common/number_text.h"
#include "common/shared_values.h"
#include "common/user_file.h"
#include "design/chooser_entries.h"
#include "design/chooser_text.h"
#include "design/lens_design.h"
#include "design/lens_list.h"
#include "design/lens_ranking.h"
#include "run/units_switch.h"

namespace vn::cli {

const char* const kChooserUsage =
    "\n"
    "Choosing the lens (the mirror, glass and wavelength options above apply):\n"
    "  --design                    design the null lens: plano-convex and best form\n"
    "  --rank-lenses FILE.csv      rank every lens of a list, both ways round\n"
    "  --thickness T|MIN:MAX       the designed lens's thickness, or a range (15 mm)\n"
    "  --lens-diameter D|MIN:MAX   the designed lens's diameter, or a range (80 mm)\n"
    "  --form plano-convex|best-form|both   the forms designed (both)\n"
    "  --radius-step S             designed radii rounded to S (0.1 mm, 0.005 inch)\n"
    "  --max-source-mirror L       the longest source-to-mirror distance you have\n"
    "  --min-source-lens L         the shortest source-to-lens distance you can use\n"
    "  --clear-aperture PERCENT    of each lens's diameter the beam may fill (90)\n"
    "  --list-units mm|inch        units of the list's lengths (mm)\n"
    "  --top N                     show only the N best of the ranking\n"
    "  --threads N                 threads to use (every core; at most 4 per core)\n"
    "  --json, --timeout SECONDS, --strict as above (the clock includes reading the list)\n"
    "The list's columns: name, part number, radius 1, radius 2, centre thickness,\n"
    "diameter, glass (catalog name or index)[, focal length]; see the README. The list\n"
    "is a regular file of at most 16 MB; the first 30 bad rows are named on stderr,\n"
    "the others counted.\n";

namespace {

bool IsChooserOption(const std::string& arg) {
  return arg == "--design" || arg == "--rank-lenses" || arg.rfind("--rank-lenses=", 0) == 0;
}

// Sets the flag once the deadline passes, unless released before.
class Deadline {
 public:
  Deadline(CancelToken& flag, std::chrono::steady_clock::time_point until) {
    if (std::chrono::steady_clock::now() >= until) flag.Cancel();
    try {
      watchdog_ = std::thread([this, &flag, until] {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!released_cv_.wait_until(lock, until, [this] { return released_; })) flag.Cancel();
      });
    } catch (const std::system_error&) {
      flag.CancelAt(until);  // no thread to be had: the work reads the clock
    }
  }
  ~Deadline() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      released_ = true;
    }
    released_cv_.notify_one();
    if (watchdog_.joinable()) watchdog_.join();
  }
  Deadline(const Deadline&) = delete;
  Deadline& operator=(const Deadline&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable released_cv_;
  bool released_ = false;
  std::thread watchdog_;
};

struct Options {
  bool design = false;
  std::string listPath;
  std::string units = "mm";
  std::map<std::string, std::string> given;  // option -> text
  std::optional<std::string> glass, wavelength;
  std::string form = "both";
  bool listInch = false;
  std::size_t top = 0;
  int threads = 0;
  bool json = false, strict = false;
  double timeout = 60;
};

Options Parse(int argc, char** argv) {
  Options o;
  static const char* const kTexts[] = {
      "--mirror-diameter", "--mirror-roc",    "--conic",       "--index",
      "--thickness",       "--lens-diameter", "--radius-step", "--max-source-mirror",
      "--min-source-lens", "--clear-aperture"};
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::optional<std::string> inlineValue;
    if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      inlineValue = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
    }
    const auto value = [&]() -> std::string {
      if (inlineValue) return *inlineValue;
      if (i + 1 >= argc) FailUsage("option " + arg + " needs a value");
      return argv[++i];
    };
    const auto flag = [&] {
      if (inlineValue) FailUsage("option " + arg + " takes no value");
    };
    const auto count = [&](const char* what, int lowest) {
      const auto n = ReadNumber(value());
      if (!n || *n < lowest || *n != std::floor(*n) || *n > 1e6) {
        FailUsage(arg + " takes " + what);
      }
      return static_cast<int>(*n);
    };
    if (std::find(std::begin(kTexts), std::end(kTexts), arg) != std::end(kTexts)) {
      o.given[arg] = value();
    } else if (arg == "--design") {
      flag();
      o.design = true;
    } else if (arg == "--rank-lenses") {
      o.listPath = value();
    } else if (arg == "--units") {
      o.units = value();
      if (o.units != "mm" && o.units != "inch") FailUsage("--units takes mm or inch");
    } else if (arg == "--list-units") {
      const std::string u = value();
      if (u != "mm" && u != "inch") FailUsage("--list-units takes mm or inch");
      o.listInch = u == "inch";
    } else if (arg == "--glass") {
      o.glass = value();
    } else if (arg == "--wavelength") {
      o.wavelength = value();
    } else if (arg == "--form") {
      o.form = value();
      if (o.form != "plano-convex" && o.form != "best-form" && o.form != "both") {
        FailUsage("--form takes plano-convex, best-form or both");
      }
    } else if (arg == "--top") {
      o.top = static_cast<std::size_t>(count("a whole number, 1 or more", 1));
    } else if (arg == "--threads") {
      o.threads = count("a whole number of threads, 1 or more", 1);
    } else if (arg == "--json") {
      flag();
      o.json = true;
    } else if (arg == "--strict") {
      flag();
      o.strict = true;
    } else if (arg == "--timeout") {
      const auto t = ReadNumber(value());
      if (!t || *t < 0) FailUsage("--timeout takes a number of seconds, 0 or more");
      o.timeout = *t;
    } else {
      FailUsage(arg + " is not an option of --design or --rank-lenses");
    }
  }
  if (o.design && !o.listPath.empty()) FailUsage("give --design or --rank-lenses, not both");
  return o;
}

// The chooser's entries: the window's start-up ones, in inches when asked,
// with what was given typed over them.
ChooserEntries EntriesOf(const Options& o, SharedValues& shared) {
  ChooserEntries e;
  e.inch = o.units == "inch";
  if (e.inch) {
    for (std::string* length : {&e.mirrorDiameter, &e.mirrorRoc, &e.thickness, &e.lensDiameter})
      *length = *ConvertLengthText(*length, true);
  }
  if (o.glass || o.wavelength) e.index = ChooseGlass(o.glass, o.wavelength, shared);
  e.glassName = shared.GlassName;
  e.wavelengthMicrons = shared.TestWavelength;
  const auto set = [&](const char* option, std::string& field) {
    if (const auto it = o.given.find(option); it != o.given.end()) field = it->second;
  };
  set("--mirror-diameter", e.mirrorDiameter);
  set("--mirror-roc", e.mirrorRoc);
  set("--conic", e.conic);
  set("--thickness", e.thickness);
  set("--lens-diameter", e.lensDiameter);
  set("--radius-step", e.radiusStep);
  set("--max-source-mirror", e.maxSourceToMirror);
  set("--min-source-lens", e.minSourceToLens);
  set("--clear-aperture", e.clearAperturePercent);
  if (o.given.count("--index")) {
    set("--index", e.index);
    // A typed index belongs to no catalog glass.
    if (!o.glass) e.glassName.clear();
  }
  return e;
}

std::string Prefixed(const std::string& line) { return "vantry-null-cli: " + line; }

// 3 when the time limit stopped the work; with --strict, 4 unless the best
// candidate fits and its verdict is ok.
int Status(const Options& o, const char* work, bool cancelled, const CandidateFigures* best) {
  if (cancelled) {
    std::cerr << Prefixed(std::string("--timeout stopped the ") + work + " before it finished\n");
    return 3;
  }
  const bool trusted = best != nullptr && best->fit == CandidateFit::Fits &&
                       best->verdict.status == VerdictStatus::Ok;
  return o.strict && !trusted ? 4 : 0;
}

// A command that could not do its work: the message on standard error and,
// with --json, the JSON object every failed run prints; exit status 1.
int Failed(const Options& o, const char* work, const std::string& message) {
  std::cerr << Prefixed(message) << "\n";
  if (o.json) {
    std::cout << "{\"units\":" << JsonString(o.units)
              << ",\"error\":" << JsonString(std::string("The ") + work + " failed")
              << ",\"message\":" << JsonString(message) << "}\n";
  }
  return 1;
}

int Design(const Options& o, ChooserInputs& in, std::chrono::steady_clock::time_point until) {
  in.design.planoConvex = o.form != "best-form";
  in.design.bestForm = o.form != "plano-convex";
  in.design.threads = o.threads;
  CancelToken cancel;
  in.design.conditions.cancel = &cancel;
  DesignResult result;
  {
    Deadline deadline(cancel, until);
    result = DesignLens(in.design);
  }
  std::cout << (o.json ? DesignJson(result, in.setting) + "\n" : DesignText(result, in.setting));
  return Status(o, "design", result.cancelled,
                result.candidates.empty() ? nullptr : &result.candidates.front().figures);
}

int Rank(const Options& o, ChooserInputs& in, std::chrono::steady_clock::time_point until) {
  // One clock for reading the list and ranking it.
  CancelToken cancel;
  Deadline deadline(cancel, until);
  std::string text;
  bool stopped = false;
  try {
    text = ReadOptionFile("--rank-lenses", o.listPath, kMaxLensListBytes, until);
  } catch (const StoppedByTimeout&) {
    stopped = true;
  }
  LensListOptions listOptions;
  listOptions.wavelengthNm = in.setting.wavelengthNm;
  listOptions.inchLengths = o.listInch;
  listOptions.cancel = &cancel;
  const LensList list = ReadLensList(text, listOptions);
  for (const LensListProblem& p : list.problems) {
    std::cerr << Prefixed(o.listPath + ": " + (p.warning ? "warning: " : "") + p.why + "\n");
  }
  if (list.unlistedProblems > 0) {
    std::cerr << Prefixed(o.listPath + ": and " + std::to_string(list.unlistedProblems) +
                          " more problems in the list, not shown\n");
  }
  LensRanking ranking;
  if (stopped || list.stopped) {
    ranking.cancelled = true;
    std::cout << (o.json ? RankingJson(ranking, list, in.setting, o.top) + "\n"
                         : RankingText(ranking, list, in.setting, o.top));
    return Status(o, "reading of the list", true, nullptr);
  }
  if (list.lenses.empty()) {
    return Failed(o, "ranking", o.listPath + ": no lens could be read from the list");
  }
  in.ranking.threads = o.threads;
  in.ranking.conditions.cancel = &cancel;
  ranking = RankLenses(list.lenses, in.ranking);
  std::cout << (o.json ? RankingJson(ranking, list, in.setting, o.top) + "\n"
                       : RankingText(ranking, list, in.setting, o.top));
  return Status(o, "ranking", ranking.cancelled,
                ranking.entries.empty() ? nullptr : &ranking.entries.front().figures);
}

}  // namespace

std::optional<int> RunChooserCommand(int argc, char** argv,
                                     std::chrono::steady_clock::time_point start) {
  bool wanted = false;
  for (int i = 1; i < argc; ++i) wanted = wanted || IsChooserOption(argv[i]);
  if (!wanted) return std::nullopt;
  Options options;
  const char* work = "design";
  try {
    options = Parse(argc, argv);
    if (!options.design) work = "ranking";
    SharedValues shared;
    const ChooserReading reading = ReadChooserEntries(EntriesOf(options, shared));
    if (!reading.inputs) FailUsage(reading.why);
    ChooserInputs inputs = *reading.inputs;
    const auto until = DeadlineAfter(start, options.timeout);
    return options.design ? Design(options, inputs, until) : Rank(options, inputs, until);
  } catch (const UsageProblem& problem) {
    std::cerr << Prefixed(problem.what())
              << (problem.tryHelp ? "\nTry 'vantry-null-cli --help'.\n" : "\n");
  } catch (const std::bad_alloc& e) {
    // Out of memory or threads: a message and the exit status of a failed
    // run, never an abort.
    return Failed(options, work, ResourceProblem(e));
  } catch (const std::system_error& e) {
    return Failed(options, work, ResourceProblem(e));
  }
  return 2;
}

}  // namespace vn::cli

// The command line's stand-ins for the two dialogs, and its extras.
#include "cli/cli_support.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "common/cancel_token.h"
#include "common/json_text.h"
#include "common/number_text.h"
#include "common/user_file.h"
#include "exact/exact_check.h"
#include "glass/glass_lookup.h"
#include "glass/glass_record.h"
#include "glass/refractive_index_dialog.h"
#include "oslo/lens_file_export.h"
#include "oslo/lens_file_platform.h"
#include "record/solved_set_up.h"
#include "spacing_error_dialog/error_explore_dialog.h"

namespace vn::cli {

std::string ListGlasses() { return ListGlassesText(); }

std::string ListGlassesJson() {
  // The figures as the list and the dialog round them, read back so that
  // the JSON holds plain numbers.
  const auto rounded = [](double x, int decimals) {
    return JsonNumber(ReadNumber(RoundedText(x, decimals)).value_or(x));
  };
  std::string out = "[";
  for (GlassCatalog catalog : {GlassCatalog::Schott, GlassCatalog::Ohara}) {
    const auto glasses = BuiltInGlassCatalogs().Glasses(catalog);
    for (std::size_t k = 0; k < glasses.size(); ++k) {
      const GlassDispersion d = CatalogDispersion(glasses[k]);
      out += out.size() == 1 ? "{" : ",{";
      out += "\"catalog\":" + JsonString(CatalogWord(catalog));
      out += ",\"position\":" + std::to_string(k);
      out += ",\"name\":" + JsonString(glasses[k].Name);
      out += ",\"nd\":" + rounded(d.nd, 4) + ",\"vd\":" + rounded(d.V, 3) + "}";
    }
  }
  return out + "]";
}

std::string ChooseGlass(const std::optional<std::string>& glass,
                        const std::optional<std::string>& wavelengthNm, SharedValues& shared) {
  // The glass: the one named, or the current one, as the dialog opens on it.
  const std::string name = glass ? *glass : shared.GlassName;
  const auto found = FindGlass(name);
  if (!found) {
    std::string message = "unknown glass '" + name + "'";
    const auto close = CloseGlassNames(name);
    if (!close.empty()) {
      message += "; close matches:";
      for (const auto& n : close) message += " " + n;
    }
    throw UsageProblem(message);
  }
  // The wavelength, checked as the dialog checks it.
  const std::string text =
      wavelengthNm ? *wavelengthNm : GeneralNumber(shared.TestWavelength * 1000);
  const WavelengthReading reading = ReadWavelength(text);
  if (!reading.nanometres) throw UsageProblem(reading.why);
  shared.GlassName = found->glass->Name;
  shared.TestWavelength = *reading.nanometres * 0.001;
  return RoundedIndexText(*found->glass, *reading.nanometres);
}

bool ChooseExploration(const std::string& choice, SharedValues& shared) {
  const auto eq = choice.find('=');
  const std::string kind = choice.substr(0, eq);
  const std::string value = eq == std::string::npos ? "" : choice.substr(eq + 1);
  if (kind == "waves") {
    const auto waves = ReadNumber(value);
    const auto option = waves ? WavesOptionIndex(*waves) : std::nullopt;
    if (!option) {
      std::string limits;
      for (int i = 0; i < kErrorOptionCount; ++i) {
        if (!kErrorOptions[i].inWaves) continue;
        if (!limits.empty()) limits += kErrorOptions[i + 1].inWaves ? ", " : " or ";
        limits += GeneralNumber(kErrorOptions[i].wavesLimit);
      }
      throw UsageProblem("--explore waves=W takes " + limits);
    }
    ChooseWavesOption(kErrorOptions[*option], shared);
    return true;
  }
  if (kind == "amount") {
    if (!ChooseAmount(value, shared)) throw UsageProblem(kNotNumericMessage);
    return ExplorationStaysChecked(shared);
  }
  throw UsageProblem("--explore takes waves=W or amount=X");
}

std::chrono::steady_clock::time_point DeadlineAfter(std::chrono::steady_clock::time_point start,
                                                    double seconds) {
  const auto limit = std::chrono::duration<double>(std::min(seconds, 3.2e7));
  return start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(limit);
}

std::string ReadOptionFile(const std::string& option, const std::string& path, std::size_t maxBytes,
                           std::chrono::steady_clock::time_point deadline) {
  UserFileReading file = ReadUserFile(path, maxBytes, deadline);
  if (file.problem == UserFileProblem::Stopped) {
    throw StoppedByTimeout("--timeout stopped the reading of " + path);
  }
  if (!file.bytes) throw UsageProblem(option + " " + path + ": " + file.why);
  return std::move(*file.bytes);
}

SolvedSetUp SetUpAsBuilt(const RunRecord& run, const std::optional<ExactCheckResult>& check,
                         const std::optional<std::pair<double, double>>& builtAt,
                         std::string& source) {
  SolvedSetUp input = SolvedSetUpOf(run);
  source = "the report's distances";
  if (builtAt) {
    const double inches = inchFromUnit(1.0, run.setup.inch);
    input.objectDistance = builtAt->first * inches;
    input.lensMirrorDistance = builtAt->second * inches;
    source = "as given";
  } else if (check && check->verdict.recommended.available) {
    input.objectDistance = check->verdict.recommended.objectDistance;
    input.lensMirrorDistance = check->verdict.recommended.lensMirrorDistance;
    source = "the exact check's recommended distances";
  }
  return input;
}

std::string ResourceProblem(const std::exception& e) {
  if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr) {
    return "out of memory: the system gave the program no more (try a smaller list, "
           "fewer threads or fewer trials)";
  }
  return std::string("the system refused the program a resource (") + e.what() + ")";
}

std::unique_ptr<LensFilePlatform> MakePlatform() { return MakeSystemLensFilePlatform(); }

void WithDeadline(std::chrono::steady_clock::time_point deadline,
                  const std::function<void(const CancelToken& cancel)>& work) {
  // The watchdog thread is released as soon as the work ends. Time already
  // spent stops the work before it starts, whether or not the watchdog has
  // been scheduled yet.
  CancelToken cancel;
  if (std::chrono::steady_clock::now() >= deadline) cancel.Cancel();
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  std::thread watchdog;
  try {
    watchdog = std::thread([&] {
      std::unique_lock<std::mutex> lock(mutex);
      if (!finished.wait_until(lock, deadline, [&] { return done; })) cancel.Cancel();
    });
  } catch (const std::system_error&) {
    // No thread to be had (the browser runs one): the work reads the clock.
    cancel.CancelAt(deadline);
  }
  work(cancel);
  {
    std::lock_guard<std::mutex> lock(mutex);
    done = true;
  }
  finished.notify_one();
  if (watchdog.joinable()) watchdog.join();
}

std::optional<ExactCheckResult> CheckLastRun(const RunRecord& run,
                                             std::chrono::steady_clock::time_point deadline) {
  if (!run.HasSetUpToCheck()) return std::nullopt;
  ExactCheckResult result;
  WithDeadline(deadline, [&](const CancelToken& cancel) {
    result = RunExactCheck(SolvedSetUpOf(run), &cancel);
  });
  return result;
}

bool AddSpacingRange(ExactCheckResult& check, const RunRecord& run,
                     std::chrono::steady_clock::time_point deadline) {
  WithDeadline(deadline, [&](const CancelToken& cancel) {
    check.spacingRange = FindExactSpacingRange(SolvedSetUpOf(run), check.verdict.recommended,
                                               SpacingRangeLimitWaves(run), &cancel);
  });
  return !check.spacingRange->cancelled;
}

std::string ExactText(const std::optional<ExactCheckResult>& check, const RunRecord& run) {
  if (!check) return "Exact check\nNo solved set-up to check.";
  return ExactCheckText(*check, run.setup.inch);
}

std::string ExactJson(const std::optional<ExactCheckResult>& check, const RunRecord& run) {
  if (!check) return "null";
  return ExactCheckJson(*check, run.setup.inch);
}

std::string VerdictWarning(const ExactCheckResult& check) {
  const Verdict& verdict = check.verdict;
  std::string line = std::string("vantry-null-cli: warning: the exact check's verdict is ") +
                     VerdictStatusWords(verdict.status);
  const auto gravest =
      std::find_if(verdict.reasons.begin(), verdict.reasons.end(),
                   [&](const VerdictReason& r) { return r.severity == verdict.status; });
  if (gravest != verdict.reasons.end()) line += ": " + gravest->text;
  if (verdict.reasons.size() > 1) {
    line += " (" + std::to_string(verdict.reasons.size() - 1) + " more; see --exact)";
  }
  return line;
}

std::pair<double, double> ReadBuiltAt(const std::string& text) {
  const std::size_t comma = text.find(',');
  std::optional<double> d, d2;
  if (comma != std::string::npos) {
    d = ReadNumber(std::string_view(text).substr(0, comma));
    d2 = ReadNumber(std::string_view(text).substr(comma + 1));
  }
  if (!d || !d2 || !(*d > 0.0) || !(*d2 > 0.0)) {
    throw UsageProblem(
        "--built-at takes two positive lengths in the run's unit, D,d2: source to lens, "
        "lens to mirror");
  }
  return {*d, *d2};
}

}  // namespace vn::cli

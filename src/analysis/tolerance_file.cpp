// Reading the user's tolerances from JSON.
#include "analysis/tolerance_file.h"

#include <cmath>

#include "common/constants.h"
#include "common/json_reader.h"
#include "common/number_text.h"

namespace vn {

namespace {

constexpr int kMaxTrials = 1000000;
constexpr double kMaxSeed = 9007199254740992.0;  // 2^53: every whole number below is exact

// Which members are lengths (converted from the file's unit).
constexpr bool kIsLength[10] = {true, true, true, false, false, false, false, false, true, true};

}  // namespace

ToleranceFileReading ReadToleranceFile(std::string_view text) {
  ToleranceFileReading reading;
  const JsonReading json = ReadJson(text);
  if (!json.value) {
    reading.why = json.error.Message();
    return reading;
  }
  if (json.value->kind != JsonValue::Kind::Object) {
    reading.why = "the tolerances must be one JSON object";
    return reading;
  }
  ToleranceFile file;
  for (std::size_t member = 0; member < json.value->keys.size(); ++member) {
    const std::string& name = json.value->keys[member];
    const JsonValue& value = json.value->items[member];
    if (name == "units") {
      if (value.kind != JsonValue::Kind::String || (value.text != "mm" && value.text != "inch")) {
        reading.why = "\"units\" must be \"mm\" or \"inch\"";
        return reading;
      }
      file.inchUnits = value.text == "inch";
      continue;
    }
    if (value.kind != JsonValue::Kind::Number) {
      reading.why = "\"" + name + "\" must be a number";
      return reading;
    }
    const double x = value.number;
    if (name == "trials") {
      if (x != std::floor(x) || x < 0 || x > kMaxTrials) {
        reading.why = "\"trials\" must be a whole number from 0 to 1000000";
        return reading;
      }
      file.trials = static_cast<int>(x);
      continue;
    }
    if (name == "seed") {
      if (x != std::floor(x) || x < 0 || x > kMaxSeed) {
        reading.why = "\"seed\" must be a whole number from 0 to 9007199254740992";
        return reading;
      }
      file.seed = static_cast<std::uint64_t>(x);
      continue;
    }
    bool known = false;
    for (std::size_t k = 0; k < file.values.size(); ++k) {
      if (name != kToleranceFileKeys[k]) continue;
      if (!(x >= 0.0)) {
        reading.why = "\"" + name + "\" must not be negative: a tolerance is ± its size";
        return reading;
      }
      file.values[k] = x;
      known = true;
    }
    if (!known) {
      reading.why = "unknown member \"" + name + "\"";
      return reading;
    }
  }
  reading.file = file;
  return reading;
}

namespace {

// The ten tolerances in the order of kToleranceFileKeys.
std::array<double*, 10> Fields(BuildTolerances& t) {
  return {&t.objectDistance, &t.lensMirrorDistance, &t.lensThickness, &t.radiusPercent,
          &t.flatFringes,    &t.lensIndex,          &t.wavelengthNm,  &t.tiltDegrees,
          &t.decenter,       &t.sourceOffset};
}

// Inches per unit of member k in a file or entry of that unit.
double InchesPer(std::size_t k, bool inchUnits) {
  return kIsLength[k] ? inchFromUnit(1.0, inchUnits) : 1.0;
}

}  // namespace

std::array<std::string, 10> ToleranceTexts(const BuildTolerances& tolerances, bool inchUnits) {
  BuildTolerances copy = tolerances;
  const std::array<double*, 10> fields = Fields(copy);
  std::array<std::string, 10> texts;
  for (std::size_t k = 0; k < texts.size(); ++k) {
    // The general form's 15 significant digits hide the rounding of the
    // unit's conversion (0.1 mm back from inches is 0.09999999999999999).
    texts[k] = GeneralNumber(*fields[k] / InchesPer(k, inchUnits));
  }
  return texts;
}

std::optional<BuildTolerances> ReadToleranceTexts(const std::array<std::string, 10>& texts,
                                                  bool inchUnits, std::size_t* bad) {
  BuildTolerances t;
  const std::array<double*, 10> fields = Fields(t);
  for (std::size_t k = 0; k < texts.size(); ++k) {
    const auto value = ReadNumber(texts[k]);
    if (!value || !(*value >= 0.0)) {
      if (bad != nullptr) *bad = k;
      return std::nullopt;
    }
    *fields[k] = *value * InchesPer(k, inchUnits);
  }
  return t;
}

BuildTolerances ResolveTolerances(const ToleranceFile& file, bool runInchUnits,
                                  MonteCarloSettings& settings) {
  const bool inch = file.inchUnits.value_or(runInchUnits);
  BuildTolerances t = DefaultTolerances(inch);
  const std::array<double*, 10> fields = Fields(t);
  for (std::size_t k = 0; k < file.values.size(); ++k) {
    if (file.values[k]) *fields[k] = *file.values[k] * InchesPer(k, inch);
  }
  if (file.trials) settings.trials = *file.trials;
  if (file.seed) settings.seed = *file.seed;
  return t;
}

}  // namespace vn

// The Foucault page's typed entries, read and written.
#include "analysis/foucault_entries.h"

#include "common/constants.h"
#include "common/number_text.h"

namespace vn {

namespace {

bool Blank(const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; }

}  // namespace

FoucaultEntriesReading ReadFoucaultEntries(const FoucaultSetupEntries& entries, bool inchUnits) {
  FoucaultEntriesReading out;
  const auto fail = [&](int row, int column, std::string why) {
    out.readings.clear();
    out.builtAt.reset();
    out.problem = std::move(why);
    out.problemRow = row;
    out.problemColumn = column;
    return out;
  };
  for (std::size_t k = 0; k < entries.zones.size(); ++k) {
    const auto& zone = entries.zones[k];
    if (Blank(zone.radius) && Blank(zone.knife)) continue;
    const int row = static_cast<int>(k);
    const std::string name = "Zone " + std::to_string(k + 1);
    const std::string* texts[] = {&zone.radius, &zone.knife};
    const char* what[] = {"'s radius", "'s knife reading"};
    double values[2] = {};
    for (int column = 0; column < 2; ++column) {
      const std::string& text = *texts[column];
      if (Blank(text)) return fail(row, column, name + what[column] + " is empty.");
      const auto value = ReadNumber(text);
      if (!value) {
        return fail(row, column, name + what[column] + " " + NumberTextProblem(text));
      }
      values[column] = inchFromUnit(*value, inchUnits);
    }
    out.readings.push_back({values[0], values[1]});
  }
  if (entries.builtAt) {
    const std::string* texts[] = {&entries.builtAt->first, &entries.builtAt->second};
    const char* names[] = {"The source-to-lens distance", "The lens-to-mirror distance"};
    double values[2] = {};
    for (int k = 0; k < 2; ++k) {
      const auto value = ReadNumber(*texts[k]);
      if (!value) return fail(-1, k, std::string(names[k]) + " " + NumberTextProblem(*texts[k]));
      if (!(*value > 0.0)) return fail(-1, k, std::string(names[k]) + " must be positive.");
      values[k] = inchFromUnit(*value, inchUnits);
    }
    out.builtAt = std::make_pair(values[0], values[1]);
  }
  return out;
}

std::string FoucaultCsvText(const FoucaultSetupEntries& entries) {
  std::string text = "zone,knife\n";
  for (const auto& zone : entries.zones) {
    if (Blank(zone.radius) && Blank(zone.knife)) continue;
    text += zone.radius + "," + zone.knife + "\n";
  }
  return text;
}

std::vector<FoucaultSetupEntries::Zone> FoucaultZonesOfCsv(const FoucaultCsv& csv) {
  std::vector<FoucaultSetupEntries::Zone> zones;
  for (const FoucaultReading& r : csv.readings) {
    zones.push_back({GeneralNumber(r.zoneRadius), GeneralNumber(r.knife)});
  }
  return zones;
}

}  // namespace vn

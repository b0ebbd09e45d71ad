// Writing and reading set-up files.
#include "record/setup_file.h"

#include <cmath>

#include "common/app_info.h"
#include "common/failure.h"
#include "common/json_reader.h"
#include "common/json_text.h"
#include "common/number_text.h"
#include "common/user_file.h"
#include "common/whole_file.h"
#include "glass/glass_lookup.h"
#include "glass/refractive_index_dialog.h"

namespace vn {

namespace {

constexpr const char* kNotASetupMessage = "The file is not a Vantry Null set-up file.";

// Where the text starts after a byte-order mark and blanks, or npos. Text
// that starts like a JSON object and then fails is a damaged set-up; other
// text is some other file.
std::size_t FirstCharacter(std::string_view text) {
  const std::size_t bom = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  return text.find_first_not_of(" \t\r\n", bom);
}

[[noreturn]] void Damaged(const std::string& detail) {
  throw Failure(FailureKind::Damaged, "The file is damaged: " + detail + ".");
}

const JsonValue& Required(const JsonValue& object, const char* key, JsonValue::Kind kind,
                          const char* kindName, const std::string& where = "") {
  const JsonValue* value = object.Member(key);
  if (value == nullptr) Damaged("the key \"" + std::string(key) + "\"" + where + " is missing");
  if (value->kind != kind) {
    Damaged("the value of \"" + std::string(key) + "\"" + where + " is not " + kindName);
  }
  return *value;
}

const std::string& RequiredText(const JsonValue& object, const char* key,
                                const std::string& where = "") {
  return Required(object, key, JsonValue::Kind::String, "text in double quotes", where).text;
}

// The Foucault readings, when the file holds them. A block that is there
// but not as written is damage like any other: reading stays all or nothing.
FoucaultSetupEntries FoucaultOf(const JsonValue& root) {
  FoucaultSetupEntries foucault;
  const JsonValue* block = root.Member("foucault");
  if (block == nullptr) return foucault;
  if (block->kind != JsonValue::Kind::Object) Damaged("the value of \"foucault\" is not an object");
  const JsonValue& zones =
      Required(*block, "zones", JsonValue::Kind::Array, "a list", " in \"foucault\"");
  for (std::size_t i = 0; i < zones.items.size(); ++i) {
    const std::string where = " in zone " + std::to_string(i + 1) + " of \"foucault\"";
    if (zones.items[i].kind != JsonValue::Kind::Object) {
      Damaged("zone " + std::to_string(i + 1) + " of \"foucault\" is not an object");
    }
    foucault.zones.push_back({RequiredText(zones.items[i], "radius", where),
                              RequiredText(zones.items[i], "knife", where)});
  }
  if (const JsonValue* builtAt = block->Member("built_at");
      builtAt != nullptr && builtAt->kind != JsonValue::Kind::Null) {
    const std::string where = " in \"built_at\"";
    if (builtAt->kind != JsonValue::Kind::Object) {
      Damaged("the value of \"built_at\" is not an object");
    }
    foucault.builtAt = {RequiredText(*builtAt, "object_distance", where),
                        RequiredText(*builtAt, "lens_mirror_distance", where)};
  }
  return foucault;
}

SetupFile SetupOf(const JsonValue& root) {
  // Is it a set-up file at all? Then is it one this version can read?
  const JsonValue* format = root.Member("format");
  if (format == nullptr || format->kind != JsonValue::Kind::String ||
      format->text != kSetupFormatName) {
    throw Failure(FailureKind::OtherFile, kNotASetupMessage);
  }
  const double version = Required(root, "version", JsonValue::Kind::Number, "a number").number;
  if (!(version >= 1) || std::floor(version) != version) {
    Damaged("the version " + GeneralNumber(version) + " is not a whole number from 1 up");
  }
  if (version > kSetupFormatVersion) {
    throw Failure(FailureKind::Newer,
                  "The file was saved by a newer version of Vantry Null (set-up format " +
                      GeneralNumber(version) + "; this version reads format " +
                      std::to_string(kSetupFormatVersion) + "). Open it with that version.");
  }

  SetupFile setup;
  const std::string& units = RequiredText(root, "units");
  if (units != "mm" && units != "inch") {
    Damaged("the units \"" + units + "\" are neither \"mm\" nor \"inch\"");
  }
  setup.inch = units == "inch";

  const JsonValue& entries = Required(root, "entries", JsonValue::Kind::Object, "an object");
  for (const auto& [entry, key] : kSetupEntryKeys) {
    setup.Text(entry) = RequiredText(entries, key, " in \"entries\"");
  }

  // The glass as the catalog spells it, so that the refractive-index dialog
  // and the lens files find it.
  const std::string& glass = RequiredText(root, "glass");
  const auto found = FindGlass(glass);
  if (!found) Damaged("the glass \"" + glass + "\" is in neither the Schott nor the Ohara catalog");
  setup.glassName = found->glass->Name;

  // The wavelength as the refractive-index dialog would show it, checked as
  // the dialog checks it.
  setup.wavelengthMicrons =
      Required(root, "wavelength_um", JsonValue::Kind::Number, "a number").number;
  const std::string nm = GeneralNumber(setup.wavelengthMicrons * 1000);
  if (!ReadWavelength(nm).nanometres) {
    Damaged("the wavelength " + nm + " nm is outside the test wavelengths, 350 to 850 nm");
  }
  setup.foucault = FoucaultOf(root);
  return setup;
}

}  // namespace

std::string SetupFileText(const SetupFile& setup) {
  std::string text = "{\n";
  text += "  \"format\": " + JsonString(kSetupFormatName) + ",\n";
  text += "  \"version\": " + std::to_string(kSetupFormatVersion) + ",\n";
  text += "  \"saved_by\": " + JsonString(std::string(kAppTitle) + " " + VersionText()) + ",\n";
  text += "  \"units\": " + JsonString(setup.inch ? "inch" : "mm") + ",\n";
  text += "  \"entries\": {\n";
  for (std::size_t k = 0; k < kSetupEntryKeys.size(); ++k) {
    const auto& [entry, key] = kSetupEntryKeys[k];
    text += "    " + JsonString(key) + ": " + JsonString(setup.Text(entry));
    text += k + 1 < kSetupEntryKeys.size() ? ",\n" : "\n";
  }
  text += "  },\n";
  text += "  \"glass\": " + JsonString(setup.glassName) + ",\n";
  text += "  \"wavelength_um\": " + JsonNumber(setup.wavelengthMicrons);
  if (!setup.foucault.Empty()) {
    text += ",\n  \"foucault\": {\n    \"zones\": [";
    const auto& zones = setup.foucault.zones;
    for (std::size_t k = 0; k < zones.size(); ++k) {
      text += std::string(k ? "," : "") + "\n      {\"radius\": " + JsonString(zones[k].radius) +
              ", \"knife\": " + JsonString(zones[k].knife) + "}";
    }
    text += zones.empty() ? "]" : "\n    ]";
    if (const auto& builtAt = setup.foucault.builtAt) {
      text += ",\n    \"built_at\": {\"object_distance\": " + JsonString(builtAt->first) +
              ", \"lens_mirror_distance\": " + JsonString(builtAt->second) + "}";
    }
    text += "\n  }";
  }
  text += "\n}\n";
  return text;
}

SetupFileReading ParseSetupFile(std::string_view text) {
  SetupFileReading reading;
  const JsonReading json = ReadJson(text);
  if (!json.value) {
    const auto start = FirstCharacter(text);
    if (start == std::string_view::npos) {
      reading.error = {SetupFileProblem::Damaged, "The file is empty."};
    } else if (text[start] != '{') {
      reading.error = {SetupFileProblem::NotASetup, kNotASetupMessage};
    } else {
      reading.error = {SetupFileProblem::Damaged,
                       "The file is damaged (" + json.error.Message() + ")."};
    }
    return reading;
  }
  try {
    reading.setup = SetupOf(*json.value);
  } catch (const Failure& refusal) {
    const FailureKind kind = refusal.kind();
    if (kind != FailureKind::Damaged && kind != FailureKind::OtherFile &&
        kind != FailureKind::Newer)
      throw;
    const SetupFileProblem problem =
        refusal.kind() == FailureKind::OtherFile ? SetupFileProblem::NotASetup
        : refusal.kind() == FailureKind::Newer   ? SetupFileProblem::Newer
                                                 : SetupFileProblem::Damaged;
    reading.error = {problem, refusal.what()};
  }
  return reading;
}

SetupFileReading ReadSetupFile(const std::filesystem::path& path,
                               std::chrono::steady_clock::time_point deadline) {
  const UserFileReading file = ReadUserFile(path, kMaxSetupFileBytes, deadline);
  if (file.problem == UserFileProblem::TooLarge) {
    return {std::nullopt,
            {SetupFileProblem::NotASetup, "The file is too large to be a set-up file."}};
  }
  if (file.problem == UserFileProblem::Stopped) {
    return {std::nullopt,
            {SetupFileProblem::Stopped, "The time limit passed before the file was read."}};
  }
  if (!file.bytes) {
    return {std::nullopt,
            {SetupFileProblem::Unreadable, "The file could not be read (" + file.why + ")."}};
  }
  return ParseSetupFile(*file.bytes);
}

std::optional<std::string> SetupEntryProblem(const SetupFile& setup, Entry entry) {
  // Longer than any number typed to its last digit; the entry is shown cut.
  constexpr std::size_t kLongestEntry = 40;
  constexpr double kLargestEntry = 1e100;
  const std::string& text = setup.Text(entry);
  const char* key = kSetupEntryKeys[static_cast<std::size_t>(entry)].second;
  const std::string shown =
      text.size() > kLongestEntry ? JsonString(text.substr(0, 20)) + "..." : JsonString(text);
  const std::string what = std::string("the entry \"") + key + "\" (" + shown + ") ";
  if (text.size() > kLongestEntry) {
    return what + "is " + std::to_string(text.size()) +
           " characters long; no number needs more than " + std::to_string(kLongestEntry);
  }
  const auto value = ReadNumber(text);
  if (!value) return what + "is not a number";
  if (!(std::fabs(*value) <= kLargestEntry)) {
    return what + "is beyond the largest number a set-up can hold (1e100)";
  }
  return std::nullopt;
}

FileWriteResult WriteSetupFile(const std::filesystem::path& path, const SetupFile& setup) {
  return WriteWholeFile(path, SetupFileText(setup));
}

}  // namespace vn
